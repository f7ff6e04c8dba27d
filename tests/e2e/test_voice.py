"""Voice practice in the real program under Wine: the media extension table written at start and
one recording driven by the movie's commands. Relies on the bench's PulseAudio (a 440 Hz sine
source as input) and on Wine's MCI wave device; where Wine differs from Windows the test says so.
"""

import os
import pathlib
import unittest

import harness
from harness import run

ENTRIES = [
    ("win.ini", "mci extensions", "mpg", "MPEGVideo"),
    ("win.ini", "mci extensions", "dat", "MPEGVideo"),
    ("win.ini", "mci extensions", "mpv", "MPEGVideo"),
    ("win.ini", "mci extensions", "mpeg", "MPEGVideo"),
    ("win.ini", "mci extensions", "cjt", "MPEGVideo"),
    ("win.ini", "mci extensions", "avi", "AVIVideo"),
    ("system.ini", "mci", "MPEGVideo", "mciqtz.drv"),
]

HEADER_FORMAT = (b"WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x22\x56\x00\x00"
                 b"\x88\x58\x01\x00\x04\x00\x10\x00")


def ini_path(name):
    return pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c" / "windows" / name


def read_ini(name):
    """{(section, key): value} with section and key in lower case, as the platform reads them."""
    values, section = {}, None
    path = ini_path(name)
    text = path.read_bytes().decode("latin-1") if path.exists() else ""
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].strip().lower()
        elif "=" in line and section is not None:
            key, _, value = line.partition("=")
            values[(section, key.strip().lower())] = value.strip()
    return values


def set_ini(name, section, key, value):
    """Puts one entry into a profile file of the prefix the way another program might have."""
    path = ini_path(name)
    lines = path.read_bytes().decode("latin-1").splitlines() if path.exists() else []
    out, current, done = [], None, False
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            if current == section.lower() and not done:
                out.append("%s=%s" % (key, value))
                done = True
            current = stripped[1:-1].strip().lower()
        elif current == section.lower() and stripped.lower().startswith(key.lower() + "="):
            continue
        out.append(line)
    if not done:
        if current != section.lower():
            out.append("[%s]" % section)
        out.append("%s=%s" % (key, value))
    path.write_bytes(("\r\n".join(out) + "\r\n").encode("latin-1"))


class VoiceTest(harness.ProgramTest):

    def test_start_writes_the_media_extension_table_over_other_values(self):
        set_ini("win.ini", "mci extensions", "mpg", "OtherPlayer")
        set_ini("win.ini", "mci extensions", "zzz", "Untouched")
        set_ini("system.ini", "mci", "MPEGVideo", "other.drv")
        cw = self.courseware(main="wait 500\nfscommand exitprogram\n")
        result = run(cw, timeout=40)
        self.assertFalse(result.timed_out)
        self.assertEqual(259 & 0xFF, result.exit_status)
        for name, section, key, value in ENTRIES:
            self.assertEqual(value, read_ini(name).get((section, key.lower())), (name, key))
        self.assertEqual("Untouched", read_ini("win.ini").get(("mci extensions", "zzz")))

    def test_recording_says_canspeak_once_750_ms_after_it_began(self):
        cw = self.courseware(main=(
            "register DelphiCallBack\n"
            "fscommand recording lesson1\\model.wav\n"
            "wait 200\n"
            "fscommand beginrecord\n"
            "waitcall DelphiCallBack 5000\n"
            "wait 1500\n"
            "log recorded\n"
            "fscommand stopandplayrecord\n"
            "wait 1000\n"
            "log played\n"
            "wait 2000\n"
            "fscommand exitprogram\n"))
        seen = {}

        def during(s):
            s.wait_for_log(r"^log recorded", timeout=30)
            seen["header"] = cw.read("Temp.wav")
            # Under Wine stopping a recording blocks for several seconds before the save.
            s.wait_for_log(r"^log played", timeout=40)
            seen["titles"] = [w["title"] for w in harness.windows()]

        result = run(cw, during=during, timeout=60)
        self.assertEqual(259 & 0xFF, result.exit_status, result)
        log = result.main
        begins = [l for l in log.lines if l.event == "fscommand" and l.text.strip() == "beginrecord"]
        self.assertEqual(1, len(begins), log)
        begin = begins[0]
        calls = [line for line in log.lines if line.event == "callfunction"]
        notices = [line for line in calls if "DelphiCallBack" in line.text]
        self.assertEqual(1, len(notices), calls)
        self.assertTrue(notices[0].text.startswith("ok "), notices[0])
        self.assertIn("<string>canspeak</string><string></string>", notices[0].text)
        delay = notices[0].ms - begin.ms
        self.assertGreaterEqual(delay, 700, notices[0])
        self.assertLess(delay, 1500, notices[0])

        # While it records, Temp.wav is the 44-byte header in the format of the defaults.
        self.assertEqual(44, len(seen["header"]))
        self.assertEqual(b"RIFF\x24\x00\x00\x00" + HEADER_FORMAT + b"data\x00\x00\x00\x00",
                         seen["header"])
        # The save and the play back fail silently under Wine: no error box, no "playrecordover".
        self.assertNotIn("错误", seen["titles"])
        self.assertEqual(HEADER_FORMAT, cw.read("Temp.wav")[8:36])


if __name__ == "__main__":
    unittest.main()

"""External calls of the movie, end to end: the real CourseShell.exe under Wine with the stand-in
player. Checked by the replies the player received (its log), the bytes on disk, the registry as
`wine reg query` shows it, and the dialogs on the screen."""

import os
import pathlib
import re
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from bridgecommon import (SETTINGS_KEY, dialogs, error_reports, gbk, reply_string,  # noqa: E402
                          run_movie, setup_module)

setUpModule = setup_module

EXIT = "fscommand exitprogram\n"


def ansi_reading(text):
    """What the movie gets back for text stored as UTF-8: those bytes read as GBK."""
    return text.encode("utf-8").decode("gbk")
EXITED = 259 & 0xFF


class FileRequestsTest(unittest.TestCase):
    def test_every_file_request_by_reply_and_bytes_on_disk(self):
        files = {
            "lesson/words.txt": b"ab\rcd\r\nmore\r\n",
            "lesson/gbk.txt": gbk("苹果") + b"\r\n",
            # GBK bytes that are also well-formed UTF-8 (U+05B5): a teacher's file is read as
            # the GBK it is, never decoded as UTF-8 ("小猫" would become "Сè").
            "lesson/value.txt": gbk("值") + b"\r\n",
            "lesson/kitten.txt": gbk("小猫") + b"\r\n",
            "lesson/cat.txt": gbk("cat 猫") + b"\r\nsecond\r\n",
            "lesson/road.txt": gbk("路"),
            "lesson/eof.txt": b"before\x1aafter",
            "lesson/markup.txt": b"a<b & \"c\"\r\n",
            "lesson/long.txt": b"L" * 100000 + b"\r\nsecond",
            "old.txt": b"a much longer earlier content\r\nline two\r\n",
        }
        script = (
            "call getAppDir\n"
            "call loadfile lesson/words.txt\n"
            "call loadfile lesson\\gbk.txt\n"
            "call loadfile lesson/value.txt\n"
            "call loadfile lesson/kitten.txt\n"
            "call loadBytes lesson/cat.txt\n"
            "call loadfile lesson/road.txt\n"
            "call loadBytes lesson/eof.txt\n"
            "call loadfile lesson/markup.txt\n"
            "call loadBytes lesson/long.txt\n"
            "call loadfile lesson\n"
            "call loadfile missing.txt\n"
            "call fileexists lesson/words.txt\n"
            "call fileexists lesson\n"
            "call fileexists missing.txt\n"
            "call savefile new1/new2/saved.txt|你好 world\\nsecond line\n"
            "call loadfile new1/new2/saved.txt\n"
            "call savefile value.txt|你好\n"
            "call loadBytes value.txt\n"
            "call saveToUTF8 utf8.txt|  padded  \n"
            "call saveToUTF8 spaces.txt|     \n"
            "call saveBytes old.txt|短\n"
            "call loadfile old.txt\n"
            "call saveBytes a/b\\c/raw.txt|x\n"
            "call newfolder f1/f2/f3\n"
            "call newfolder f1\n"
            "call newfolder \\e\n"
            + EXIT)
        cw, result, seen = run_movie(self, script, files=files)
        calls = result.main.flashcalls()
        self.assertEqual(EXITED, result.status, result.main)
        self.assertEqual([], seen)
        app_dir = cw.windows_path() + "\\"
        expected = [
            reply_string(app_dir),
            reply_string("abcd"),
            reply_string("苹果"),
            reply_string("值"),
            reply_string("小猫"),
            reply_string("cat 猫"),
            reply_string("路"),
            reply_string("before"),
            reply_string("a&lt;b &amp; &quot;c&quot;"),
            reply_string("L" * 100000),
            reply_string(""),
            reply_string(""),
            "<true/>", "<false/>", "<false/>",
            "<true/>",
            # What "savefile" wrote as UTF-8 reads back as the ANSI reading of those bytes.
            reply_string(ansi_reading("你好") + " world"),
            "<true/>", reply_string(ansi_reading("你好")),
            "<true/>", "<true/>", "<true/>",
            reply_string("短"),
            "<true/>",
            "<true/>", "<true/>", "<true/>",
        ]
        self.assertEqual(expected, [reply for _, reply in calls], result.main)

        self.assertEqual("你好 world\r\nsecond line\r\n".encode("utf-8"), cw.read("new1/new2/saved.txt"))
        self.assertEqual("你好\r\n".encode("utf-8"), cw.read("value.txt"))
        self.assertEqual(b"padded\r\n", cw.read("utf8.txt"))
        self.assertEqual(b"\r\n", cw.read("spaces.txt"))
        self.assertEqual(gbk("短") + b"\r\n", cw.read("old.txt"))
        self.assertEqual(b"x\r\n", cw.read("a/b/c/raw.txt"))
        self.assertTrue(cw.path("f1/f2/f3").is_dir())


class DialogsTest(unittest.TestCase):
    def test_missing_file_in_loadbytes_is_a_default_error_report_without_reply(self):
        script = "call loadBytes missing.txt\ncall loadfile missing.txt\n" + EXIT
        cw, result, seen = run_movie(self, script)
        calls = result.main.flashcalls()
        self.assertEqual([None, reply_string("")], [reply for _, reply in calls], result.main)
        self.assertEqual(["File not found."], error_reports(result))
        self.assertEqual(["Courseshell"], seen)

    def test_failed_newfolder_answers_false_before_its_message(self):
        state = {}

        def during(s):
            s.wait_for_log(r"^flashcall .*newfolder", 20)
            deadline = time.monotonic() + 10
            while not dialogs(s) and time.monotonic() < deadline:
                time.sleep(0.1)
            open_dialogs = dialogs(s)
            time.sleep(0.3)
            # The reply is already with the player while the message is still on the screen.
            state["log_while_open"] = s.log()
            state["titles"] = [w["title"] for w in open_dialogs]
            s.screenshot("newfolder.png")
            harness.press("Return", open_dialogs[0])
            s.wait_for_log(r"^reply <string>", 10)

        script = "call newfolder taken\ncall getAppDir\n" + EXIT
        cw, result, _ = run_movie(self, script, files={"taken": b"a file"}, during=during)
        log = state["log_while_open"]
        self.assertEqual(["错误"], state["titles"])
        self.assertTrue(log.has("setreturnvalue", "<false/>"), log)
        self.assertFalse(log.has("reply"), log)
        self.assertEqual(["<false/>", reply_string(cw.windows_path() + "\\")],
                         [reply for _, reply in result.main.flashcalls()])
        self.assertEqual(b"a file", cw.read("taken"))
        self.assertEqual([], error_reports(result))


class SettingsTest(unittest.TestCase):
    def setUp(self):
        harness.reg_delete(SETTINGS_KEY)
        self.addCleanup(harness.reg_delete, SETTINGS_KEY)

    def test_values_wait_for_the_identifier_which_stays_the_same_across_runs(self):
        script = ("call savereg early|value\n"
                  "call loadreg early\n"
                  "call getunique\n"
                  "call savereg name|hello & <world>\n"
                  "call savereg chinese|你好\n"
                  "call savereg odd|值\n"
                  "call loadreg name\n"
                  "call loadreg chinese\n"
                  "call loadreg odd\n"
                  "call loadreg absent\n"
                  "call getunique\n" + EXIT)
        cw, result, seen = run_movie(self, script)
        replies = [reply for _, reply in result.main.flashcalls()]
        self.assertEqual(["<true/>", reply_string("")], replies[:2], result.main)
        identifier = re.fullmatch(r"<string>((\d+)-(\d+)-(\d+)-(\d+))</string>", replies[2])
        self.assertIsNotNone(identifier, replies[2])
        numbers = [int(identifier.group(i)) for i in range(2, 6)]
        for number, text, top in zip(numbers, identifier.groups()[1:], (998, 887, 776, 665)):
            self.assertLessEqual(number, top)
            self.assertEqual(str(number), text)
        # "你好" comes back as the GBK reading of its UTF-8 bytes; "值", stored as it came, as it is.
        self.assertEqual(["<true/>", "<true/>", "<true/>", reply_string("hello &amp; &lt;world&gt;"),
                          reply_string(ansi_reading("你好")), reply_string("值"), reply_string(""),
                          replies[2]], replies[3:])
        self.assertEqual([], seen)

        values = harness.reg_query(SETTINGS_KEY)
        self.assertEqual({"a", "b", "c", "d", "name", "chinese", "odd"}, set(values))
        self.assertEqual([str(n) for n in numbers], [values[k] for k in "abcd"])
        self.assertEqual("hello & <world>", values["name"])
        # The value is stored as the UTF-8 bytes of the text, through the ANSI interface.
        self.assertEqual("你好".encode("utf-8"), harness.raw_bytes(values["chinese"]))
        # Its UTF-8 bytes (E5 80 BC) would lose the last byte in the platform's conversion, so
        # this text is stored as it came.
        self.assertEqual(gbk("值"), harness.raw_bytes(values["odd"]))

        _, later, _ = run_movie(self, "call getunique\n" + EXIT)
        self.assertEqual([replies[2]], [reply for _, reply in later.main.flashcalls()])

    def test_values_written_in_the_code_page_by_other_means_read_as_they_are(self):
        run_movie(self, "call getunique\n" + EXIT)
        key = harness.program_view(SETTINGS_KEY).replace("HKLM\\", "HKEY_LOCAL_MACHINE\\")
        values = {"kitten": "小猫", "cat": "cat 猫", "road": "路"}
        # A REGEDIT4 file is read in the ANSI code page, as a teacher's tool would write values.
        reg = b"REGEDIT4\r\n\r\n[" + key.encode("ascii") + b"]\r\n" + b"".join(
            b'"%s"="%s"\r\n' % (name.encode("ascii"), gbk(text)) for name, text in values.items())
        path = pathlib.Path(os.environ.get("BENCH_WORK", "/tmp")) / "gbk-values.reg"
        path.write_bytes(reg)
        harness._run([harness.WINE, "regedit", "/S", harness.winepath(path)])
        script = "".join("call loadreg %s\n" % name for name in values) + EXIT
        _, result, seen = run_movie(self, script)
        self.assertEqual([reply_string(text) for text in values.values()],
                         [reply for _, reply in result.main.flashcalls()], result.main)
        self.assertEqual([], seen)

    def test_number_value_shows_the_registry_message_and_ends_the_program_with_the_reply_set(self):
        run_movie(self, "call getunique\n" + EXIT)
        key = harness.program_view(SETTINGS_KEY)
        harness._run([harness.WINE, "reg", "add", key, "/v", "count", "/t", "REG_DWORD", "/d", "5", "/f"])
        script = "call loadreg count\nwait 3000\ncall getAppDir\n" + EXIT
        cw, result, seen = run_movie(self, script, timeout=60)
        self.assertEqual(0, result.status, result.main)
        self.assertEqual([("<invoke name=\"loadreg\" returntype=\"xml\"><arguments><string>count"
                           "</string></arguments></invoke>", reply_string(""))],
                         result.main.flashcalls())
        self.assertEqual(["错误"], seen)
        self.assertEqual([], error_reports(result))

    def test_key_without_identifier_values_fails_getunique_the_same_way(self):
        harness._run([harness.WINE, "reg", "add", harness.program_view(SETTINGS_KEY), "/v", "a", "/d", "1",
                      "/f"])
        cw, result, seen = run_movie(self, "call getunique\nwait 3000\n" + EXIT, timeout=60)
        self.assertEqual(0, result.status, result.main)
        self.assertEqual([reply_string("")], [reply for _, reply in result.main.flashcalls()])
        self.assertEqual(["错误"], seen)


class DragTest(unittest.TestCase):
    def test_window_follows_the_mouse_only_while_the_flag_is_set(self):
        state = {"moves": [], "pending": []}

        def main_window(s):
            deadline = time.monotonic() + 10
            while True:
                found = [w for w in s.windows() if (w["width"], w["height"]) == (1024, 652)]
                if found or time.monotonic() > deadline:
                    return found[0]
                time.sleep(0.1)

        def drag(s, n, dx, dy):
            s.wait_for_log(r"^log ready%d$" % n, 20)
            start = main_window(s)
            x, y = start["x"] + 500, start["y"] + 300
            harness._run(["xdotool", "mousemove", str(x), str(y)])
            s.wait_for_log(r"^log drag%d$" % n, 20)
            deadline = time.monotonic() + 10
            while s.log().lines[-1].event != "flashcall" and time.monotonic() < deadline:
                time.sleep(0.05)
            time.sleep(0.3)
            harness._run(["xdotool", "mousemove", str(x + dx), str(y + dy)])
            time.sleep(0.5)
            # Still inside the call: it returns only when the button is let go.
            state["pending"].append(s.log().lines[-1].event)
            harness._run(["xdotool", "mousedown", "1"])
            time.sleep(0.1)
            harness._run(["xdotool", "mouseup", "1"])
            s.wait_for_log(r"^log dragged%d$" % n, 20)
            end = main_window(s)
            state["moves"].append((end["x"] - start["x"], end["y"] - start["y"]))

        def during(s):
            drag(s, 1, 120, 80)
            s.wait_for_log(r"^log disabled$", 20)
            before = main_window(s)
            # Returns at once: nothing here ends a move.
            s.wait_for_log(r"^log second$", 20)
            after = main_window(s)
            state["moves"].append((after["x"] - before["x"], after["y"] - before["y"]))
            drag(s, 2, -60, 40)

        script = ("log ready1\nwait 1500\nlog drag1\ncall DragingWindow\nlog dragged1\n"
                  "call disableDragWindow\nlog disabled\ncall DragingWindow\nlog second\n"
                  "call enableDragWindow\nlog ready2\nwait 1000\nlog drag2\ncall DragingWindow\n"
                  "log dragged2\nwait 500\n" + EXIT)
        cw, result, _ = run_movie(self, script, during=during, timeout=90)
        self.assertEqual(EXITED, result.status, result.main)
        self.assertEqual(["flashcall", "flashcall"], state["pending"])
        self.assertEqual([(120, 80), (0, 0), (-60, 40)], state["moves"])
        self.assertEqual([None] * 5, [reply for _, reply in result.main.flashcalls()])


if __name__ == "__main__":
    unittest.main()

"""Writes that the disk refuses, end to end: "savefile" and "saveBytes" onto a read-only file, into a
folder that cannot be made, onto a folder and onto a full disk (a small tmpfs mounted inside the
program folder). Each ends in the default error report with the platform's text, the program
answers the next call, and a file that was there keeps its old content, never a truncated one."""

import pathlib
import subprocess
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from bridgecommon import (DialogServer, error_reports, reply_string, script_ended,  # noqa: E402
                          setup_module)

setUpModule = setup_module

EXIT = "fscommand exitprogram\n"
PROBE = "call getAppDir\n"
OLD = b"old content\r\n"


def listing(folder):
    return sorted(p.name for p in pathlib.Path(folder).iterdir())


class FileFaultsTest(unittest.TestCase):
    def run_cases(self, cases, files, prepare=None):
        """Runs (step, error report or None, reply or None) cases, each followed by the probe;
        returns the courseware."""
        script = "".join(step + "\n" + PROBE for step, _, _ in cases) + EXIT
        cw = harness.Courseware(main=script, files=files)
        self.addCleanup(cw.close)
        if prepare:
            prepare(cw)
        seen = []

        def during(s):
            server = DialogServer(s)
            server.serve_until(script_ended(s), 110)
            seen.extend(server.titles)

        result = harness.run(cw, during=during, timeout=120)
        self.assertEqual(259 & 0xFF, result.status, result.main)
        calls = result.main.flashcalls()
        self.assertEqual(2 * len(cases), len(calls), result.main)
        probe = reply_string(cw.windows_path() + "\\")
        for i, (step, _, reply) in enumerate(cases):
            self.assertEqual(reply, calls[2 * i][1], step[:80])
            self.assertEqual(probe, calls[2 * i + 1][1], "after " + step[:80])
        expected = [text for _, text, _ in cases if text is not None]
        self.assertEqual(expected, error_reports(result))
        self.assertEqual(len(expected), len(seen), seen)
        return cw

    def mount(self, cw, args, folder):
        """Mounts inside the program folder; skips the test where mounting is not allowed."""
        done = subprocess.run(["mount"] + args + [str(folder)], stderr=subprocess.PIPE)
        if done.returncode != 0:
            self.skipTest("cannot mount here: %s" % done.stderr.decode().strip())
        # Registered after the courseware, so it runs before the folder is removed.
        self.addCleanup(subprocess.run, ["umount", "-l", str(folder)])

    def test_read_only_file_keeps_its_content(self):
        # Wine running as root writes through a file's read-only attribute (the bridge's handling
        # of that refusal is a unit test); a read-only mount is refused by the kernel itself.
        def lock(cw):
            shelf = cw.path("shelf")
            self.mount(cw, ["--bind", str(shelf)], shelf)
            self.mount(cw, ["-o", "remount,ro,bind"], shelf)

        cw = self.run_cases([
            ("call savefile shelf/locked.txt|new text", "File access denied.", None),
            ("call saveBytes shelf/locked.txt|new text", "File access denied.", None),
            ("call saveToUTF8 shelf/new.txt|new text", "File access denied.", None),
            ("call saveBytes shelf/sub/new.txt|new text", "Invalid filename.", None),
            ("call loadfile shelf/locked.txt", None, reply_string("old content")),
        ], {"shelf/locked.txt": OLD}, prepare=lock)
        self.assertEqual(OLD, cw.read("shelf/locked.txt"))
        self.assertEqual(["locked.txt"], listing(cw.path("shelf")))

    def test_folders_that_cannot_be_made_and_paths_that_are_folders(self):
        cw = self.run_cases([
            # A file stands where a folder would have to be made.
            ("call savefile taken.txt/sub/new.txt|x", "Invalid filename.", None),
            ("call saveBytes taken.txt/new.txt|x", "Invalid filename.", None),
            # A name the file system does not allow for a folder.
            ("call savefile bad*name/new.txt|x", "I/O error 123.", None),
            # The path names a folder.
            ("call savefile folder|x", "File access denied.", None),
            ("call saveBytes folder/|x", "File access denied.", None),
            ("call saveBytes \\e|x", "File access denied.", None),
            ("call fileexists folder/inside.txt", None, "<true/>"),
        ], {"taken.txt": OLD, "folder/inside.txt": OLD})
        self.assertEqual(OLD, cw.read("taken.txt"))
        self.assertEqual(OLD, cw.read("folder/inside.txt"))
        self.assertEqual(["inside.txt"], listing(cw.path("folder")))
        self.assertEqual(["CourseShell.exe", "folder", "main.swf", "main.swf.log", "taken.txt",
                          "version.swf", "version.swf.log"], listing(cw.path()))

    def test_full_disk_leaves_the_old_content_and_no_partial_file(self):
        big = "x" * (400 * 1024)

        def mount(cw):
            disk = cw.path("full")
            disk.mkdir()
            self.mount(cw, ["-t", "tmpfs", "-o", "size=256k", "tmpfs"], disk)
            (disk / "keep.txt").write_bytes(OLD)
            (disk / "sub").mkdir()

        cw = self.run_cases([
            # The platform's text for ERROR_DISK_FULL.
            ("call saveBytes full/keep.txt|" + big, "I/O error 112.", None),
            ("call savefile full/keep.txt|" + big, "I/O error 112.", None),
            ("call savefile full/fresh.txt|" + big, "I/O error 112.", None),
            ("call saveBytes full/sub/deeper/fresh.txt|" + big, "I/O error 112.", None),
            ("call loadfile full/keep.txt", None, reply_string("old content")),
            ("call fileexists full/fresh.txt", None, "<false/>"),
            # The space the failed writes took is free again: a small write fits.
            ("call saveBytes full/keep.txt|small", None, "<true/>"),
        ], {}, prepare=mount)
        self.assertEqual(b"small\r\n", cw.read("full/keep.txt"))
        # No partial or temporary file anywhere on the disk; the folder was made as asked.
        found = sorted(str(p.relative_to(cw.path("full"))) for p in cw.path("full").rglob("*"))
        self.assertEqual(["keep.txt", "sub", "sub/deeper"], found)


if __name__ == "__main__":
    unittest.main()

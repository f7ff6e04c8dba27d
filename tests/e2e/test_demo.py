"""Smoke test of the README's run command: scripts/run.sh without a display plays the demo's tour
on its own Xvfb screen and ends by itself, with screenshots and clean logs.

Needs COURSESHELL_EXE and STANDIN_DLL (run.sh then skips setup and build). It starts its own
bench, so it runs inside or outside tools/winebench/bench.sh alike; its Wine prefix is a fresh
one of its own."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from harness import busiest_share, colours  # noqa: E402

REPO = pathlib.Path(__file__).resolve().parents[2]
TIME_LIMIT = 600


class RunCommandTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = pathlib.Path(tempfile.mkdtemp(prefix="cs-demo-"))
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WINEPREFIX", None)
        env.update(COURSESHELL_EXE=str(harness.courseshell_exe()), STANDIN_DLL=str(harness.standin_dll()),
                   RUN_DIR=str(cls.work / "run"), RUN_PREFIX=str(cls.work / "prefix"))
        env.pop("COURSESHELL_TOUR", None)
        started = time.monotonic()
        with open(cls.work / "run.out", "wb") as out:
            try:
                cls.status = subprocess.run([str(REPO / "scripts" / "run.sh")], cwd=str(REPO), env=env,
                                            stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                            timeout=TIME_LIMIT).returncode
            except subprocess.TimeoutExpired:
                cls.status = None
        cls.duration = time.monotonic() - started
        cls.output = (cls.work / "run.out").read_bytes().decode("utf-8", "replace")
        cls.app = cls.work / "run" / "app"
        cls.shots = cls.work / "run" / "screenshots"
        print("run.sh: status %s after %.0f s" % (cls.status, cls.duration))
        out = os.environ.get("E2E_OUT")
        if out and cls.shots.is_dir():
            shutil.copytree(cls.shots, pathlib.Path(out) / "demo", dirs_exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        # Processes of the prefix are gone with run.sh's bench; only files are left.
        if not os.environ.get("E2E_KEEP"):
            shutil.rmtree(cls.work, ignore_errors=True)

    def explain(self):
        return "\n--- run.sh output\n" + self.output[-6000:]

    def test_ends_by_itself_and_names_its_screenshots(self):
        self.assertIsNotNone(self.status, "run.sh still running after %d s" % TIME_LIMIT + self.explain())
        self.assertEqual(self.status, 0, self.explain())
        self.assertIn("screenshots go to %s" % self.shots, self.output)
        self.assertIn("program ended with status 3 ", self.output)
        for name, size in (("main.png", (1024, 652)), ("manager.png", None)):
            path = self.shots / name
            self.assertIn(str(path), self.output)
            count, width, height = colours(path)
            # Not blank: many colours, none covering nearly everything.
            self.assertGreater(count, 40, name)
            self.assertLess(busiest_share(path), 0.9, name)
            if size:
                self.assertEqual((width, height), size)

    def test_every_service_of_the_tour_answered_and_the_logs_are_clean(self):
        main = harness.MovieLog.read(self.app / "main.swf.log")
        version = harness.MovieLog.read(self.app / "version.swf.log")
        self.assertTrue(main.lines, self.explain())
        for log in (main, version):
            self.assertEqual(log.search(r"^(script-error|event-error|press-unknown)"), [], self.explain())
        self.assertTrue(version.has("getvariable", "mainver = 11"))
        replies = {re.search(r'name="(\w+)"', request).group(1) + " " + request: reply
                   for request, reply in main.flashcalls()}
        by_name = {}
        for key, reply in replies.items():
            by_name.setdefault(key.split(" ")[0], []).append(reply)
        self.assertIn("第一课", by_name["loadfile"][0])
        self.assertIn("今天学会了：你好，世界！", by_name["loadfile"][1])
        self.assertEqual(by_name["saveBytes"], ["<true/>"])
        self.assertRegex(by_name["getunique"][0], r"^<string>\d+-\d+-\d+-\d+</string>$")
        self.assertEqual(by_name["loadreg"], ["<string>lesson 1 done, score 95</string>"])
        self.assertTrue((self.app / "我的笔记" / "笔记.txt").is_file())
        # The program called the movie back: voice notices and the picked resource.
        calls = main.texts("callfunction")
        for wanted in ("<string>canspeak</string>",
                       '<invoke name="onPicked" returntype="xml"><arguments><string>selectedover</string>'
                       "<string>\\resources\\"):
            self.assertTrue([c for c in calls if wanted in c and c.startswith("ok ")], (wanted, calls))
        self.assertTrue((self.app / "Temp.wav").is_file())
        self.assertTrue(main.has("fscommand-done", "stopandplayrecord"))
        # Under Wine the recording is not saved, so "playrecordover" does not come and the demo's
        # wait for it ends by time-out; that wait is the only one allowed to.
        late = main.texts("waitcall-timeout")
        if not [c for c in calls if "<string>playrecordover</string>" in c]:
            self.assertEqual(late, ["DelphiCallBack"])
        else:
            self.assertEqual(late, [])
        # Window commands, then the tour's end and the program's own exit.
        self.assertTrue(main.has("fscommand-done", "maximized"))
        self.assertTrue(main.has("fscommand-done", "minimized"))
        self.assertTrue(main.has("log", "tour end"))
        # After the tour the driver uses the mouse: the grip drags the window, the button exits.
        self.assertIn("moved by -80, -40", self.output)
        clicked = main.texts("clicked")
        self.assertEqual(clicked, ["drag", "exit"])
        self.assertTrue(main.has("flashcall", '<invoke name="DragingWindow" returntype="xml"><arguments></arguments></invoke>'))
        self.assertTrue(main.has("fscommand", "exitprogram "))
        # The built-in update server is unreachable: the check stays silent and saves nothing.
        self.assertFalse((self.app / "result.txt").exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)

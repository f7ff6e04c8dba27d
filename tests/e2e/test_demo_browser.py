"""The README's browser run: scripts/run.sh --browser without a display plays the demo's real movie
in Ruffle in headless chromium, clicks through a short tour (the resource picker with a pick
included), saves screenshots and what the movie's text area showed, and ends by itself.

Needs COURSESHELL_EXE, STANDIN_DLL and DEMO_SWF (run.sh then skips setup and build), RUFFLE_DIR
and PUPPETEER_CORE. It starts its own bench, so it runs inside or outside tools/winebench/bench.sh
alike; its Wine prefix is a fresh one of its own."""

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
TIME_LIMIT = 300
# Where the movie draws its first button's label, 读取课文 (Demo.hx: LEFT, TOP, the label's field).
FIRST_LABEL = (32, 70, 110, 22)


def dark_share(png, box):
    """The share of dark pixels in a box (x, y, w, h) of an image: text drawn there is dark."""
    x, y, w, h = box
    out = subprocess.run(["convert", str(png), "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                          "-colorspace", "gray", "-threshold", "50%", "-format", "%[fx:mean]", "info:"],
                         capture_output=True, text=True, timeout=60, check=True).stdout
    return 1.0 - float(out)


class BrowserRunCommandTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = pathlib.Path(tempfile.mkdtemp(prefix="cs-demo-browser-"))
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WINEPREFIX", None)
        env.update(COURSESHELL_EXE=str(harness.courseshell_exe()), STANDIN_DLL=str(harness.standin_dll()),
                   RUN_DIR=str(cls.work / "run"), RUN_PREFIX=str(cls.work / "prefix"))
        started = time.monotonic()
        with open(cls.work / "run.out", "wb") as out:
            try:
                cls.status = subprocess.run([str(REPO / "scripts" / "run.sh"), "--browser"], cwd=str(REPO),
                                            env=env, stdout=out, stderr=subprocess.STDOUT,
                                            stdin=subprocess.DEVNULL, timeout=TIME_LIMIT).returncode
            except subprocess.TimeoutExpired:
                cls.status = None
        cls.duration = time.monotonic() - started
        cls.output = (cls.work / "run.out").read_bytes().decode("utf-8", "replace")
        cls.run_dir = cls.work / "run"
        cls.app = cls.run_dir / "app"
        cls.shots = cls.run_dir / "screenshots"
        transcript = cls.run_dir / "transcript.txt"
        cls.transcript = transcript.read_text("utf-8") if transcript.exists() else ""
        print("run.sh --browser: status %s after %.0f s" % (cls.status, cls.duration))
        out = os.environ.get("E2E_OUT")
        if out and cls.shots.is_dir():
            shutil.copytree(cls.shots, pathlib.Path(out) / "demo-browser", dirs_exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        if not os.environ.get("E2E_KEEP"):
            shutil.rmtree(cls.work, ignore_errors=True)

    def explain(self):
        return "\n--- run.sh output\n" + self.output[-6000:]

    def reply_to(self, request):
        """The text-area line that follows the movie's request line, without its "← "."""
        lines = self.transcript.splitlines()
        for i, line in enumerate(lines[:-1]):
            if line == "→ " + request and lines[i + 1].startswith("← "):
                return lines[i + 1][2:]
        self.fail("no reply to %r in the movie's text area:\n%s%s" % (request, self.transcript, self.explain()))

    def test_ends_by_itself_after_exitprogram(self):
        self.assertIsNotNone(self.status, "run.sh --browser still running after %d s" % TIME_LIMIT + self.explain())
        self.assertEqual(self.status, 0, self.explain())
        self.assertIn("program ended with status 3 ", self.output)
        # The real movie was served, not the stand-in script, with Ruffle beside the program.
        self.assertTrue(self.app.joinpath("main.swf").read_bytes()[:3] in (b"FWS", b"CWS"))
        self.assertTrue(self.app.joinpath("ruffle", "ruffle.js").is_file())
        self.assertFalse(list(self.app.joinpath("ruffle").glob("*.map")))

    def test_the_movie_showed_the_shells_answers(self):
        self.assertTrue(self.reply_to("loadfile lesson1/课文.txt").startswith('"第一课：你好，世界！'))
        # saveBytes wrote the code page's bytes, which loadfile reads back as they were.
        self.assertEqual("true", self.reply_to("saveBytes 我的笔记/笔记.txt | 今天学会了：你好，世界！Saved by CourseShell."))
        self.assertEqual("true", self.reply_to("fileexists 我的笔记/笔记.txt"))
        self.assertEqual('"今天学会了：你好，世界！Saved by CourseShell."', self.reply_to("loadfile 我的笔记/笔记.txt"))
        self.assertEqual("今天学会了：你好，世界！Saved by CourseShell.\r\n".encode("gbk"),
                         self.app.joinpath("我的笔记", "笔记.txt").read_bytes())
        unique = self.reply_to("getunique")
        self.assertRegex(unique, r'^"\d+-\d+-\d+-\d+"$')
        self.assertEqual('"lesson 1 done, score 95"', self.reply_to("loadreg progress"))
        self.assertEqual('"Z:%s\\"' % str(self.app).replace("/", "\\"), self.reply_to("getAppDir"))
        # The shell called the movie back: the recorder's notice (empty data stays empty in AS3) and
        # the resource picked in the picker, a file of the program folder.
        self.assertIn('⇐ DelphiCallBack("canspeak", "")', self.transcript.splitlines())
        picked = re.search(r'^⇐ onPicked\("selectedover", "(\\resources\\[^"]+)"\)$', self.transcript, re.M)
        self.assertIsNotNone(picked, self.transcript + self.explain())
        self.assertTrue(self.app.joinpath(*picked.group(1).strip("\\").split("\\")).is_file(), picked.group(1))

    def test_screenshots_are_named_and_not_blank(self):
        for name, size in (("ruffle-main.png", (1024, 652)), ("ruffle-picked.png", (1024, 652)),
                           ("picker.png", None)):
            path = self.shots / name
            self.assertIn(str(path), self.output, self.explain())
            count, width, height = colours(path)
            self.assertGreater(count, 40, name)
            self.assertLess(busiest_share(path), 0.9, name)
            if size:
                self.assertEqual((width, height), size, name)
        # The Chinese label of the first button is drawn: Ruffle's own device font has no Chinese
        # glyphs, so without the browser's fonts this box holds only the button's fill.
        self.assertGreater(dark_share(self.shots / "ruffle-main.png", FIRST_LABEL), 0.08)


if __name__ == "__main__":
    unittest.main(verbosity=2)

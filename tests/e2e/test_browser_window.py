"""The browser player's own browser, end to end: CourseShell.exe under Wine with /ruffle and no
/urlfile starts the browser it finds, as on a school PC. Checked: without Edge or Chrome the
program says what to install and ends."""

import getpass
import pathlib
import shutil
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from browserharness import courseware_with_ruffle  # noqa: E402
from swfwriter import POP, Actions, movie  # noqa: E402

APP_PATHS = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
NO_BROWSER = ("播放本课程需要 Microsoft Edge 或 Google Chrome 浏览器，本机上没有找到。请先安装其中一个"
              "（例如 Microsoft Edge），再运行本程序。")


def saving_every(a, name, value, ms=250):
    """Adds to a movie: every ms the shell saves value() to the file."""
    a.call_function("setInterval", lambda: a.function([], lambda b: (
        b.ei_call("savefile", name, lambda: value(b)), b.op(POP))), ms)
    a.op(POP)


def ticking_movie():
    a = Actions()
    a.stop()
    a.set_var("n", 0)
    saving_every(a, "tick.txt", lambda b: (
        b.set_var("n", lambda: b.concat(lambda: b.get_var("n"), 1)), b.get_var("n")))
    return movie(a)


class BrowserWindowTest(harness.ProgramTest):
    def setUp(self):
        # Edge's install folder for one user, where the program looks when App Paths names none.
        self.user_edge = (harness._prefix() / "drive_c" / "users" / getpass.getuser() / "AppData" /
                          "Local" / "Microsoft" / "Edge" / "Application")
        for exe in ("msedge.exe", "chrome.exe"):
            harness._run([harness.WINE, "reg", "delete", APP_PATHS + exe, "/f"], check=False)
        shutil.rmtree(self.user_edge, ignore_errors=True)

    def test_without_edge_or_chrome_the_program_says_what_to_install_and_ends(self):
        cw = courseware_with_ruffle(self, ticking_movie())
        seen = {}

        def during(session):
            seen["box"] = harness.find_text_window(NO_BROWSER, timeout=30)
            seen["shot"] = session.screenshot("no-browser.png")
            harness.press("Return")
            try:
                session.proc.wait(15)
            except subprocess.TimeoutExpired:
                pass

        result = harness.run(cw, during=during, args=["/ruffle"], timeout=60)
        self.assertIsNotNone(seen["box"], harness.window_texts())
        self.assertEqual("Courseshell", seen["box"]["title"])
        self.assertFalse(result.timed_out)
        self.assertEqual(0, result.status)
        self.assertFalse(cw.path("tick.txt").exists())
        self.assertEqual([], result.strays)


if __name__ == "__main__":
    harness.main_or_skip()

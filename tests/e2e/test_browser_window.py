"""The browser player's own browser, end to end: CourseShell.exe under Wine with /ruffle and no
/urlfile starts the browser it finds, as on a school PC. The browser is a fake of the tests'
(FAKE_BROWSER, tests/win/player/fakebrowser.cpp) that records its command line; the page it was
asked to show is then opened with Debian's chromium, in a window on the display with the switches
the program gave (under openbox, a window manager that frames windows and keeps a panel's room
free), or headless.

Checked: the page gets exactly the movie's size and stands in the middle of the work area; the
program ends when the browser it started ends, but not when a browser hands the page on to
another process and ends at once, nor when that page stalls for longer than the old five seconds;
without Edge or Chrome the program says what to install and ends."""

import getpass
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from browserharness import BrowserRun, courseware_with_ruffle, wait_for_file  # noqa: E402
from swfwriter import POP, Actions, movie  # noqa: E402

APP_PATHS = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
SCREEN = (1280, 800)
PANEL = 60  # the room the window manager keeps free at the bottom of the screen
NO_BROWSER = ("播放本课程需要 Microsoft Edge 或 Google Chrome 浏览器，本机上没有找到。请先安装其中一个"
              "（例如 Microsoft Edge），再运行本程序。")


def saving_every(a, name, value, ms=250):
    """Adds to a movie: every ms the shell saves value() to the file."""
    a.call_function("setInterval", lambda: a.function([], lambda b: (
        b.ei_call("savefile", name, lambda: value(b)), b.op(POP))), ms)
    a.op(POP)


def stage_movie():
    """The movie saves the size of its stage, what a NoScale movie has to draw in."""
    a = Actions()
    a.stop()
    saving_every(a, "stage.txt", lambda b: b.concat(lambda: b.path("Stage.width"), "x",
                                                    lambda: b.path("Stage.height")))
    return movie(a)


def ticking_movie():
    a = Actions()
    a.stop()
    a.set_var("n", 0)
    saving_every(a, "tick.txt", lambda b: (
        b.set_var("n", lambda: b.concat(lambda: b.get_var("n"), 1)), b.get_var("n")))
    return movie(a)


def windows_words(line):
    """A Windows command line's words, quotes grouping and removed."""
    words, word, quoted, in_word = [], "", False, False
    for c in line:
        if c == '"':
            quoted, in_word = not quoted, True
        elif c in " \t" and not quoted:
            if in_word:
                words.append(word)
            word, in_word = "", False
        else:
            word, in_word = word + c, True
    if in_word:
        words.append(word)
    return words


def switch(words, name):
    found = [w[len(name) + 1:] for w in words if w.startswith(name + "=")]
    return found[0] if found else None


def wait_for_text(path, text, timeout):
    """Waits until the file holds the text; returns what it held at the end."""
    deadline = time.monotonic() + timeout
    held = None
    while time.monotonic() < deadline:
        held = path.read_bytes().decode("utf-8", "replace").strip() if path.exists() else None
        if held == text:
            break
        time.sleep(0.1)
    return held


class FakeBrowser:
    """The fake browser in a folder of its own, or at `place`; registered in App Paths as Edge
    when `registered`."""

    def __init__(self, test, place=None, registered=True, hands_off=False):
        self.folder = pathlib.Path(place) if place else pathlib.Path(tempfile.mkdtemp(prefix="cs-fake-"))
        self.folder.mkdir(parents=True, exist_ok=True)
        self.exe = self.folder / "msedge.exe"
        shutil.copy2(harness._env_path("FAKE_BROWSER"), self.exe)
        self.record = self.folder / "browser-commandline.txt"
        if hands_off:
            (self.folder / "browser-hands-off").write_text("")
        test.addCleanup(self.remove)
        if registered:
            harness._run([harness.WINE, "reg", "add", APP_PATHS + "msedge.exe", "/ve", "/d",
                          harness.winepath(self.exe), "/f"])

    def command_line(self, session):
        return windows_words(wait_for_file(session, self.record, timeout=60).decode("utf-8").splitlines()[0])

    def starts(self):
        return len(self.record.read_text("utf-8").splitlines()) if self.record.exists() else 0

    def end(self):
        (self.folder / "browser-exit").write_text("")

    def remove(self):
        self.end()
        time.sleep(0.3)
        harness._run([harness.WINE, "reg", "delete", APP_PATHS + "msedge.exe", "/f"], check=False)
        shutil.rmtree(self.folder, ignore_errors=True)


class Openbox:
    """Openbox on the display, keeping PANEL pixels free at the bottom (as a taskbar would);
    Wine is restarted on the way in and out, since it reads the work area when it starts."""

    def __init__(self, work):
        self.work = work
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="cs-openbox-"))
        (self.folder / "rc.xml").write_text(
            '<?xml version="1.0" encoding="UTF-8"?>\n'
            '<openbox_config xmlns="http://openbox.org/3.4/rc">\n'
            "  <margins><top>0</top><bottom>%d</bottom><left>0</left><right>0</right></margins>\n"
            "</openbox_config>\n" % PANEL)
        self.proc = None

    def __enter__(self):
        self.proc = subprocess.Popen(["openbox", "--config-file", str(self.folder / "rc.xml")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     stdin=subprocess.DEVNULL)
        expected = "%d, %d, %d, %d" % (self.work[0], self.work[1], self.work[2] - self.work[0],
                                       self.work[3] - self.work[1])
        deadline = time.monotonic() + 20
        while expected not in harness._run(["xprop", "-root", "_NET_WORKAREA"], check=False).stdout.decode():
            if time.monotonic() > deadline:
                raise harness.HarnessError("openbox did not set the work area %s" % expected)
            time.sleep(0.1)
        harness.restart_wine()
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(10)
        harness.set_work_area(None)
        harness.restart_wine()
        shutil.rmtree(self.folder, ignore_errors=True)
        return False


def chromium_window():
    """The absolute geometry (x, y, width, height) of chromium's visible window, and its frame's
    extents (left, right, top, bottom) as the window manager reports them."""
    ids = harness._run(["xdotool", "search", "--onlyvisible", "--class", "chromium"], check=False).stdout.split()
    for wid in ids:
        info = harness._run(["xwininfo", "-id", wid.decode()]).stdout.decode()
        get = lambda label: int(info.split(label)[1].split()[0])  # noqa: E731
        width, height = get("Width:"), get("Height:")
        if width < 500:
            continue
        extents = harness._run(["xprop", "-id", wid.decode(), "_NET_FRAME_EXTENTS"], check=False).stdout.decode()
        frame = tuple(int(v) for v in extents.split("=")[1].split(",")) if "=" in extents else (0, 0, 0, 0)
        return (get("Absolute upper-left X:"), get("Absolute upper-left Y:"), width, height), frame
    return None, None


def with_browser(run, body):
    """A `during` callback for harness.run: body(session), then the test's browser closed."""
    def callback(session):
        try:
            body(session)
        finally:
            run.close_browser()
    return callback


class BrowserWindowTest(harness.ProgramTest):
    def setUp(self):
        # Edge's install folder for one user, where the program looks when App Paths names none.
        self.user_edge = (harness._prefix() / "drive_c" / "users" / getpass.getuser() / "AppData" /
                          "Local" / "Microsoft" / "Edge" / "Application")
        for exe in ("msedge.exe", "chrome.exe"):
            harness._run([harness.WINE, "reg", "delete", APP_PATHS + exe, "/f"], check=False)
        shutil.rmtree(self.user_edge, ignore_errors=True)

    def test_the_page_has_the_movies_size_in_the_work_areas_middle_until_the_browser_ends(self):
        work = (0, 0, SCREEN[0], SCREEN[1] - PANEL)
        cw = courseware_with_ruffle(self, stage_movie())
        run = BrowserRun(cw)
        seen = {}

        def during(session, fake):
            words = fake.command_line(session)
            seen["words"] = words
            run.url = switch(words, "--app")
            # The program's own switches, as they are, with a profile of the test's and what
            # this machine's browser needs besides (it runs as root, without a GPU). Under X11
            # the window manager's frame lies outside the size the browser is given; on Windows
            # Edge and Chrome draw their title bar inside it. What stands for that title bar here
            # is the browser's warning bar about --no-sandbox, which comes inside the window just
            # after the page has started: before the page measured itself it had 1024 x 596.
            switches = [w for w in words[1:] if not w.startswith("--user-data-dir=")]
            run.open_browser(app_args=switches + ["--no-sandbox", "--disable-gpu"])
            seen["stage"] = wait_for_text(cw.path("stage.txt"), "1024x652", timeout=60)
            time.sleep(1)
            seen["page"] = json.loads(run.command(do="window"))
            seen["x"] = chromium_window()
            session.screenshot("browser-window.png")
            # The browser ends: so does the program, with the page still in the test's browser.
            fake.end()
            ended = time.monotonic()
            try:
                session.proc.wait(20)
            except subprocess.TimeoutExpired:
                pass
            seen["ended after"] = time.monotonic() - ended
            seen["running"] = session.running()

        with Openbox(work):
            fake = FakeBrowser(self)
            result = harness.run(cw, during=with_browser(run, lambda s: during(s, fake)),
                                 args=["/ruffle"], timeout=150)
        words, page = seen["words"], seen["page"]
        # The program centred the window in the work area Wine reports, for the movie's size.
        self.assertEqual("1024,652", switch(words, "--window-size"), words)
        self.assertEqual("%d,%d" % ((work[2] - 1024) // 2, (work[3] - 652) // 2),
                         switch(words, "--window-position"), words)
        # The movie draws in exactly its own size: nothing of its bottom is cut off.
        self.assertEqual("1024x652", seen["stage"], run.browser_log())
        self.assertEqual((1024, 652), (page["innerWidth"], page["innerHeight"]), page)
        # The browser sees the same work area, and the page centred its grown window in it.
        self.assertEqual((0, 0, work[2], work[3]),
                         (page["availLeft"], page["availTop"], page["availWidth"], page["availHeight"]))
        self.assertGreater(page["outerHeight"], 652, page)
        self.assertEqual(((work[2] - page["outerWidth"]) // 2, (work[3] - page["outerHeight"]) // 2),
                         (page["screenX"], page["screenY"]), page)
        (x, y, width, height), frame = seen["x"]
        self.assertEqual((page["outerWidth"], page["outerHeight"]), (width, height))
        # Nothing of the browser's window is under the panel (openbox's own title bar is drawn above
        # the window the page measures, where the page cannot see it).
        self.assertLessEqual(y + height + frame[3], work[3], (seen["x"], page))
        self.assertFalse(seen["running"], "the program still ran %.0f s after its browser ended" % seen["ended after"])
        self.assertLess(seen["ended after"], 5)
        self.assertEqual(0, result.status)
        self.assertEqual(1, fake.starts())

    def test_a_browser_that_hands_the_page_on_ends_nothing_and_a_stall_neither(self):
        # Found in the user's install folder, with no App Paths entry.
        fake = FakeBrowser(self, place=self.user_edge, registered=False, hands_off=True)
        cw = courseware_with_ruffle(self, ticking_movie())
        run = BrowserRun(cw)
        seen = {}

        def body(session):
            words = fake.command_line(session)
            run.url = switch(words, "--app")
            # The fake has ended before the page said hello: another process has the page now.
            run.open_browser()
            wait_for_file(session, cw.path("tick.txt"))
            seen["stall"] = run.command(do="freeze", ms=9000, timeout=60)
            seen["after stall"] = session.running()
            before = cw.read("tick.txt")
            time.sleep(2)
            seen["ticks on"] = cw.read("tick.txt") != before
            run.close_browser()
            closed = time.monotonic()
            try:
                session.proc.wait(30)
            except subprocess.TimeoutExpired:
                pass
            seen["ended after close"] = time.monotonic() - closed

        result = harness.run(cw, during=with_browser(run, body), args=["/ruffle"], timeout=150)
        self.assertEqual("thawed", seen["stall"], run.browser_log())
        self.assertTrue(seen["after stall"], run.browser_log())
        self.assertTrue(seen["ticks on"])
        # The page's goodbye ended it.
        self.assertLess(seen["ended after close"], 15)
        self.assertEqual(0, result.status)
        self.assertEqual(1, fake.starts())

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

"""Runs CourseShell.exe /ruffle on the prepared demo folder under Wine and opens the page it serves
in Debian's chromium, where Ruffle plays the demo's real movie.

Called by scripts/run.sh --browser, with WINEPREFIX, DISPLAY and the locale already set (inside
tools/winebench/bench.sh when there is no display of the user's).

--window: chromium shows the page as an app window on $DISPLAY; the run lasts until the program
ends (退出程序, or the window closed). --tour: headless chromium (puppeteer-core, through
scripts/demo_browser.js) and a short tour that clicks the movie's buttons as a person would,
picks a file in the resource picker (a Win32 window on the Wine screen), takes screenshots of the
page and of the screen, clicks 退出程序, writes what the movie showed to transcript.txt beside the
screenshots and exits non-zero when an answer is missing.
"""

import argparse
import json
import os
import pathlib
import queue
import re
import shutil
import subprocess
import sys
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "e2e"))
sys.path.insert(0, str(HERE))
import harness  # noqa: E402
from demo_run import EXITPROGRAM_STATUS, PICKER, log, pick_first_resource, screen_shot, colours  # noqa: E402

APP_WINDOW = (1024, 652)


class BrowserError(Exception):
    pass


class HeadlessPage:
    """The page in headless chromium, driven through demo_browser.js."""

    def __init__(self, url, profile, log_file, puppeteer):
        env = dict(os.environ, PUPPETEER_CORE=str(puppeteer))
        self.proc = subprocess.Popen(
            [os.environ.get("NODE", "node"), str(HERE / "demo_browser.js"), url, str(profile), str(log_file)],
            env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.answers = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self._answer(90, "the page to load")

    def _read(self):
        for line in self.proc.stdout:
            self.answers.put(line)
        self.answers.put(None)

    def _answer(self, timeout, what):
        try:
            line = self.answers.get(timeout=timeout)
        except queue.Empty:
            raise BrowserError("no answer from the browser about %s within %.0f s" % (what, timeout))
        if line is None:
            raise BrowserError("the browser driver ended (%s)" % what)
        try:
            answer = json.loads(line)
        except ValueError:
            raise BrowserError("browser driver said: %s" % line.strip())
        if not answer.get("ok"):
            raise BrowserError(answer.get("error", line.strip()))
        return answer.get("value")

    def ask(self, request, timeout=30):
        self.proc.stdin.write(json.dumps(request) + "\n")
        self.proc.stdin.flush()
        return self._answer(timeout, request["do"])

    def close(self):
        if self.proc.poll() is None:
            try:
                self.ask({"do": "close"}, timeout=10)
            except (BrowserError, OSError):
                pass
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(10)


class Run:
    def __init__(self, args):
        self.args = args
        self.app = pathlib.Path(args.app)
        self.shots = pathlib.Path(args.shots)
        self.shots.mkdir(parents=True, exist_ok=True)
        self.work = self.shots.parent
        self.problems = []
        self.taken = []
        self.page = None
        self.started = time.monotonic()
        self.transcript = ""

    def start(self):
        url_file = self.work / "url.txt"
        url_file.unlink(missing_ok=True)
        self.out = open(self.work / "wine.out", "wb")
        self.err = open(self.work / "wine.err", "wb")
        exe = self.app / "CourseShell.exe"
        self.proc = subprocess.Popen(
            [harness.WINE, harness.winepath(exe), "/ruffle", "/urlfile=" + harness.winepath(url_file)],
            cwd=str(self.app), stdout=self.out, stderr=self.err, stdin=subprocess.DEVNULL)
        self.started = time.monotonic()
        deadline = self.started + 90
        while not (url_file.exists() and url_file.read_text().strip()):
            if self.proc.poll() is not None:
                raise BrowserError("the program ended (%s) before it wrote its page's address" % self.proc.returncode)
            if time.monotonic() > deadline:
                raise BrowserError("no page address within 90 s")
            time.sleep(0.1)
        self.url = url_file.read_text().strip()
        log("the program serves its page at %s" % self.url)

    def profile(self):
        # A profile of its own in the run folder, fresh each run: nothing of an earlier run counts.
        profile = self.work / "chromium-profile"
        shutil.rmtree(profile, ignore_errors=True)
        profile.mkdir(parents=True)
        return profile

    # ------------------------------------------------------------------ with a display
    def window(self):
        width, height = APP_WINDOW
        self.browser_log = open(self.work / "chromium.log", "wb")
        browser = subprocess.Popen(
            [os.environ.get("CHROMIUM", "chromium"), "--app=" + self.url,
             "--window-size=%d,%d" % (width, height), "--user-data-dir=%s" % self.profile(),
             "--no-first-run", "--no-default-browser-check", "--disable-sync"] +
            # As root chromium needs --no-sandbox; --test-type keeps its warning bar about that
            # off the page, which would otherwise push the movie down out of the window.
            (["--no-sandbox", "--test-type"] if os.geteuid() == 0 else []),
            stdin=subprocess.DEVNULL, stdout=self.browser_log, stderr=subprocess.STDOUT)
        log("chromium shows the demo; it runs until you press 退出程序 or close the window")
        try:
            return self.proc.wait()
        finally:
            # The page closes itself once the program has gone; a browser left behind is ended.
            try:
                browser.wait(10)
            except subprocess.TimeoutExpired:
                browser.terminate()
                browser.wait(10)

    # ------------------------------------------------------------------ headless, the tour
    def read_transcript(self):
        self.transcript = self.page.ask({"do": "transcript"})
        return self.transcript

    def wait_transcript(self, pattern, timeout, what):
        deadline = time.monotonic() + timeout
        while True:
            if re.search(pattern, self.read_transcript(), re.M):
                return True
            if time.monotonic() > deadline:
                self.problems.append("%s did not show within %.0f s" % (what, timeout))
                return False
            time.sleep(0.3)

    def page_shot(self, name):
        path = self.shots / name
        self.page.ask({"do": "shot", "path": str(path)})
        log("screenshot %s (%s colours)" % (path, colours(path)))
        self.taken.append(path)

    def sent(self):
        return sum(1 for line in self.read_transcript().splitlines() if line.startswith("→ "))

    def press(self, button, check=True):
        """Clicks a button; unless told not to, again when the movie shows no request (up to 3 times)."""
        b = self.buttons[button]
        for attempt in range(3):
            before = self.sent() if check else 0
            self.page.ask({"do": "click", "x": b["x"] + b["width"] // 2, "y": b["y"] + b["height"] // 2})
            if not check:
                return
            deadline = time.monotonic() + 2
            while time.monotonic() < deadline:
                if self.sent() > before:
                    return
                time.sleep(0.2)
            log("the movie took no click on %s; clicking again" % b["label"])
        self.problems.append("the button %s did not react to 3 clicks" % b["label"])

    def tour(self):
        self.page = HeadlessPage(self.url, self.profile(), self.work / "browser.log", self.args.puppeteer)
        # The buttons are there once Ruffle plays the movie and it has registered its callbacks.
        deadline = time.monotonic() + 60
        while True:
            try:
                self.buttons = {b["id"]: b for b in self.page.ask({"do": "buttons"})}
                break
            except BrowserError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.5)
        log("the movie plays in Ruffle with %d buttons" % len(self.buttons))
        # In headless chromium Ruffle 0.6.0 let no button see a click until the player had taken
        # one click elsewhere (a click into the player first: focus, audio): that first click goes
        # between the buttons and the text area.
        lowest = max(b["y"] + b["height"] for b in self.buttons.values())
        self.page.ask({"do": "click", "x": 512, "y": lowest + 8})
        time.sleep(0.5)

        # Each button's answer shows as "← ..." in the text area before the next is pressed.
        for button in ("load", "save", "unique", "savereg", "loadreg", "appdir"):
            replies = self.read_transcript().count("\n← ")
            self.press(button)
            deadline = time.monotonic() + 20
            while self.read_transcript().count("\n← ") <= replies and time.monotonic() < deadline:
                time.sleep(0.2)
        self.press("clip")
        self.press("record")
        self.wait_transcript(r'^⇐ DelphiCallBack\("canspeak"', 15, "the canspeak notice")
        time.sleep(0.5)
        self.page_shot("ruffle-main.png")

        self.press("pick")
        picker = harness.find_window(PICKER, timeout=30)
        if not picker:
            self.problems.append("the resource picker window did not appear")
        else:
            time.sleep(1.5)
            # The picker is a window of the program on the Wine screen, not part of the page.
            self.taken.append(screen_shot(self.shots / "picker.png", picker))
            pick_first_resource(picker)
            if self.wait_transcript(r'^⇐ onPicked\("selectedover"', 20, "the picked resource"):
                time.sleep(0.3)
                self.page_shot("ruffle-picked.png")

        self.read_transcript()
        # The program ends at once: there is no page left to look at afterwards. The page takes
        # input again only once the picker has gone from the screen (Wine hides a window slowly),
        # so a click that came too early is made again, as a person would.
        for attempt in range(4):
            try:
                self.press("exit", check=False)
            except BrowserError:
                return
            if self.wait_exit(4) is not None:
                return
            log("the program did not end after a click on %s; clicking again" % self.buttons["exit"]["label"])

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def check(self, status):
        """What the movie must have shown: an answer of the shell for each service pressed."""
        t = self.transcript
        wanted = [
            ("loadfile", r'^→ loadfile lesson1/课文.txt\n← "第一课'),
            ("saveBytes and loadfile", r'^← "今天学会了：你好，世界！'),
            ("getunique", r'^→ getunique\n← "\d+-\d+-\d+-\d+"$'),
            ("savereg", r'^→ savereg progress \| lesson 1 done, score 95\n← true$'),
            ("loadreg", r'^→ loadreg progress\n← "lesson 1 done, score 95"$'),
            ("getAppDir", r'^→ getAppDir\n← "[A-Z]:\\.*\\"$'),
            ("canspeak", r'^⇐ DelphiCallBack\("canspeak", ""\)$'),
            ("onPicked", r'^⇐ onPicked\("selectedover", "\\resources\\'),
        ]
        for what, pattern in wanted:
            if not re.search(pattern, t, re.M):
                self.problems.append("no answer for %s in the movie's text area" % what)
        if status is None:
            self.problems.append("the program did not end")
        elif status != EXITPROGRAM_STATUS:
            self.problems.append("exit status %s, expected %d (exitprogram)" % (status, EXITPROGRAM_STATUS))
        for path in self.taken:
            if not path.is_file():
                self.problems.append("screenshot %s missing" % path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True, help="the run folder with CourseShell.exe, ruffle\\ and the demo")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--window", action="store_true", help="chromium in a window on $DISPLAY")
    mode.add_argument("--tour", action="store_true", help="headless chromium and the automatic tour")
    parser.add_argument("--puppeteer", help="the puppeteer-core package folder (for --tour)")
    parser.add_argument("--timeout", type=float, default=180)
    args = parser.parse_args()

    run = Run(args)
    status = None
    try:
        run.start()
        if args.window:
            status = run.window()
            log("program ended with status %s" % status)
            return 0
        try:
            run.tour()
        except (BrowserError, harness.HarnessError) as e:
            run.problems.append(str(e).splitlines()[0])
        status = run.wait_exit(max(1.0, args.timeout - (time.monotonic() - run.started)))
    except BrowserError as e:
        run.problems.append(str(e))
    finally:
        if run.page:
            run.page.close()
        if getattr(run, "proc", None) and run.proc.poll() is None:
            run.proc.kill()
            run.proc.wait(10)
    (run.work / "transcript.txt").write_text(run.transcript + "\n", "utf-8")
    run.check(status)
    log("what the movie showed (also in %s):" % (run.work / "transcript.txt"))
    for line in run.transcript.splitlines():
        log("  " + line)
    log("program ended with status %s after %.1f s" % (status, time.monotonic() - run.started))
    for problem in run.problems:
        log("PROBLEM: " + problem)
    if run.taken:
        log("screenshots: " + ", ".join(str(p) for p in run.taken))
    return 1 if run.problems else 0


if __name__ == "__main__":
    sys.exit(main())

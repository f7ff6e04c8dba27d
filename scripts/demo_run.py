"""Runs CourseShell.exe on the prepared demo folder under Wine and, on a tour, plays the person.

Called by scripts/run.sh (inside tools/winebench/bench.sh when there is no display), with
WINEPREFIX, DISPLAY and the locale already set. The demo movie's tour writes cues into its log
(`log tour ...`); this driver answers them: screenshots of the main window and of the resource
manager, closing the manager, picking a file in the resource picker. At the end it checks the
stand-in's logs and the program's exit, prints what it found, and exits non-zero on a problem.
"""

import argparse
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "e2e"))
import harness  # noqa: E402

MAIN_SIZE = (1024, 652)
EXITPROGRAM_STATUS = 259 & 0xFF
PICKER = "选择资源"


def log(text):
    print("run: " + text, flush=True)


def colours(path):
    """How many colours an image has, as text ("?" when it cannot be read)."""
    out = subprocess.run(["identify", "-format", "%k", str(path)], capture_output=True, text=True,
                         timeout=30).stdout.strip()
    return out or "?"


def screen_shot(path, window=None):
    """A screenshot of one window of the X screen (the whole screen when it is not found)."""
    geometry = []
    if window:
        geometry = ["-crop", "%dx%d+%d+%d" % (window["width"], window["height"], window["x"], window["y"]),
                    "+repage"]
    subprocess.run(["import", "-window", "root"] + geometry + [str(path)], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
    log("screenshot %s (%s colours)" % (path, colours(path)))
    return path


def pick_first_resource(picker):
    """In the resource picker, on the tab shown first (the general resources): a category, then its
    first file, then 确定, as a person would."""
    x, y = picker["x"], picker["y"]
    # The first category sits below the root in the folder tree; the first file heads the list.
    harness.click(x + 60, y + 72)
    time.sleep(1.0)
    harness.click(x + 260, y + 58)
    time.sleep(0.3)
    harness.click(x + 687 - 11 - 75 - 8 - 75 + 30, y + 8 + 449 + 14 + 12)
    time.sleep(1.0)
    if harness.find_window(PICKER):
        # Nothing was picked (or the call failed): close it as a person would.
        harness.press("Escape", picker)


class Demo:
    def __init__(self, args):
        self.args = args
        self.app = pathlib.Path(args.app)
        self.shots = pathlib.Path(args.shots)
        self.shots.mkdir(parents=True, exist_ok=True)
        self.problems = []
        self.taken = []

    def main_log(self):
        return harness.MovieLog.read(self.app / "main.swf.log")

    def cue(self, text, timeout):
        """Waits for `log tour TEXT` in the movie's log."""
        harness.wait_for_log(self.app / "main.swf.log", r"^log tour %s$" % text, timeout, self.proc)

    def shot(self, name, window=None):
        path = screen_shot(self.shots / name, window)
        self.taken.append(path)
        return path

    def main_window(self):
        for w in harness.windows():
            if (w["width"], w["height"]) == MAIN_SIZE:
                return w
        return None

    def start(self):
        harness.register_standin(self.args.standin)
        self.out = open(self.shots.parent / "wine.out", "wb")
        self.err = open(self.shots.parent / "wine.err", "wb")
        exe = self.app / "CourseShell.exe"
        self.proc = subprocess.Popen([harness.WINE, harness.winepath(exe)], cwd=str(self.app), stdout=self.out,
                                     stderr=self.err, stdin=subprocess.DEVNULL)
        self.started = time.monotonic()

    def tour(self):
        self.cue("shot main", 90)
        time.sleep(0.5)
        self.shot("main.png", self.main_window())

        self.cue("manager", 30)
        manager = harness.find_window("教学资源管理", timeout=20)
        if not manager:
            self.problems.append("the resource manager window did not appear")
        else:
            # A category opened, as a teacher would, so that its files show.
            time.sleep(1.0)
            harness.click(manager["x"] + 80, manager["y"] + 89)
            time.sleep(1.5)
            self.shot("manager.png", manager)
            # 取消 closes it.
            harness.click(manager["x"] + 593, manager["y"] + 454)

        self.cue("picker", 30)
        picker = harness.find_window(PICKER, timeout=20)
        if not picker:
            self.problems.append("the resource picker window did not appear")
        else:
            time.sleep(1.5)
            self.pick_first_file(picker)

        self.cue("end", 60)
        self.finish_by_hand()

    def widget_centre(self, widget):
        """Screen position of a widget's centre, from the movie's latest layout line."""
        place = [t for t in self.main_log().texts("layout") if t.split(" ")[0] == widget][-1]
        x, y, w, h = (int(v) for v in place.split(" ")[1:])
        window = self.main_window()
        return window["x"] + x + w // 2, window["y"] + y + h // 2

    def finish_by_hand(self):
        """After the tour's script: drag the window by the grip, then click 退出程序."""
        harness.wait_for_log(self.app / "main.swf.log", r"^script-end", 30, self.proc)
        before = self.main_window()
        x, y = self.widget_centre("drag")
        xdo = lambda *a: subprocess.run(["xdotool"] + [str(v) for v in a], check=True, timeout=10)
        xdo("mousemove", x, y)
        time.sleep(0.2)
        xdo("mousedown", 1)
        time.sleep(0.5)
        for step in range(1, 11):
            xdo("mousemove", x - 8 * step, y - 4 * step)
            time.sleep(0.05)
        xdo("mouseup", 1)
        time.sleep(0.5)
        after = self.main_window()
        moved = (after["x"] - before["x"], after["y"] - before["y"])
        log("dragged the window by the grip: moved by %d, %d" % moved)
        if moved != (-80, -40):
            self.problems.append("the window did not follow the drag (moved by %d, %d)" % moved)
        harness.click(*self.widget_centre("exit"))

    def pick_first_file(self, picker):
        self.shot("picker.png", picker)
        pick_first_resource(picker)

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def check_logs(self):
        for movie in ("main.swf", "version.swf"):
            lines = harness.MovieLog.read(self.app / (movie + ".log"))
            for bad in lines.search(r"^(script-error|event-error|press-unknown)"):
                self.problems.append("%s.log: %s" % (movie, bad.raw))
            # Not a fault of the run: under Wine the recording is not saved, so "playrecordover"
            # never comes (on Windows it does).
            for late in lines.search(r"^waitcall-timeout"):
                log("note: %s.log: %s" % (movie, late.raw))
        if (self.app / "result.txt").exists():
            self.problems.append("result.txt exists: the update check reached a server")

    def summary(self):
        main = self.main_log()
        calls = main.flashcalls()
        callbacks = main.texts("callfunction")
        log("%d external calls answered, %d without reply; %d calls from the program to the movie" % (
            sum(1 for _, reply in calls if reply is not None),
            sum(1 for _, reply in calls if reply is None), len(callbacks)))
        for request, reply in calls:
            log("  call %s -> %s" % (request[:120], reply))
        for text in callbacks:
            log("  program called %s" % text[:160])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True, help="the run folder with CourseShell.exe and the demo")
    parser.add_argument("--standin", required=True, help="standin.dll to register in this prefix")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    parser.add_argument("--tour", action="store_true", help="the movie runs its tour; answer its cues")
    parser.add_argument("--shot-after", type=float, default=0,
                        help="without a tour: screenshot after this many seconds, then end the program")
    parser.add_argument("--timeout", type=float, default=240)
    args = parser.parse_args()

    demo = Demo(args)
    demo.start()
    status = None
    try:
        if args.tour:
            try:
                demo.tour()
            except harness.HarnessError as e:
                demo.problems.append(str(e).splitlines()[0])
            status = demo.wait_exit(max(1.0, args.timeout - (time.monotonic() - demo.started)))
            if status is None:
                demo.problems.append("the program did not end within %.0f s" % args.timeout)
            elif status != EXITPROGRAM_STATUS:
                demo.problems.append("exit status %s, expected %d (exitprogram)" % (status, EXITPROGRAM_STATUS))
        elif args.shot_after > 0:
            if demo.wait_exit(args.shot_after) is None:
                demo.shot("main.png", demo.main_window())
            else:
                demo.shot("main.png")
        else:
            status = demo.wait_exit(None)
    finally:
        if demo.proc.poll() is None:
            demo.proc.kill()
            demo.proc.wait(10)
    demo.check_logs()
    demo.summary()
    log("program ended with status %s after %.1f s" % (status, time.monotonic() - demo.started))
    for problem in demo.problems:
        log("PROBLEM: " + problem)
    if demo.taken:
        log("screenshots: " + ", ".join(str(p) for p in demo.taken))
    return 1 if demo.problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Start-up benchmark: process start to main window shown, under Wine on the same bench and in
turn: a minimal Win32 window program, a minimal ActiveX container that embeds the stand-in player
twice as CourseShell does (main.swf visible, version.swf in a hidden 192 x 192 probe), and
CourseShell.exe, all three with the same courseware folder.

    tools/winebench/bench.sh python3 tools/bench/startup.py build/win/app/CourseShell.exe \
        build/win/tools/standin/standin.dll build/win/tools/bench/minimal_window.exe [runs]

minimal_container.exe is taken from beside minimal_window.exe. Where the time goes inside
CourseShell: `git apply tools/bench/startmarks.patch`, rebuild, and run with COURSESHELL_MARKS
naming a file; each start appends one line per step (microseconds since process creation).
"""

import os
import pathlib
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tests" / "e2e"))
os.environ.setdefault("COURSESHELL_EXE", sys.argv[1])
os.environ.setdefault("STANDIN_DLL", sys.argv[2])
import harness  # noqa: E402


def visible_window(title):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    return bool(out.strip())


def time_to_window(exe, title, cwd):
    started = time.monotonic()
    proc = subprocess.Popen([harness.WINE, harness.winepath(exe)], cwd=cwd,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while not visible_window(title):
            if time.monotonic() - started > 30:
                raise RuntimeError("no window from %s" % exe)
            time.sleep(0.005)
        return time.monotonic() - started
    finally:
        # Only the program ends; the Wine server stays up, so each run measures the program's own
        # start and not Wine's.
        harness._kill(proc.pid)
        proc.wait(10)
        time.sleep(0.5)


def main():
    minimal = pathlib.Path(sys.argv[3])
    container = minimal.with_name("minimal_container.exe")
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 7
    harness.register_standin()
    subprocess.run(["wineserver", "-p"])
    cw = harness.Courseware(main="wait 600000\n")
    try:
        shell, plain, hosted = [], [], []
        for _ in range(runs):
            plain.append(time_to_window(minimal, "MinimalWindow", str(cw.dir)))
            hosted.append(time_to_window(container, "MinimalContainer", str(cw.dir)))
            shell.append(time_to_window(cw.exe, "Courseshell", str(cw.dir)))

        def show(label, values):
            print("%-18s: median %.0f ms  (%s)" % (label, 1000 * statistics.median(values),
                                                  " ".join("%.0f" % (1000 * v) for v in values)))

        print("measured: the %s" % harness.describe_build(cw.exe))
        show("minimal window", plain)
        show("minimal container", hosted)
        show("CourseShell", shell)
        print("ratio CourseShell / minimal container: %.2f" %
              (statistics.median(shell) / statistics.median(hosted)))
        print("ratio CourseShell / minimal window: %.2f" %
              (statistics.median(shell) / statistics.median(plain)))
    finally:
        cw.close()


if __name__ == "__main__":
    main()

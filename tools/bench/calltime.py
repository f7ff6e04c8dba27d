#!/usr/bin/env python3
"""Movie-side round trip of "loadfile": the stand-in player times each FlashCall it raises
(STANDIN_CALLTIME) while the movie reads a one-line file many times; CourseShell.exe against the
minimal ActiveX container (tools/bench/minimal_container.cpp), which answers the same call with the
first line of the same file. Same bench, same courseware folder, the two in turn.

    tools/winebench/bench.sh python3 tools/bench/calltime.py build/win/app/CourseShell.exe \\
        build/win/tools/standin/standin.dll build/win/tools/bench/minimal_container.exe \\
        [calls] [rounds]
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
os.environ["STANDIN_CALLTIME"] = "1"
import harness  # noqa: E402

WORDS = "lesson1/words.txt"


def movie(calls):
    # The version check and the update check have run by the time the calls start.
    lines = ["wait 2500", "log calls-start"]
    lines += ["call loadfile %s" % WORDS] * calls
    lines += ["log calls-done", "wait 600000"]
    return "\n".join(lines) + "\n"


def round_trips(exe, cw, calls):
    log = cw.log_path()
    if log.exists():
        log.unlink()
    proc = subprocess.Popen([harness.WINE, harness.winepath(exe)], cwd=str(cw.dir),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        harness.wait_for_log(log, "^log calls-done", timeout=60 + calls / 100, proc=proc)
    finally:
        harness._kill(proc.pid)
        proc.wait(10)
        time.sleep(0.5)
    entries = harness.MovieLog.read(log)
    replies = [call for call in entries.flashcalls() if "loadfile" in call[0]]
    if not replies or replies[0][1] != "<string>\u4f60\u597d lesson one</string>":
        raise harness.HarnessError("%s answered %r" % (exe, replies[:1]))
    return [int(line.text) for line in entries.events("calltime")]


def summary(label, times):
    times = sorted(times)
    p99 = times[min(len(times) - 1, int(len(times) * 0.99))]
    print("%-18s: %d calls, median %d us, mean %.0f us, p99 %d us" % (
        label, len(times), statistics.median(times), statistics.mean(times), p99))
    return statistics.median(times)


def main():
    container = pathlib.Path(sys.argv[3])
    calls = int(sys.argv[4]) if len(sys.argv) > 4 else 2000
    rounds = int(sys.argv[5]) if len(sys.argv) > 5 else 3
    harness.register_standin()
    subprocess.run(["wineserver", "-p"])
    cw = harness.Courseware(main=movie(calls))
    cw.write(WORDS, "\u4f60\u597d lesson one\r\nsecond line\r\n", encoding=harness.ansi_encoding())
    try:
        shell, hosted = [], []
        for _ in range(rounds):
            hosted += round_trips(container, cw, calls)
            shell += round_trips(cw.exe, cw, calls)
        print("measured: the %s" % harness.describe_build(cw.exe))
        c = summary("minimal container", hosted)
        s = summary("CourseShell", shell)
        print("ratio of medians CourseShell / minimal container: %.2f" % (s / c))
    finally:
        cw.close()


if __name__ == "__main__":
    main()

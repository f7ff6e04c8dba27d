#!/usr/bin/env python3
"""Soak: one run of CourseShell under Wine with the stand-in player that makes 100 000 external
calls (loadfile, savefile, fileexists, loadreg, savereg mixed), then opens and closes the resource
picker and the resource manager 200 times each. Prints the process's handle count, GDI and USER
object counts and private bytes at the start, after the calls and at the end, and the median and
99th-percentile call time of the first and the last calls. A benchmark: it reports, never fails
on a figure.

    tools/winebench/bench.sh python3 tests/bench/soak.py build/win [calls] [cycles]
"""

import os
import pathlib
import statistics
import subprocess
import sys
import time

BUILD = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else os.environ.get("WINE_BUILD", "build/win")).resolve()
CALLS = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
CYCLES = int(sys.argv[3]) if len(sys.argv) > 3 else 200
SAMPLE = 5000  # calls taken as "the start" and "the end"

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))
os.environ.setdefault("COURSESHELL_EXE", str(BUILD / "app" / "CourseShell.exe"))
os.environ.setdefault("STANDIN_DLL", str(BUILD / "tools" / "standin" / "standin.dll"))
os.environ["STANDIN_CALLTIME"] = "1"
import harness  # noqa: E402

PROCSTAT = BUILD / "tools" / "procstat" / "procstat.exe"
PICKER = "\u9009\u62e9\u8d44\u6e90"        # 选择资源
MANAGER = "\u6559\u5b66\u8d44\u6e90\u7ba1\u7406"  # 教学资源管理
KINDS = ["call loadfile lesson1/words.txt", "call savefile soak/saved.txt|soak text %d",
         "call fileexists lesson1/words.txt", "call loadreg soakvalue",
         "call savereg soakvalue|value %d"]


def private_bytes():
    """Private memory of the program's Linux process (Wine answers 0 for another process's
    private bytes): its private resident pages plus what of them is swapped out."""
    for pid, cmd in harness._prefix_processes().items():
        if "CourseShell.exe" in cmd:
            fields = {}
            for line in pathlib.Path("/proc/%d/smaps_rollup" % pid).read_text().splitlines():
                name, _, value = line.partition(":")
                if value.strip().endswith("kB"):
                    fields[name] = int(value.split()[0]) * 1024
            return fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0) + fields.get(
                "Swap", 0)
    return None


def figures():
    out = subprocess.run([harness.WINE, harness.winepath(PROCSTAT), "CourseShell.exe"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout
    line = out.decode("utf-8", "replace").strip()
    found = dict(field.split("=", 1) for field in line.split()) if line else {}
    if found.get("private") in (None, "0"):
        found["private"] = "%s (Linux)" % private_bytes()
    return found


def movie():
    lines = ["call getunique", "log soak-ready", "wait 5000"]
    for i in range(CALLS):
        step = KINDS[i % len(KINDS)]
        lines.append(step % i if "%d" in step else step)
    lines += ["log calls-done", "wait 5000"]
    for i in range(CYCLES):
        lines += ["fscommand selectresource lesson1/@@@onPicked", "log picker-closed %d" % i,
                  "fscommand otherresource lesson1/", "log manager-closed %d" % i]
    lines += ["log cycles-done", "wait 5000", "fscommand exitprogram"]
    return "\n".join(lines) + "\n"


class LogTail:
    """Waits for lines of a log that grows by tens of megabytes, reading only what is new."""

    def __init__(self, path, session):
        self.path, self.session = path, session
        self.offset, self.pending = 0, b""

    def wait(self, line, timeout, poll=0.2):
        wanted = (" %s\n" % line).encode("utf-8")
        deadline = time.monotonic() + timeout
        while True:
            if self.path.exists():
                with open(self.path, "rb") as f:
                    f.seek(self.offset)
                    data = f.read()
                self.offset += len(data)
                self.pending += data
                at = self.pending.find(wanted)
                if at >= 0:
                    self.pending = self.pending[at + len(wanted):]
                    return
                self.pending = self.pending[-len(wanted):]
            if not self.session.running() or time.monotonic() > deadline:
                raise harness.HarnessError("no %r in %s" % (line, self.path))
            time.sleep(poll)


def close_window(tail, title, marker):
    window = harness.find_window(title, timeout=30)
    if window is None:
        raise harness.HarnessError("no %s window; windows: %r" % (title, harness.windows()))
    harness.press("alt+F4", window)
    tail.wait("log " + marker, timeout=30, poll=0.05)


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def main():
    harness.require_bench()
    harness.register_standin()
    harness.reg_delete("HKLM\\Software\\tallowbrook")
    cw = harness.Courseware(main=movie(), files={
        "lesson1/words.txt": "first line\r\nsecond\r\n", "lesson1/resource/notes.txt": "n",
        "resources/a.doc": "doc", "resources/\u97f3\u4e50/song.mp3": "mp3"})
    samples = {}
    marks = {}

    def during(s):
        # The figures are read while the movie waits five seconds after each phase.
        tail = LogTail(cw.log_path("main.swf"), s)
        tail.wait("log soak-ready", timeout=60)
        samples["start"] = figures()
        tail.wait("log calls-done", timeout=3600, poll=2)
        marks["calls ended"] = time.monotonic()
        samples["after the calls"] = figures()
        for i in range(CYCLES):
            close_window(tail, PICKER, "picker-closed %d" % i)
            close_window(tail, MANAGER, "manager-closed %d" % i)
            if i == 0:
                samples["after the first cycle"] = figures()
        marks["cycles ended"] = time.monotonic()
        tail.wait("log cycles-done", timeout=60)
        samples["end"] = figures()

    try:
        result = harness.run(cw, during=during, timeout=7200)
        times = [int(line.text) for line in result.main.events("calltime")]
        print("measured: the %s" % harness.describe_build(cw.exe))
        print("soak: %d external calls, %d picker and manager cycles, exit status %s" % (
            len(times), CYCLES, result.status))
        calls_ms = [line.ms for line in result.main.events("log")
                    if line.text in ("soak-ready", "calls-done")]
        print("calls took %.0f s, cycles %.0f s" % (
            (calls_ms[1] - calls_ms[0]) / 1000.0 - 5, marks["cycles ended"] - marks["calls ended"]))
        for name in ("start", "after the calls", "after the first cycle", "end"):
            f = samples.get(name, {})
            print("%-22s handles %-5s GDI %-5s USER %-4s windows %-4s private bytes %s" % (
                name, f.get("handles"), f.get("gdi"), f.get("user"), f.get("windows"),
                f.get("private")))
        calls = times[1:]  # the first is getunique
        sample = min(SAMPLE, len(calls) // 2)
        for name, part in (("first %d calls" % sample, calls[:sample]),
                           ("last %d calls" % sample, calls[-sample:])):
            print("%-17s median %4d us  99th percentile %5d us" % (
                name, statistics.median(part), percentile(part, 0.99)))
        kinds = {}
        for i, t in enumerate(calls):
            kinds.setdefault(KINDS[i % len(KINDS)].split()[1], []).append(t)
        for kind, values in kinds.items():
            print("  %-10s median %4d us  99th percentile %5d us" % (
                kind, statistics.median(values), percentile(values, 0.99)))
        replies = [reply for _, reply in result.main.flashcalls()]
        print("replies: %d, none missing: %s" % (len(replies), None not in replies))
    finally:
        harness.reg_delete("HKLM\\Software\\tallowbrook")
        cw.close()


if __name__ == "__main__":
    main()

"""Benchmark, not a test: a 100 MB installer download by the program under Wine against a minimal
libcurl program on the same bench and server, first with everything pinned to one CPU (as
`taskset -c 0` would: the Wine server, the programs and the display), then unpinned. Prints
throughput and peak memory of both, side by side; never fails on time. Run inside
tools/winebench/bench.sh with the variables of the e2e_update test and UPDATE_CURLBENCH naming
update_curlbench.exe; BENCH_ROUNDS (default 3) sets the repetitions per setting.

On the bench's bare display (no window manager) Wine waits about 2 s whenever a shown window is
hidden, which the progress dialog does when the download is complete; a desktop has a window
manager and no such wait. The bench's prefix therefore has Wine manage no windows (Managed=N),
so the figures are the download's, not that wait's."""

import os
import random
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from harness import Courseware, run  # noqa: E402
from updateserver import Reply, UpdateServer  # noqa: E402
import test_update  # noqa: E402
from test_update import MemoryWatch  # noqa: E402

SIZE = 100 * 1024 * 1024
MB = 1024 * 1024


def sent_seconds(server, request):
    first, last, _ = server.sent[request.target]
    return last - request.time


def wait_complete(find, size, proc, timeout=120):
    """The moment the file that find() returns has reached `size` bytes (the download is saved)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        path = find()
        try:
            if path is not None and path.stat().st_size >= size:
                return time.monotonic()
        except OSError:
            pass
        if proc.poll() is not None:
            break
        time.sleep(0.005)
    raise harness.HarnessError("the download did not reach %d bytes" % size)


class SavedInstaller:
    """Where the program saves the installer: it gets its name only once it is complete. The
    folder is looked for until it appears, then only the file is looked at, so that the search
    takes no time from the program on a shared CPU. (Builds from before 2026-12 saved it beside
    the program, in one piece at the end.)"""

    def __init__(self, cw):
        self.cw = cw
        self.folder = None

    def __call__(self):
        if self.folder is None:
            folders = test_update.installer_folders()
            if folders:
                self.folder = folders.pop()
            elif self.cw.path("setup.exe").exists():
                return self.cw.path("setup.exe")
            else:
                return None
        return self.folder / "setup.exe"


def program_round(body):
    with UpdateServer(test_update.port()) as server:
        server.route(test_update.CHECK_TARGET_RX, Reply(b"2.0@@@/files/setup.exe"))
        server.route("/files/setup.exe", Reply(body))
        cw = Courseware(main="wait 120000\nfscommand exitprogram\n", exe=os.environ["UPDATE_EXE"])
        seen = {}

        def during(s):
            seen["watch"] = MemoryWatch(s.proc.pid)
            test_update.answer_question(s, "Return", timeout=30)
            seen["installer"] = SavedInstaller(cw)
            seen["exit"] = wait_complete(seen["installer"], len(body), s.proc)
            s.proc.wait(120)

        result = run(cw, during=during, timeout=150)
        watch = seen["watch"]
        watch.join()
        request = server.requests[1]
        installer = seen["installer"]()
        saved = installer.stat().st_size if installer and installer.exists() else 0
        for folder in test_update.installer_folders():
            subprocess.run(["rm", "-rf", str(folder)])
        cw.close()
        if result.status != 0 or saved != len(body):
            raise harness.HarnessError("program round failed: %r, saved %d" % (result, saved))
        return (seen["exit"] - request.time, watch.peak_kib, watch.rss_before(request.time),
                sent_seconds(server, request))


def reference_round(body):
    exe = os.environ["UPDATE_CURLBENCH"]
    with UpdateServer(test_update.port()) as server:
        server.route("/files/setup.exe", Reply(body))
        cw = Courseware(main=None, version=None, copy_exe=False)
        out = cw.path("setup.exe")
        proc = subprocess.Popen([harness.WINE, harness.winepath(exe), test_update.base_url() +
                                 "/files/setup.exe", harness.winepath(out)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        watch = MemoryWatch(proc.pid)
        ended = wait_complete(lambda: out, len(body), proc)
        proc.wait(120)
        watch.join()
        request = server.requests[0]
        saved = out.stat().st_size
        cw.close()
        if proc.returncode != 0 or saved != len(body):
            raise harness.HarnessError("reference round failed: %d, saved %d" % (proc.returncode, saved))
        return (ended - request.time, watch.peak_kib, watch.rss_before(request.time),
                sent_seconds(server, request))


def display_server():
    """The pid of the Xvfb that serves $DISPLAY."""
    display = os.environ["DISPLAY"]
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if args and args[0].endswith(b"Xvfb") and display.encode() in args:
            return int(entry)
    return None


def pin(cpus):
    """Runs everything from here on on `cpus`: this process and what it starts, a new Wine
    server with its services, and the display."""
    harness.kill_all_wine()
    subprocess.run(["wineserver", "-w"], timeout=60)
    os.sched_setaffinity(0, cpus)
    xvfb = display_server()
    if xvfb:
        os.sched_setaffinity(xvfb, cpus)
    harness.require_bench()
    harness.register_standin()


def measure(body, rounds, label):
    program, reference = [], []
    for i in range(rounds):
        reference.append(reference_round(body))
        program.append(program_round(body))
        print("%s round %d: program %.2f s (last byte sent at %.2f s), peak %d MiB (before %s MiB); "
              "libcurl %.2f s (last byte sent at %.2f s), peak %d MiB" % (
                  label, i + 1, program[-1][0], program[-1][3], program[-1][1] // 1024,
                  program[-1][2] and program[-1][2] // 1024, reference[-1][0], reference[-1][3],
                  reference[-1][1] // 1024), flush=True)
    p_time = statistics.median(r[0] for r in program)
    r_time = statistics.median(r[0] for r in reference)
    # Each round's two downloads run back to back, so their ratio is the least disturbed by
    # what else the machine does meanwhile.
    ratio = statistics.median(r[0] / p[0] for p, r in zip(program, reference))
    growth = max((r[1] - r[2]) / 1024 for r in program if r[2])
    r_peak = max(r[1] for r in reference) / 1024
    return p_time, r_time, ratio, growth, r_peak


def main():
    if harness.bench_missing():
        print(harness.bench_missing())
        return 77
    harness.require_bench()
    harness._run([harness.WINE, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed",
                  "/t", "REG_SZ", "/d", "N", "/f"])
    body = random.Random(7).randbytes(SIZE)
    rounds = int(os.environ.get("BENCH_ROUNDS", "3"))
    everything = os.sched_getaffinity(0)
    results = {}
    for label, cpus in (("pinned", {min(everything)}), ("unpinned", everything)):
        pin(cpus)
        results[label] = measure(body, rounds, label)
    print("measured: the %s" % harness.describe_build(os.environ["UPDATE_EXE"]))
    print("download of %d MiB from loopback, median of %d rounds each, time from the request's "
          "arrival to the complete file on disk:" % (SIZE // MB, rounds))
    for label, (p_time, r_time, ratio, growth, r_peak) in results.items():
        print("  %-8s program %.2f s = %.1f MiB/s, libcurl %.2f s = %.1f MiB/s; throughput "
              "program/libcurl: %.2f of the medians, %.2f the median of the rounds' (goal >= 0.9); "
              "program memory growth %.0f MiB (goal <= 16), libcurl program peak %.0f MiB" % (
                  label + ":", p_time, SIZE / MB / p_time, r_time, SIZE / MB / r_time,
                  r_time / p_time, ratio, growth, r_peak))
    return 0


if __name__ == "__main__":
    sys.exit(main())

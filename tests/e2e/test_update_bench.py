"""Benchmark, not a test: a 100 MB installer download by the program under Wine against a minimal
libcurl program on the same bench and server. Prints throughput and peak memory; never fails on
time. Run inside tools/winebench/bench.sh with the variables of the e2e_update test and
UPDATE_CURLBENCH naming update_curlbench.exe; BENCH_ROUNDS (default 3) sets the repetitions."""

import os
import random
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from harness import Courseware, run  # noqa: E402
from updateserver import Reply, UpdateServer  # noqa: E402
import test_update  # noqa: E402

SIZE = 100 * 1024 * 1024
MB = 1024 * 1024


def kib(status, field):
    for line in status.splitlines():
        if line.startswith(field + ":"):
            return int(line.split()[1])
    return None


def sent_seconds(server, request):
    first, last, _ = server.sent[request.target]
    return last - request.time


def wait_complete(path, size, proc, timeout=120):
    """The moment the file at `path` has reached `size` bytes (the download is saved)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            if path.stat().st_size >= size:
                return time.monotonic()
        except OSError:
            pass
        if proc.poll() is not None:
            break
        time.sleep(0.005)
    raise harness.HarnessError("%s did not reach %d bytes" % (path, size))


class MemoryWatch:
    """Samples the peak resident size (VmHWM) and current size of a Linux process until it ends."""

    def __init__(self, pid):
        self.pid = pid
        self.peak_kib = 0
        self.samples = []
        self.ended_at = None
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    def _watch(self):
        while True:
            try:
                with open("/proc/%d/status" % self.pid) as f:
                    status = f.read()
            except OSError:
                break
            if "State:\tZ" in status:
                break
            hwm = kib(status, "VmHWM")
            rss = kib(status, "VmRSS")
            if hwm is None:
                break
            self.peak_kib = max(self.peak_kib, hwm)
            self.samples.append((time.monotonic(), rss))
            time.sleep(0.01)
        self.ended_at = time.monotonic()

    def rss_before(self, moment):
        before = [rss for t, rss in self.samples if t <= moment]
        return before[-1] if before else None

    def join(self):
        self._thread.join(30)


def program_round(body):
    with UpdateServer(test_update.port()) as server:
        server.route(test_update.CHECK_TARGET_RX, Reply(b"2.0@@@/files/setup.exe"))
        server.route("/files/setup.exe", Reply(body))
        cw = Courseware(main="wait 120000\nfscommand exitprogram\n", exe=os.environ["UPDATE_EXE"])
        seen = {}

        def during(s):
            seen["watch"] = MemoryWatch(s.proc.pid)
            test_update.answer_question(s, "Return", timeout=30)
            seen["exit"] = wait_complete(cw.path("setup.exe"), len(body), s.proc)
            s.proc.wait(120)

        result = run(cw, during=during, timeout=150)
        watch = seen["watch"]
        watch.join()
        request = server.requests[1]
        saved = cw.path("setup.exe").stat().st_size
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
        ended = wait_complete(out, len(body), proc)
        proc.wait(120)
        watch.join()
        request = server.requests[0]
        saved = out.stat().st_size
        cw.close()
        if proc.returncode != 0 or saved != len(body):
            raise harness.HarnessError("reference round failed: %d, saved %d" % (proc.returncode, saved))
        return (ended - request.time, watch.peak_kib, watch.rss_before(request.time),
                sent_seconds(server, request))


def main():
    if harness.bench_missing():
        print(harness.bench_missing())
        return 77
    harness.require_bench()
    harness.register_standin()
    body = random.Random(7).randbytes(SIZE)
    rounds = int(os.environ.get("BENCH_ROUNDS", "3"))
    program, reference = [], []
    for i in range(rounds):
        reference.append(reference_round(body))
        program.append(program_round(body))
        print("round %d: program %.2f s (last byte sent at %.2f s), peak %d MiB (before %s MiB); "
              "libcurl %.2f s (last byte sent at %.2f s), peak %d MiB" % (
                  i + 1, program[-1][0], program[-1][3], program[-1][1] // 1024,
                  program[-1][2] and program[-1][2] // 1024, reference[-1][0], reference[-1][3],
                  reference[-1][1] // 1024), flush=True)
    p_time = statistics.median(r[0] for r in program)
    r_time = statistics.median(r[0] for r in reference)
    p_peak = max(r[1] for r in program) / 1024
    p_before = statistics.median(r[2] for r in program if r[2]) / 1024
    r_peak = max(r[1] for r in reference) / 1024
    print("measured: the %s" % harness.describe_build(os.environ["UPDATE_EXE"]))
    print("download of %d MiB, median of %d rounds:" % (SIZE // MB, rounds))
    print("  (time from the request's arrival to the complete file on disk)")
    print("  program: %.2f s = %.1f MiB/s" % (p_time, SIZE / MB / p_time))
    print("  libcurl: %.2f s = %.1f MiB/s" % (r_time, SIZE / MB / r_time))
    print("  throughput ratio program/libcurl: %.2f (goal >= 0.9)" % (r_time / p_time))
    print("  program peak resident %.0f MiB, %.0f MiB before the download: growth %.0f MiB "
          "(goal <= body + 16 = %d MiB)" % (p_peak, p_before, p_peak - p_before, SIZE // MB + 16))
    print("  libcurl program peak resident %.0f MiB" % r_peak)
    return 0


if __name__ == "__main__":
    sys.exit(main())

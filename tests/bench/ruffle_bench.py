"""A figure, not a test: the movie's loadfile round trip through the browser player (Ruffle in
headless Chromium, AS2 movie timing itself with getTimer) against the same call through the
ActiveX host with the stand-in player, and the time from program start to the movie's first
call, both under Wine in one run. Run inside the bench with the e2e environment:

    tests/bench/ruffle_bench.sh build/win [calls]
"""

import pathlib
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "e2e"))
import harness  # noqa: E402
from browserharness import BrowserRun, courseware_with_ruffle, wait_for_file  # noqa: E402
from swfwriter import GET_TIME, LESS2, POP, SUBTRACT, Actions, movie  # noqa: E402

CALLS = int(sys.argv[1]) if len(sys.argv) > 1 else 200


class Cleanups:
    def __init__(self):
        self.items = []

    def addCleanup(self, f, *a):
        self.items.append((f, a))

    def close(self):
        for f, a in reversed(self.items):
            f(*a)


def browser_figures(owner):
    a = Actions()
    a.stop()
    a.ei_call("savefile", "first.txt", "x")
    a.op(POP)
    a.set_var("i", 0)
    a.set_var("t0", lambda: a.op(GET_TIME))
    a.label("loop")
    a.ei_call("loadfile", "a.txt")
    a.op(POP)
    a.set_var("i", lambda: a.concat(lambda: a.get_var("i"), 1))
    a.get_var("i").push(CALLS).op(LESS2).if_true("loop")
    a.set_var("t1", lambda: a.op(GET_TIME))
    a.ei_call("savefile", "bench.txt", lambda: (a.get_var("t1"), a.get_var("t0"), a.op(SUBTRACT)))
    a.op(POP)
    cw = courseware_with_ruffle(owner, movie(a), files={"a.txt": "line\r\n"})
    run = BrowserRun(cw)
    figures = {}

    def body(session, _run):
        wait_for_file(session, cw.path("first.txt"), timeout=120)
        figures["first"] = session.elapsed()
        figures["total_ms"] = float(wait_for_file(session, cw.path("bench.txt"), timeout=600).decode().strip())

    harness.run(cw, during=run.during(body), args=run.args(), timeout=900)
    figures["url"] = run.url_seen
    return figures


def activex_figures(owner):
    script = "call savefile first.txt|x\n" + "call loadfile a.txt\n" * CALLS + "call savefile done.txt|x\n"
    cw = harness.Courseware(main=script, files={"a.txt": "line\r\n"})
    owner.addCleanup(cw.close)
    figures = {}

    def during(session):
        wait_for_file(session, cw.path("first.txt"), timeout=120)
        figures["first"] = session.elapsed()
        wait_for_file(session, cw.path("done.txt"), timeout=600)
        calls = [line for line in session.log().events("flashcall") if "loadfile" in line.text]
        replies = session.log().events("reply")
        figures["total_ms"] = float(replies[-2].ms - calls[0].ms) if calls and len(replies) > 1 else float("nan")
        session.proc.kill()

    harness.run(cw, during=during, timeout=900)
    return figures


def main():
    harness.require_bench()
    harness.register_standin()
    owner = Cleanups()
    try:
        ax = activex_figures(owner)
        br = browser_figures(owner)
    finally:
        owner.close()
    ax_call = ax["total_ms"] / CALLS
    br_call = br["total_ms"] / CALLS
    print("measured: the %s" % harness.describe_build(harness.courseshell_exe()))
    print("loadfile round trip over %d calls:" % CALLS)
    print("  ActiveX host + stand-in: %.2f ms per call" % ax_call)
    print("  browser player (Ruffle, headless Chromium): %.2f ms per call" % br_call)
    print("  ratio browser / ActiveX: %.1f" % (br_call / ax_call if ax_call else float("nan")))
    print("program start to the movie's first call:")
    print("  ActiveX host + stand-in: %.1f s" % ax["first"])
    print("  browser player: %.1f s (URL written after %.1f s; the browser starts then)" % (br["first"], br["url"]))


if __name__ == "__main__":
    main()

"""The update check and download: the test variant of the program (its update server is a local
address) under Wine with the stand-in player, against the project's own test server."""

import os
import pathlib
import random
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from harness import Courseware, run  # noqa: E402
from updateserver import Reply, UpdateServer  # noqa: E402

QUESTION_CAPTION = "确认"
FAILURE_CAPTION = "自动下载失败，请使用下列地址手动下载"
PROGRESS_CAPTION = "进度"
CHECK_TARGET_RX = re.compile(r"^/index\.php/index/soft_update/[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-"
                             r"[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}/1\.0/$")
# The movie keeps the program busy for a while, then ends it (exit code 259), unless the program
# quits by itself first (exit code 0, after starting an installer).
IDLE_MOVIE = "wait 15000\nfscommand exitprogram\n"
EXIT_PROGRAM = 259 & 0xFF


def base_url():
    url = os.environ.get("UPDATE_URL", "")
    if not re.match(r"^http://127\.0\.0\.1:\d+$", url):
        raise harness.HarnessError("UPDATE_URL must be http://127.0.0.1:port, not %r" % url)
    return url


def port():
    return int(base_url().rsplit(":", 1)[1])


def expected_request(target, host=None):
    return ("GET %s HTTP/1.1\r\nHost: %s\r\nAccept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n" % (
                target, host or "127.0.0.1:%d" % port())).encode("latin-1")


def dialog_controls(caption):
    """[(class, text, selection or None)] of the visible window with this caption, or None."""
    proc = harness._run(["wine", harness.winepath(os.environ["UPDATE_DIALOGTEXT"]), caption],
                        check=False, timeout=30)
    if proc.returncode != 0:
        return None
    controls = []
    for line in proc.stdout.decode("utf-8", "replace").splitlines():
        fields = line.split("\t")
        if fields[0] == "window":
            continue
        sel = fields[2][4:] if len(fields) > 2 and fields[2].startswith("sel=") else None
        controls.append((fields[0], fields[1] if len(fields) > 1 else "", sel))
    return controls


def installer_bytes():
    return pathlib.Path(os.environ["UPDATE_INSTALLER"]).read_bytes()


class UpdateTestBase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.require_bench()
        harness.register_standin()
        base_url()

    def setUp(self):
        self.server = UpdateServer(port())
        self.addCleanup(self.server.stop)

    def check_reply(self, reply):
        """Answers the check request (whatever the product identifier) with `reply`."""
        return self.server.route(CHECK_TARGET_RX, reply)

    def courseware(self, main=IDLE_MOVIE, **kw):
        cw = Courseware(main=main, exe=os.environ["UPDATE_EXE"], **kw)
        self.addCleanup(cw.close)
        return cw

    def assert_check_request(self, request):
        self.assertRegex(request.target, CHECK_TARGET_RX)
        self.assertEqual(expected_request(request.target), request.raw)

    def files(self, cw):
        return sorted(p.name for p in cw.path().iterdir())


def answer_question(session, key, timeout=20):
    window = session.find_window(QUESTION_CAPTION, timeout=timeout)
    if window is None:
        raise harness.HarnessError("no question window; windows: %r" % harness.windows())
    session.press(key, window)
    return window


def wait_window_gone(session, caption, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if session.find_window(caption) is None:
            return True
        time.sleep(0.1)
    return False


class CheckTest(UpdateTestBase):
    def test_newest_reply_ends_the_check_without_a_question(self):
        self.check_reply(Reply(b"newest")).start()
        cw = self.courseware(main="wait 6000\nfscommand exitprogram\n")
        seen = {}

        def during(s):
            self.server.wait_requests(1)
            time.sleep(2.5)
            seen["question"] = s.find_window(QUESTION_CAPTION)

        result = run(cw, during=during, timeout=40)
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertIsNone(seen["question"])
        self.assertEqual(b"newest", cw.read("result.txt"))
        self.assertEqual(1, len(self.server.requests))
        self.assert_check_request(self.server.requests[0])

    def test_newest_with_line_break_asks_and_no_ends_the_check(self):
        self.check_reply(Reply(b"newest\r\n")).start()
        cw = self.courseware(main="wait 9000\nfscommand exitprogram\n")
        seen = {}

        def during(s):
            answer_question(s, "Escape")
            seen["gone"] = wait_window_gone(s, QUESTION_CAPTION)
            time.sleep(3)

        result = run(cw, during=during, timeout=40)
        self.assertEqual(EXIT_PROGRAM, result.status, "the program runs on after No")
        self.assertTrue(seen["gone"])
        self.assertEqual(b"newest\r\n", cw.read("result.txt"))
        # No download, and the check does not come back in this run.
        self.assertEqual(1, len(self.server.requests), self.server.requests)

    def test_failed_check_is_silent_and_keeps_the_old_result(self):
        cases = {
            "404": Reply(b"missing", status=404),
            "302": Reply(b"", status=302, headers=["Location: /elsewhere"]),
            "200 with Location": Reply(b"2.0@@@/files/setup.exe", headers=["Location: /x"]),
            "truncated": Reply(b"2.0@@@/files/setup.exe", truncate=5),
            "dropped": Reply(drop=True),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                server = UpdateServer(port())
                self.server = server
                self.check_reply(reply).start()
                try:
                    cw = self.courseware(main="wait 5000\nfscommand exitprogram\n",
                                         files={"result.txt": b"old"})
                    seen = {}

                    def during(s):
                        server.wait_requests(1)
                        time.sleep(2)
                        seen["windows"] = [w["title"] for w in harness.windows()]

                    result = run(cw, during=during, timeout=40)
                finally:
                    server.stop()
                self.assertEqual(EXIT_PROGRAM, result.status)
                self.assertEqual(b"old", cw.read("result.txt"))
                self.assertNotIn(QUESTION_CAPTION, seen["windows"])
                self.assertNotIn(FAILURE_CAPTION, seen["windows"])
                self.assertEqual(1, len(server.requests))
                self.assert_check_request(server.requests[0])

    def test_refused_connection_is_silent(self):
        # No server listens on the port.
        cw = self.courseware(main="wait 5000\nfscommand exitprogram\n")
        seen = {}

        def during(s):
            time.sleep(4)
            seen["windows"] = [w["title"] for w in harness.windows()]

        result = run(cw, during=during, timeout=40)
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertFalse(cw.path("result.txt").exists())
        self.assertNotIn(QUESTION_CAPTION, seen["windows"])
        self.assertNotIn(FAILURE_CAPTION, seen["windows"])


if __name__ == "__main__":
    harness.main_or_skip()

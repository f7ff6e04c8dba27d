"""The update check and download: the test variant of the program (its update server is a local
address, and a silent download fails after 6 s instead of 60 s) under Wine with the stand-in
player, against the project's own test server. The signature tests make a throw-away CA and
publisher with openssl and sign copies of the program and the installers with osslsigncode."""

import os
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
from harness import Courseware, run  # noqa: E402
from updateserver import Pattern, Reply, UpdateServer  # noqa: E402

QUESTION_CAPTION = "确认"
FAILURE_CAPTION = "自动下载失败，请使用下列地址手动下载"
PROGRESS_CAPTION = "进度"
CHECK_TARGET_RX = re.compile(r"^/index\.php/index/soft_update/[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-"
                             r"[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}/1\.0/$")
# The movie keeps the program busy for a while, then ends it (exit code 259), unless the program
# quits by itself first (exit code 0, after starting an installer).
IDLE_MOVIE = "wait 15000\nfscommand exitprogram\n"
EXIT_PROGRAM = 259 & 0xFF
# The program directory after a check, whatever its download did: the installer never lands there.
NOTHING_SAVED = sorted(["CourseShell.exe", "main.swf", "main.swf.log", "result.txt", "version.swf",
                        "version.swf.log"])
# A signed program refuses any installer but its publisher's, with this and nothing else.
REFUSAL_CAPTION = "警告"
NOT_GENUINE = "升级程序未通过正版验证，已取消升级。"


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
    proc = harness._run([harness.WINE, harness.winepath(os.environ["UPDATE_DIALOGTEXT"]), caption],
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


def temp_dirs():
    """The prefix's temporary folders (the user's, where the installer goes, and Windows')."""
    prefix = pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c"
    return [d for d in [prefix / "windows" / "temp"] + list(prefix.glob("users/*/Temp")) +
            list(prefix.glob("users/*/AppData/Local/Temp")) if d.is_dir()]


def drive_c_path(path):
    """How a program in the prefix names a path under its drive_c: C:\\..."""
    relative = pathlib.Path(path).relative_to(pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c")
    return "C:\\" + str(relative).replace("/", "\\")


def installer_folders():
    """The folders the program made for installers in the temporary folders."""
    return {f for d in temp_dirs() for f in d.glob("CourseShell-*")}


def read_refusal(s, seen, timeout=20):
    """Reads the refusal's texts, then confirms it."""
    window = s.find_window(REFUSAL_CAPTION, timeout=timeout)
    seen["windows"] = [w["title"] for w in harness.windows()]
    if window is None:
        return
    seen["refusal"] = [c[1] for c in dialog_controls(REFUSAL_CAPTION) or []]
    s.press("Return", window)
    seen["closed"] = wait_window_gone(s, REFUSAL_CAPTION)
    time.sleep(1)
    seen["running"] = s.running()
    seen["windows after"] = [w["title"] for w in harness.windows()]


class MemoryWatch:
    """Samples the peak resident size (VmHWM) and current size of a Linux process until it ends."""

    def __init__(self, pid):
        self.pid = pid
        self.peak_kib = 0
        self.samples = []
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    @staticmethod
    def _kib(status, field):
        for line in status.splitlines():
            if line.startswith(field + ":"):
                return int(line.split()[1])
        return None

    def _watch(self):
        while True:
            try:
                with open("/proc/%d/status" % self.pid) as f:
                    status = f.read()
            except OSError:
                break
            if "State:\tZ" in status:
                break
            hwm = self._kib(status, "VmHWM")
            rss = self._kib(status, "VmRSS")
            if hwm is None:
                break
            self.peak_kib = max(self.peak_kib, hwm)
            self.samples.append((time.monotonic(), rss))
            time.sleep(0.01)

    def rss_before(self, moment):
        before = [rss for t, rss in self.samples if t <= moment]
        return before[-1] if before else None

    def join(self):
        self._thread.join(30)


class UpdateTestBase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.require_bench()
        harness.register_standin()
        base_url()

    def setUp(self):
        self.server = UpdateServer(port())
        self.addCleanup(self.server.stop)
        # A started installer stays where it was started; the next test must not find it.
        before = installer_folders()
        self.addCleanup(lambda: [shutil.rmtree(f, ignore_errors=True)
                                 for f in installer_folders() - before])

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



    def test_movie_calls_are_answered_while_the_check_waits(self):
        # The check's reply is held back five seconds; meanwhile the movie calls the host every
        # 100 ms (a name the bridge does not know: it gets no reply, but each call is logged).
        self.check_reply(Reply(b"newest", stall=5.0)).start()
        cw = self.courseware(main="every 100 80 call updateProbe\njoin\nfscommand exitprogram\n")
        result = run(cw, timeout=60)
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual(b"newest", cw.read("result.txt"))
        request = self.server.requests[0]
        first, last, _ = self.server.sent[request.target]
        self.assertGreaterEqual(last - request.time, 5.0)
        times = [line.ms for line in result.main.events("flashcall")]
        self.assertEqual(80, len(times), result.main)
        gaps = [b - a for a, b in zip(times, times[1:])]
        print("call gaps: max %d ms, mean %.0f ms" % (max(gaps), sum(gaps) / len(gaps)))
        self.assertLessEqual(max(gaps), 300, gaps)


class DownloadTestBase(UpdateTestBase):
    """Offers an update, answers Yes, and lets the download run against the test server."""

    def offer(self, reply_text, routes=(), main=IDLE_MOVIE, during=None, timeout=60, files=None):
        self.check_reply(Reply(reply_text))
        for target, reply in routes:
            self.server.route(target, reply)
        self.server.start()
        cw = self.courseware(main=main, files=files)
        seen = {}

        def steps(s):
            answer_question(s, "Return")
            if during is not None:
                during(s, seen)

        result = run(cw, during=steps, timeout=timeout)
        return cw, result, seen

    def assert_requests(self, *download_targets):
        requests = self.server.requests
        self.assertEqual(1 + len(download_targets), len(requests), requests)
        self.assert_check_request(requests[0])
        for request, target in zip(requests[1:], download_targets):
            self.assertEqual(expected_request(target), request.raw)

    def assert_started(self, cw, result, name, body=None):
        """The installer was saved in a new folder of its own under the user's temporary folder,
        byte for byte, and started from there; nothing of it is in the program folder. The folder
        is removed afterwards."""
        self.assertEqual(0, result.status, "the program quits after starting the installer")
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        folders = [f for f in installer_folders() if (f / name).exists()]
        self.assertEqual(1, len(folders), installer_folders())
        folder = folders[0]
        self.assertEqual("Temp", folder.parent.name)
        self.assertEqual(sorted([name, "installer-started.txt"]),
                         sorted(p.name for p in folder.iterdir()))
        self.assertEqual(body if body is not None else installer_bytes(),
                         (folder / name).read_bytes())
        note = (folder / "installer-started.txt").read_bytes().decode("gbk")
        self.assertIn("exe=" + drive_c_path(folder / name), note)
        self.assertIn("show=1", note)
        shutil.rmtree(folder)
        return note


def read_failure_dialog(s, seen, timeout=20):
    """Reads the failure dialog's field, then confirms it."""
    window = s.find_window(FAILURE_CAPTION, timeout=timeout)
    seen["windows"] = [w["title"] for w in harness.windows()]
    if window is None:
        return
    seen["controls"] = dialog_controls(FAILURE_CAPTION)
    s.press("Return", window)
    seen["closed"] = wait_window_gone(s, FAILURE_CAPTION)
    time.sleep(1)
    seen["running"] = s.running()


class DownloadTest(DownloadTestBase):
    def test_installer_is_saved_byte_for_byte_and_started(self):
        body = installer_bytes()
        cw, result, _ = self.offer(b"2.0@@@/files/setup.exe",
                                   [("/files/setup.exe", Reply(body))])
        self.assert_started(cw, result, "setup.exe")
        self.assert_requests("/files/setup.exe")
        self.assertEqual(b"2.0@@@/files/setup.exe", cw.read("result.txt"))

    def test_space_goes_out_as_percent_20_and_the_name_is_the_last_word(self):
        cw, result, _ = self.offer(b"v@@@/files/my setup.exe",
                                   [("/files/my%20setup.exe", Reply(installer_bytes()))])
        self.assert_started(cw, result, "setup.exe")
        self.assert_requests("/files/my%20setup.exe")

    def test_second_marker_and_dot_segments_stay_in_the_path(self):
        for reply, target, name in [
                (b"1@@@/a@@@b.exe", "/a@@@b.exe", "a@@@b.exe"),
                (b"1@@@/a/../b/./setup.exe", "/a/../b/./setup.exe", "setup.exe")]:
            with self.subTest(target):
                self.server = UpdateServer(port())
                try:
                    cw, result, _ = self.offer(reply, [(target, Reply(installer_bytes()))])
                finally:
                    self.server.stop()
                self.assert_started(cw, result, name)
                self.assert_requests(target)

    def test_long_path_is_cut_at_999_characters(self):
        # Cut right after the name; what follows would make it no installer's name.
        path = "/" + "d" * 988 + "/setup.exe" + "x" * 199
        target = path[:999]
        self.assertTrue(target.endswith("/setup.exe"))
        cw, result, _ = self.offer(b"2.0@@@" + path.encode(), [(target, Reply(installer_bytes()))])
        self.assert_started(cw, result, "setup.exe")
        self.assert_requests(target)

    def test_unknown_length_shows_moving_progress_until_the_body_is_complete(self):
        body = installer_bytes()
        cases = {
            "chunked": Reply(body, mode="chunked", chunk=8192, stall_after=(8192, 3.0)),
            "close": Reply(body, mode="close", chunk=8192, stall_after=(8192, 3.0)),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                self.server = UpdateServer(port())

                def during(s, seen):
                    seen["progress"] = s.find_window(PROGRESS_CAPTION, timeout=10)
                    time.sleep(1.5)
                    # The first block has long arrived; the dialog neither closed nor cancelled.
                    seen["progress later"] = s.find_window(PROGRESS_CAPTION)
                    seen["failure"] = s.find_window(FAILURE_CAPTION)

                try:
                    cw, result, seen = self.offer(b"@@@/files/setup.exe",
                                                  [("/files/setup.exe", reply)], during=during)
                finally:
                    self.server.stop()
                self.assertIsNotNone(seen["progress"])
                self.assertIsNotNone(seen["progress later"])
                self.assertIsNone(seen["failure"])
                self.assert_started(cw, result, "setup.exe")

    def test_cancel_stops_the_download_and_the_program_runs_on(self):
        body = installer_bytes()
        # Without the cancel the rest would arrive after the pause and be saved and started.
        reply = Reply(body, chunk=4096, stall_after=(4096, 4.0))

        def during(s, seen):
            window = s.find_window(PROGRESS_CAPTION, timeout=10)
            seen["progress"] = window
            if window is None:
                return
            s.press("Escape", window)
            seen["gone"] = wait_window_gone(s, PROGRESS_CAPTION)
            time.sleep(2)
            seen["windows"] = [w["title"] for w in harness.windows()]
            seen["running"] = s.running()

        cw, result, seen = self.offer(b"@@@/files/setup.exe", [("/files/setup.exe", reply)],
                                      during=during)
        self.assertIsNotNone(seen["progress"])
        self.assertTrue(seen["gone"])
        self.assertTrue(seen["running"])
        self.assertNotIn(FAILURE_CAPTION, seen["windows"])
        self.assertEqual(EXIT_PROGRAM, result.status, "the movie ends the program, not the download")
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        self.assertEqual(set(), installer_folders(), "nothing of a cancelled download is left")
        self.assert_requests("/files/setup.exe")


class FailedDownloadTest(DownloadTestBase):
    def expect_failure(self, reply_text, routes, url, requested):
        cw, result, seen = self.offer(reply_text, routes, during=read_failure_dialog)
        self.assertIn("controls", seen, "no failure dialog; windows: %r" % seen.get("windows"))
        edits = [c for c in seen["controls"] if c[0].lower() == "edit"]
        labels = [c[1] for c in seen["controls"] if c[0].lower() == "static"]
        self.assertEqual(1, len(edits), seen["controls"])
        self.assertEqual(url, edits[0][1])
        self.assertEqual("0,%d" % len(url), edits[0][2], "the whole address is selected")
        self.assertIn("升级文件路径：", labels)
        self.assertTrue(seen["closed"])
        self.assertTrue(seen["running"], "the program runs on after a failed download")
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        self.assertFalse(cw.root.joinpath("b.exe").exists())
        self.assertEqual(set(), installer_folders(), "nothing of a failed download is left")
        self.assert_requests(*requested)
        return cw

    def test_error_replies_show_the_address(self):
        url = base_url() + "/files/setup.exe"
        cases = {
            "404": Reply(b"nope", status=404),
            "302": Reply(b"", status=302, headers=["Location: /files/other.exe"]),
            "200 with Location": Reply(installer_bytes(), headers=["Location: /x"]),
            "truncated": Reply(installer_bytes(), truncate=10000),
            "truncated chunked": Reply(installer_bytes(), mode="chunked", truncate=10000),
            "dropped": Reply(drop=True),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                self.server = UpdateServer(port())
                try:
                    self.expect_failure(b"2.0@@@/files/setup.exe",
                                        [("/files/setup.exe", reply)], url, ["/files/setup.exe"])
                finally:
                    self.server.stop()

    def test_names_that_are_no_installer_are_never_fetched_or_written(self):
        # Each would be served if asked for; a name is known before the download, so none is.
        # Windows looks for DLLs such as version.dll in the program folder first (the unit tests
        # go through movies, scripts and controls).
        cases = [
            ("trailing slash", b"@@@/files/", "/files/"),
            ("empty reply", b"", ""),
            ("backslash", b"@@@/files/a\\b.exe", "/files/a\\b.exe"),
            ("dot dot", b"@@@/files/..", "/files/.."),
            ("device", b"@@@/files/nul.exe", "/files/nul.exe"),
            ("a DLL", b"2.0@@@/files/version.dll", "/files/version.dll"),
        ]
        for name, reply_text, path in cases:
            with self.subTest(name):
                self.server = UpdateServer(port())
                routes = [(path or "/", Reply(installer_bytes()))]
                before = installer_folders()
                try:
                    cw = self.expect_failure(reply_text, routes, base_url() + path, [])
                finally:
                    self.server.stop()
                self.assertEqual(before, installer_folders())
                self.assertFalse(cw.path("installer-started.txt").exists())

    def test_control_character_in_the_path_is_not_sent(self):
        self.expect_failure(b'@@@/files/"a\x01b"', [], base_url() + '/files/"a\x01b"', [])


class RefusedAddressTest(DownloadTestBase):
    """An address off the update server's origin is refused before any request, and never offered
    for download by hand."""

    def expect_refusal(self, reply_text):
        cw, result, seen = self.offer(reply_text, during=read_refusal)
        self.assertIn("refusal", seen, "no refusal; windows: %r" % seen.get("windows"))
        self.assertIn(NOT_GENUINE, seen["refusal"])
        self.assertFalse([t for t in seen["refusal"] if "http" in t or "127.0.0.1" in t],
                         "the refusal names no address: %r" % seen["refusal"])
        self.assertTrue(seen["closed"])
        self.assertTrue(seen["running"], "the program runs on after a refusal")
        self.assertNotIn(FAILURE_CAPTION, seen["windows"] + seen["windows after"])
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        self.assertEqual(set(), installer_folders())
        self.assert_requests()
        return cw, result

    def test_another_port_of_the_update_host_is_refused(self):
        # The path from the reply continues the base URL's port: "<port>5/files/setup.exe" names
        # another port of the same host, where another server would answer.
        digit = next(d for d in range(10) if port() * 10 + d <= 65535)
        other = UpdateServer(port() * 10 + digit)
        other.route("/files/setup.exe", Reply(installer_bytes()))
        other.start()
        self.addCleanup(other.stop)
        self.expect_refusal(b"2.0@@@%d/files/setup.exe" % digit)
        self.assertEqual([], other.requests)

    def test_reply_without_marker_joins_the_base_url_without_a_slash(self):
        # "abcdef" gives the path "cdef", which here turns the port into "<port>cdef": an address
        # the client cannot read, which is not offered for a download by hand either.
        self.expect_refusal(b"abcdef")


def run_tool(args, cwd):
    proc = subprocess.run(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if proc.returncode != 0:
        raise harness.HarnessError("%s failed: %s" % (args[0], proc.stdout.decode("utf-8", "replace")))


class Publishers:
    """A throw-away CA with its publisher, and an impostor: another CA of the same name that
    issues a certificate with the publisher's subject. Signs copies of files with either."""

    SUBJECT = "/CN=Tallowbrook Software/O=Tallowbrook/C=CN"

    def __init__(self, folder):
        self.folder = pathlib.Path(folder)
        for ca, publisher in (("ca", "publisher"), ("impostor-ca", "impostor")):
            run_tool(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                      "-keyout", ca + ".key", "-out", ca + ".crt", "-subj", "/CN=Tallowbrook Test CA",
                      "-addext", "basicConstraints=critical,CA:TRUE",
                      "-addext", "keyUsage=critical,keyCertSign,cRLSign"], self.folder)
            run_tool(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout",
                      publisher + ".key", "-out", publisher + ".csr", "-subj", self.SUBJECT],
                     self.folder)
            (self.folder / "codesign.ext").write_text(
                "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=codeSigning\n")
            run_tool(["openssl", "x509", "-req", "-in", publisher + ".csr", "-CA", ca + ".crt",
                      "-CAkey", ca + ".key", "-CAcreateserial", "-days", "2", "-out",
                      publisher + ".crt", "-extfile", "codesign.ext"], self.folder)

    def sign(self, source, name, publisher="publisher", ca="ca"):
        out = self.folder / name
        run_tool(["osslsigncode", "sign", "-certs", publisher + ".crt", "-key", publisher + ".key",
                  "-ac", ca + ".crt", "-n", "CourseShell", "-h", "sha256", "-in", str(source),
                  "-out", str(out)], self.folder)
        return out


class SignedProgramTest(DownloadTestBase):
    """A signed program starts only an installer of its own publisher. Under Wine a signature is
    checked for its digest, not its chain (an unknown root is valid there), so the untrusted root
    that Windows reports is shown by the unit test of the rule, not here."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for tool in ("openssl", "osslsigncode"):
            if shutil.which(tool) is None:
                raise harness.HarnessError("%s is missing: run scripts/setup.sh" % tool)
        cls.folder = tempfile.mkdtemp(prefix="cs-signing-")
        keys = Publishers(cls.folder)
        installer = os.environ["UPDATE_INSTALLER"]
        cls.program = keys.sign(os.environ["UPDATE_EXE"], "CourseShell.exe")
        cls.genuine = keys.sign(installer, "genuine.exe").read_bytes()
        cls.impostor = keys.sign(installer, "impostor.exe", "impostor", "impostor-ca").read_bytes()
        changed = bytearray(cls.genuine)
        changed[0x600] ^= 0x01  # inside the code, after signing
        cls.changed = bytes(changed)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def courseware(self, main=IDLE_MOVIE, **kw):
        cw = Courseware(main=main, exe=str(self.program), **kw)
        self.addCleanup(cw.close)
        return cw

    def test_the_installer_of_the_same_publisher_is_started(self):
        cw, result, _ = self.offer(b"2.0@@@/files/setup.exe",
                                   [("/files/setup.exe", Reply(self.genuine))])
        self.assert_started(cw, result, "setup.exe", self.genuine)
        self.assert_requests("/files/setup.exe")

    def test_any_other_installer_is_deleted_and_nothing_is_started(self):
        cases = {
            "unsigned": installer_bytes(),
            "changed after signing": self.changed,
            "the publisher's name under another CA": self.impostor,
        }
        for name, body in cases.items():
            with self.subTest(name):
                self.server = UpdateServer(port())
                try:
                    cw, result, seen = self.offer(b"2.0@@@/files/setup.exe",
                                                  [("/files/setup.exe", Reply(body))],
                                                  during=read_refusal)
                finally:
                    self.server.stop()
                self.assertIn("refusal", seen, "no refusal; windows: %r" % seen.get("windows"))
                self.assertIn(NOT_GENUINE, seen["refusal"])
                self.assertFalse([t for t in seen["refusal"] if "http" in t])
                self.assertTrue(seen["running"], "the program runs on after a refusal")
                self.assertNotIn(FAILURE_CAPTION, seen["windows"] + seen["windows after"])
                self.assertEqual(EXIT_PROGRAM, result.status)
                self.assertEqual(NOTHING_SAVED, self.files(cw))
                self.assertEqual(set(), installer_folders(), "the installer is deleted")
                self.assertEqual([], result.strays, "nothing was started")
                self.assert_requests("/files/setup.exe")


class MsiTest(DownloadTestBase):
    """An .msi starts through the system's own msiexec, named in full. The prefix's msiexec is
    replaced for the test by the fake installer, which notes how it was started."""

    def test_an_msi_is_installed_by_the_systems_msiexec(self):
        prefix = pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c" / "windows"
        wow = harness.is_64bit_prefix() and not harness.is_64bit_image(os.environ["UPDATE_EXE"])
        system = prefix / ("syswow64" if wow else "system32")
        msiexec = system / "msiexec.exe"
        saved = msiexec.read_bytes()
        self.addCleanup(msiexec.write_bytes, saved)
        self.addCleanup(lambda: (system / "installer-started.txt").unlink(missing_ok=True))
        shutil.copyfile(os.environ["UPDATE_INSTALLER"], msiexec)

        package = b"not really a package"
        cw, result, _ = self.offer(b"2.0@@@/files/Setup.msi",
                                   [("/files/Setup.msi", Reply(package))])
        self.assertEqual(0, result.status)
        folders = [f for f in installer_folders() if (f / "Setup.msi").exists()]
        self.assertEqual(1, len(folders))
        self.assertEqual(package, (folders[0] / "Setup.msi").read_bytes())
        note = (system / "installer-started.txt").read_bytes().decode("gbk")
        self.assertIn('cmdline="C:\\windows\\system32\\msiexec.exe" /i "%s"\r\n' %
                      drive_c_path(folders[0] / "Setup.msi"), note)
        self.assertEqual(NOTHING_SAVED, self.files(cw))


class PolicyTest(UpdateTestBase):
    """DisableUpdateCheck under HKLM\\Software\\Policies\\tallowbrook\\CourseShell, written where
    Group Policy writes it: the registry's 64-bit view, which a 32-bit program does not see by
    itself."""

    KEY = "HKLM\\Software\\Policies\\tallowbrook\\CourseShell"

    def set_policy(self, value):
        view = ["/reg:64"] if harness.is_64bit_prefix() else []
        harness._run([harness.WINE, "reg", "add", self.KEY, "/v", "DisableUpdateCheck", "/t",
                      "REG_DWORD", "/d", str(value), "/f"] + view)
        self.addCleanup(harness._run, [harness.WINE, "reg", "delete", self.KEY, "/f"] + view,
                        check=False)

    def test_the_policy_turns_the_check_off(self):
        self.check_reply(Reply(b"2.0@@@/files/setup.exe")).start()
        self.set_policy(1)
        cw = self.courseware(main="wait 5000\nfscommand exitprogram\n")
        seen = {}

        def during(s):
            time.sleep(4)
            seen["windows"] = [w["title"] for w in harness.windows()]

        result = run(cw, during=during, timeout=40)
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual([], self.server.requests, "no request at all")
        self.assertFalse(cw.path("result.txt").exists())
        self.assertNotIn(QUESTION_CAPTION, seen["windows"])


# The movie calls the program every 100 ms for the whole run; each call must be answered at once.
BUSY_MOVIE = "every 100 %d call fileexists main.swf\njoin\nfscommand exitprogram\n"
LONG_HEADER = "X-Padding: " + "p" * 65536


def call_times(log):
    """[(start ms, duration ms)] of the movie's fileexists calls, each checked for its reply."""
    times, start = [], None
    for line in log.lines:
        if line.event == "flashcall" and "fileexists" in line.text:
            start = line.ms
        elif line.event in ("reply", "noreply") and start is not None:
            times.append((start, line.ms - start, line.text if line.event == "reply" else None))
            start = None
    return times


class FaultsTestBase(DownloadTestBase):
    def setUp(self):
        super().setUp()
        self.outside = self.temp_folders()

    @staticmethod
    def temp_folders():
        """Files in the prefix's temporary folders, where a download might otherwise land."""
        prefix = pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c"
        found = set()
        for folder in [prefix / "windows" / "temp"] + list(prefix.glob("users/*/Temp")) + list(
                prefix.glob("users/*/AppData/Local/Temp")):
            if folder.is_dir():
                found.update(str(p) for p in folder.rglob("*"))
        return found

    def assert_answered_throughout(self, cw, result, at_least):
        times = call_times(result.main)
        self.assertGreaterEqual(len(times), at_least, result.main)
        self.assertEqual({"<true/>"}, {reply for _, _, reply in times})
        slowest = max(duration for _, duration, _ in times)
        self.assertLessEqual(slowest, 250, times)
        # Nothing was written beside the program folder or in the temporary folders.
        self.assertEqual({"app", "wine.out", "wine.err"}, {p.name for p in cw.root.iterdir()} - {"shots"})
        self.assertEqual(set(), self.temp_folders() - self.outside)
        return times


class CheckFaultsTest(FaultsTestBase):
    def test_broken_replies_to_the_check_are_silent(self):
        cases = {
            "reset in the body": Reply(b"2.0@@@/files/setup.exe" * 100, reset_after=100),
            "broken chunked coding": Reply(b"2.0@@@/files/setup.exe" * 100, mode="chunked",
                                           chunk=100, bad_chunk=True),
            "garbage status line": Reply(b"2.0@@@/files/setup.exe", status_line="SPAM 42 eggs"),
            "not modified": Reply(b"", status=304),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                self.server = UpdateServer(port())
                self.check_reply(reply).start()
                try:
                    cw = self.courseware(main=BUSY_MOVIE % 50, files={"result.txt": b"old"})
                    seen = {}

                    def during(s):
                        self.server.wait_requests(1)
                        time.sleep(2)
                        seen["windows"] = [w["title"] for w in harness.windows()]

                    result = run(cw, during=during, timeout=40)
                finally:
                    self.server.stop()
                self.assertEqual(EXIT_PROGRAM, result.status)
                self.assertEqual(b"old", cw.read("result.txt"))
                self.assertNotIn(QUESTION_CAPTION, seen["windows"])
                self.assertEqual(1, len(self.server.requests))
                self.assert_answered_throughout(cw, result, 45)

    def test_long_header_and_http_1_0_without_length_are_ordinary_replies(self):
        cases = {
            "64 KB header line": Reply(b"newest", headers=[LONG_HEADER]),
            "HTTP/1.0 up to the close": Reply(b"newest", version="1.0", mode="close"),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                self.server = UpdateServer(port())
                self.check_reply(reply).start()
                try:
                    cw = self.courseware(main=BUSY_MOVIE % 40)
                    result = run(cw, timeout=40)
                finally:
                    self.server.stop()
                self.assertEqual(EXIT_PROGRAM, result.status)
                self.assertEqual(b"newest", cw.read("result.txt"))
                self.assert_answered_throughout(cw, result, 35)


class DownloadFaultsTest(FaultsTestBase):
    URL_PATH = "/files/setup.exe"

    def expect_failure_dialog(self, reply=None, refuse=False):
        """Offers the update, answers Yes and expects the failure dialog with the address."""
        self.check_reply(Reply(b"2.0@@@" + self.URL_PATH.encode()))
        if reply is not None:
            self.server.route(self.URL_PATH, reply)
        self.server.start()
        cw = self.courseware(main=BUSY_MOVIE % 170)
        seen = {}

        def during(s):
            window = s.find_window(QUESTION_CAPTION, timeout=20)
            if window is None:
                raise harness.HarnessError("no question; windows: %r" % harness.windows())
            if refuse:
                # Nobody listens any more when the download starts.
                self.server.stop()
            s.press("Return", window)
            read_failure_dialog(s, seen)

        result = run(cw, during=during, timeout=60)
        self.assertIn("controls", seen, "no failure dialog; windows: %r" % seen.get("windows"))
        edits = [c for c in seen["controls"] if c[0].lower() == "edit"]
        self.assertEqual([base_url() + self.URL_PATH], [c[1] for c in edits])
        self.assertTrue(seen["running"], "the program runs on after a failed download")
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        self.assert_answered_throughout(cw, result, 80)
        return cw, result

    def test_refused_connection(self):
        self.expect_failure_dialog(refuse=True)
        self.assertEqual(1, len(self.server.requests))

    def test_reset_in_the_middle_of_the_body(self):
        self.expect_failure_dialog(Reply(installer_bytes(), chunk=8192, reset_after=20000))
        self.assert_requests(self.URL_PATH)

    def test_broken_chunked_coding(self):
        self.expect_failure_dialog(Reply(installer_bytes(), mode="chunked", chunk=8192,
                                         bad_chunk=True))
        self.assert_requests(self.URL_PATH)

    def test_garbage_status_line(self):
        self.expect_failure_dialog(Reply(installer_bytes(), status_line="garbage"))

    def test_moved_permanently(self):
        self.expect_failure_dialog(Reply(b"", status=301, headers=["Location: /files/b.exe"]))
        self.assert_requests(self.URL_PATH)

    def test_long_header_and_http_1_0_without_length_still_install(self):
        for name, reply in {"64 KB header line": Reply(installer_bytes(), headers=[LONG_HEADER]),
                            "HTTP/1.0 up to the close": Reply(installer_bytes(), version="1.0",
                                                              mode="close")}.items():
            with self.subTest(name):
                self.server = UpdateServer(port())
                try:
                    cw, result, _ = self.offer(b"2.0@@@" + self.URL_PATH.encode(),
                                               [(self.URL_PATH, reply)], main=BUSY_MOVIE % 150)
                finally:
                    self.server.stop()
                self.assert_started(cw, result, "setup.exe")
                self.assertEqual(set(), self.temp_folders() - self.outside)

    def test_trickling_body_cancelled(self):
        # One byte a second: the download would take days. The movie's calls go on at their pace
        # while it trickles, and Cancel ends it with nothing saved.
        reply = Reply(installer_bytes(), chunk=1, piece_delay=1.0)
        marks = {}

        def during(s, seen):
            window = s.find_window(PROGRESS_CAPTION, timeout=15)
            seen["progress"] = window
            if window is None:
                return
            time.sleep(1)
            marks["from"] = s.log().lines[-1].ms
            time.sleep(5)
            marks["to"] = s.log().lines[-1].ms
            s.press("Escape", window)
            seen["gone"] = wait_window_gone(s, PROGRESS_CAPTION)
            time.sleep(1.5)
            seen["windows"] = [w["title"] for w in harness.windows()]
            seen["running"] = s.running()

        cw, result, seen = self.offer(b"2.0@@@" + self.URL_PATH.encode(),
                                      [(self.URL_PATH, reply)], main=BUSY_MOVIE % 200,
                                      during=during)
        self.assertIsNotNone(seen["progress"])
        self.assertTrue(seen["gone"])
        self.assertTrue(seen["running"])
        self.assertNotIn(FAILURE_CAPTION, seen["windows"])
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        times = self.assert_answered_throughout(cw, result, 150)
        trickling = [start for start, _, _ in times if marks["from"] <= start <= marks["to"]]
        gaps = [b - a for a, b in zip(trickling, trickling[1:])]
        print("while trickling: %d calls, longest gap %d ms" % (len(trickling), max(gaps)))
        self.assertGreaterEqual(len(trickling), 35)
        self.assertLessEqual(max(gaps), 350, gaps)


class BoundsTest(FaultsTestBase):
    def test_a_300_mb_check_reply_is_refused_and_memory_stays_bounded(self):
        # Announced or not (chunked): the check ends silently at 64 KB, whatever the reply claims,
        # and the program goes on answering the movie.
        size = 300 * 1024 * 1024
        cases = {
            "announced": Reply(Pattern(size), chunk=1 << 20),
            "chunked": Reply(Pattern(size), mode="chunked", chunk=1 << 16),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                self.server = UpdateServer(port())
                self.check_reply(reply).start()
                try:
                    cw = self.courseware(main=BUSY_MOVIE % 50, files={"result.txt": b"old"})
                    seen = {}

                    def during(s):
                        seen["watch"] = MemoryWatch(s.proc.pid)
                        self.server.wait_requests(1)
                        time.sleep(3)
                        seen["windows"] = [w["title"] for w in harness.windows()]

                    result = run(cw, during=during, timeout=40)
                finally:
                    self.server.stop()
                watch = seen["watch"]
                watch.join()
                before = watch.rss_before(self.server.requests[0].time)
                growth = (watch.peak_kib - before) / 1024
                print("%s: peak %d MiB, growth %.1f MiB" % (name, watch.peak_kib // 1024, growth))
                self.assertLess(growth, 16, "memory grew by %.1f MiB" % growth)
                self.assertEqual(EXIT_PROGRAM, result.status)
                self.assertEqual(b"old", cw.read("result.txt"))
                self.assertNotIn(QUESTION_CAPTION, seen["windows"])
                self.assertEqual(1, len(self.server.requests))
                self.assert_answered_throughout(cw, result, 45)

    def test_a_stalled_download_fails_after_its_time(self):
        # The test variant waits 6 s for the next byte (the program a minute).
        body = installer_bytes()
        self.check_reply(Reply(b"2.0@@@/files/setup.exe"))
        self.server.route("/files/setup.exe", Reply(body, chunk=8192, stall_after=(8192, 30.0)))
        self.server.start()
        cw = self.courseware(main=BUSY_MOVIE % 200)
        seen = {}

        def during(s):
            answer_question(s, "Return")
            self.server.wait_requests(2)
            window = s.find_window(FAILURE_CAPTION, timeout=20)
            seen["failed at"] = time.monotonic()
            seen["progress"] = s.find_window(PROGRESS_CAPTION)
            if window is None:
                return
            read_failure_dialog(s, seen, timeout=1)

        result = run(cw, during=during, timeout=60)
        self.assertIn("controls", seen, "no failure dialog; windows: %r" % seen.get("windows"))
        after = seen["failed at"] - self.server.requests[1].time
        print("the download failed %.1f s after its request" % after)
        self.assertGreaterEqual(after, 5.5)
        self.assertLess(after, 14)
        self.assertIsNone(seen["progress"])
        edits = [c[1] for c in seen["controls"] if c[0].lower() == "edit"]
        self.assertEqual([base_url() + "/files/setup.exe"], edits)
        self.assertTrue(seen["running"])
        self.assertEqual(EXIT_PROGRAM, result.status)
        self.assertEqual(NOTHING_SAVED, self.files(cw))
        self.assert_answered_throughout(cw, result, 150)


if __name__ == "__main__":
    harness.main_or_skip()

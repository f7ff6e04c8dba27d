"""The browser player's loopback server under hostile local traffic, end to end: CourseShell.exe
under Wine with its page in headless Chromium playing a movie that calls the shell every few
hundred milliseconds, while this test, as any process on the PC could, sends oversize, endless,
trickling and plentiful requests to the port. The program must refuse them early, keep answering
the movie, and still end when its page closes."""

import os
import pathlib
import select
import socket
import sys
import threading
import time
import unittest
import urllib.parse

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from browserharness import BrowserRun, courseware_with_ruffle, wait_for_file  # noqa: E402
from swfwriter import POP, Actions, movie  # noqa: E402

TICK_MS = 200


def ticking_movie():
    """An AS2 movie that saves a counter to tick.txt through the shell every TICK_MS."""
    a = Actions()
    a.stop()
    a.set_var("n", 0)
    a.call_function("setInterval", lambda: a.function([], lambda b: (
        b.set_var("n", lambda: b.concat(lambda: b.get_var("n"), 1)),
        b.ei_call("savefile", "tick.txt", lambda: b.get_var("n")), b.op(POP))), TICK_MS)
    a.op(POP)
    return movie(a)


def tick(cw):
    try:
        return int(cw.read("tick.txt").decode().strip() or 0)
    except (OSError, ValueError):
        return 0


class Ticks:
    """Samples the movie's counter; the longest time it stood still."""

    def __init__(self, cw):
        self.cw = cw
        self.last = tick(cw)
        self.since = time.monotonic()
        self.longest = 0.0

    def sample(self):
        now, value = time.monotonic(), tick(self.cw)
        if value != self.last:
            self.last, self.since = value, now
        self.longest = max(self.longest, now - self.since)

    def watch(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.sample()
            time.sleep(0.1)


def address(run):
    parts = urllib.parse.urlsplit(run.url)
    return parts.hostname, parts.port, parts.netloc, parts.path


def exchange(run, data, wait=3.0):
    """Sends the bytes on a new connection, as far as the server takes them, and returns what
    came back within `wait` seconds (b"" when nothing did)."""
    host, port, _, _ = address(run)
    s = socket.create_connection((host, port), timeout=wait)
    got = b""
    try:
        s.settimeout(0.2)
        deadline = time.monotonic() + wait
        sent = 0
        while time.monotonic() < deadline:
            if sent < len(data):
                try:
                    sent += s.send(data[sent:sent + 65536])
                except socket.timeout:
                    pass
                except OSError:
                    sent = len(data)  # the server has closed its side
            try:
                chunk = s.recv(65536)
                if not chunk:
                    break
                got += chunk
                if b"\r\n\r\n" in got:
                    break
            except socket.timeout:
                pass
            except OSError:
                break
    finally:
        s.close()
    return got


def status_of(answer):
    line = answer.split(b"\r\n", 1)[0].split()
    return int(line[1]) if len(line) > 1 and line[0].startswith(b"HTTP/") else None


def get(run, path, headers=(), timeout=60):
    """(status, {header: value}, body) of one GET with the right Host."""
    host, port, netloc, _ = address(run)
    s = socket.create_connection((host, port), timeout=timeout)
    try:
        request = "GET %s HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n" % (path, netloc)
        request += "".join("%s: %s\r\n" % h for h in headers) + "\r\n"
        s.sendall(request.encode())
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        fields = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            fields[name.strip().lower()] = value.strip()
        length = int(fields.get("content-length", "-1"))
        count = len(body)
        keep = body if length < (1 << 20) else b""
        while length < 0 or count < length:
            chunk = s.recv(1 << 20)
            if not chunk:
                break
            count += len(chunk)
            if length < (1 << 20):
                keep += chunk
        return int(lines[0].split()[1]), fields, keep if length < (1 << 20) else count
    finally:
        s.close()


def program_memory():
    """Resident memory (kB) of the program's Linux process and its peak."""
    for pid, cmd in harness._prefix_processes().items():
        if "CourseShell.exe" in cmd:
            fields = dict(line.split(":", 1) for line in
                          pathlib.Path("/proc/%d/status" % pid).read_text().splitlines())
            return int(fields["VmRSS"].split()[0]), int(fields["VmHWM"].split()[0])
    return None


class Flood:
    """Connections without the secret from this process: `idle` ones that say nothing and
    `trickling` ones that send a head one byte every `every` seconds and never end it. Each one
    the server closes is opened again, until stop() (and at most `seconds` in any case)."""

    def __init__(self, run, idle, trickling, every=0.5, seconds=60):
        self.host, self.port, self.netloc, _ = address(run)
        self.every = every
        self.done = threading.Event()
        self.reopened = 0
        self.socks = [self._open(False) for _ in range(idle)] + \
                     [self._open(True) for _ in range(trickling)]
        self.deadline = time.monotonic() + seconds
        self.thread = threading.Thread(target=self._loop, daemon=True)
        self.thread.start()

    def _open(self, trickle):
        s = socket.create_connection((self.host, self.port), timeout=5)
        s.setblocking(False)
        head = ("GET /%s HTTP/1.1\r\nHost: %s\r\nX-Slow: " % ("x" * 20, self.netloc)).encode()
        return [s, trickle, head + b"y" * 100000, 0]

    def _loop(self):
        while not self.done.is_set() and time.monotonic() < self.deadline:
            for entry in self.socks:
                s, trickle, text, at = entry
                closed = False
                try:
                    if select.select([s], [], [], 0)[0] and not s.recv(65536):
                        closed = True
                    elif trickle:
                        s.send(text[at:at + 1])
                        entry[3] = at + 1
                except (OSError, ValueError):
                    closed = True
                if closed:
                    s.close()
                    try:
                        entry[:] = self._open(trickle)
                        self.reopened += 1
                    except OSError:
                        pass  # the server is gone; tried again next round
            self.done.wait(self.every)

    def stop(self):
        self.done.set()
        self.thread.join(10)
        for entry in self.socks:
            entry[0].close()


class HostileTest(harness.ProgramTest):
    def run_browser(self, body, files=None, timeout=240):
        cw = courseware_with_ruffle(self, ticking_movie(), files=files)
        run = BrowserRun(cw)

        def during(session, run):
            wait_for_file(session, cw.path("tick.txt"), timeout=90, what="the movie's first tick")
            body(cw, session, run)

        result = harness.run(cw, during=run.during(during), args=run.args(), timeout=timeout)
        return cw, run, result


class OversizeRequestsTest(HostileTest):
    def test_oversize_heads_and_bodies_are_refused_before_they_are_read(self):
        seen = {}

        def body(cw, session, run):
            _, _, netloc, prefix = address(run)
            host = ("Host: %s\r\n" % netloc).encode()
            cases = {
                # None of these ends: an answer can only come from a refusal before the end.
                "request line": (b"GET /" + b"a" * 200000, 414),
                "header line": (b"GET " + prefix.encode() + b" HTTP/1.1\r\n" + host +
                                b"X-Long: " + b"v" * 200000, 431),
                "header count": (b"GET " + prefix.encode() + b" HTTP/1.1\r\n" + host +
                                 b"".join(b"X-%d: v\r\n" % i for i in range(2000)), 431),
                "body length": (b"POST " + prefix.encode() + b"!/call HTTP/1.1\r\n" + host +
                                b"Content-Length: 100000000\r\n\r\n", 413),
                "coded body": (b"POST " + prefix.encode() + b"!/call HTTP/1.1\r\n" + host +
                               b"Transfer-Encoding: chunked\r\n\r\n" + b"1\r\nx\r\n" * 1000, 501),
                "long range": (b"GET " + prefix.encode() + b"main.swf HTTP/1.1\r\n" + host +
                               b"Range: bytes=" + b"0-1," * 1000 + b"0-1\r\n\r\n", 416),
            }
            for what, (data, _) in cases.items():
                started = time.monotonic()
                seen[what] = (status_of(exchange(run, data)), time.monotonic() - started)
            seen["running"] = session.running()
            seen["page"] = get(run, prefix)[0]
            ticks = Ticks(cw)
            ticks.watch(3)
            seen["ticks"] = ticks.longest

        cw, run, result = self.run_browser(body)
        for what, expected in [("request line", 414), ("header line", 431),
                               ("header count", 431), ("body length", 413), ("coded body", 501),
                               ("long range", 416)]:
            self.assertEqual(expected, seen[what][0], "%s: %r" % (what, seen[what]))
        self.assertTrue(seen["running"])
        self.assertEqual(200, seen["page"])
        self.assertLess(seen["ticks"], 2.0)
        self.assertEqual(0, result.status, run.browser_log())

    def test_paths_of_8_and_64_kb_with_and_without_the_secret_and_long_ranges(self):
        seen = {}

        def body(cw, session, run):
            _, _, netloc, prefix = address(run)
            # The longest request line the HTTP library itself takes is 8192 bytes.
            longest = 8192 - len("GET  HTTP/1.1\r\n")
            paths = {
                "8 KB without secret": "/" + "a" * (longest - 1),
                "8 KB file": prefix + "a" * (longest - len(prefix)),
                "8 KB folders": prefix + "a/" * ((longest - len(prefix)) // 2),
                "8 KB control": prefix + "!/" + "a" * (longest - len(prefix) - 2),
                "64 KB without secret": "/" + "b" * 65536,
                "64 KB file": prefix + "b" * 65536,
            }
            for what, path in paths.items():
                request = "GET %s HTTP/1.1\r\nHost: %s\r\n\r\n" % (path, netloc)
                seen[what] = status_of(exchange(run, request.encode(), wait=10))
                seen[what + " running"] = session.running()
            # The library matches Range headers with a regular expression too.
            ranges = "bytes=" + ",".join(["0-1"] * 2000)
            request = "GET %smain.swf HTTP/1.1\r\nHost: %s\r\nRange: %s\r\n\r\n" % (
                prefix, netloc, ranges)
            seen["8 KB range"] = status_of(exchange(run, request.encode(), wait=10))
            seen["8 KB range running"] = session.running()
            seen["page"] = get(run, prefix)[0]

        cw, run, result = self.run_browser(body)
        for what in ["8 KB without secret", "8 KB file", "8 KB folders", "8 KB control",
                     "64 KB without secret", "64 KB file"]:
            self.assertIn(seen.get(what), (404, 414), what)
            self.assertTrue(seen.get(what + " running"), what)
        self.assertIn(seen.get("8 KB range"), (200, 206, 416))
        self.assertTrue(seen.get("8 KB range running"))
        self.assertEqual(200, seen["page"])
        self.assertEqual(0, result.status, run.browser_log())


class FilesTest(HostileTest):
    def test_a_large_file_is_streamed_and_ranges_are_answered(self):
        data = bytes(range(256)) * 4 + b"0123456789"  # 1034 bytes
        seen = {}

        def body(cw, session, run):
            _, _, _, prefix = address(run)
            big = cw.path("big.bin")
            with open(big, "wb") as f:
                f.truncate(500 * 1000 * 1000)  # sparse: no disk used
                f.seek(400 * 1000 * 1000)
                f.write(b"in the middle")
            before = program_memory()
            seen["big"] = get(run, prefix + "big.bin", timeout=300)
            seen["memory"] = (before, program_memory())
            seen["big part"] = get(run, prefix + "big.bin",
                                   [("Range", "bytes=400000000-400000012")])
            for header in ["bytes=100-199", "bytes=1000-5000", "bytes=-10", "bytes=5000-",
                           "bytes=0-1,5-6"]:
                seen[header] = get(run, prefix + "r.bin", [("Range", header)])
            seen["running"] = session.running()

        cw, run, result = self.run_browser(body, files={"r.bin": data})
        status, fields, count = seen["big"]
        self.assertEqual(200, status)
        self.assertEqual(str(500 * 1000 * 1000), fields.get("content-length"))
        self.assertEqual(500 * 1000 * 1000, count)
        (rss_before, _), (_, peak_after) = seen["memory"]
        # Read in pieces, never whole: the peak stays far below the file's size.
        self.assertLess(peak_after - rss_before, 64 * 1024, seen["memory"])
        self.assertEqual((206, b"in the middle"), (seen["big part"][0], seen["big part"][2]))
        self.assertEqual("bytes 400000000-400000012/500000000",
                         seen["big part"][1].get("content-range"))

        def part(header):
            status, fields, body = seen[header]
            return status, fields.get("content-range"), body

        self.assertEqual((206, "bytes 100-199/1034", data[100:200]), part("bytes=100-199"))
        self.assertEqual((206, "bytes 1000-1033/1034", data[1000:]), part("bytes=1000-5000"))
        self.assertEqual((206, "bytes 1024-1033/1034", data[-10:]), part("bytes=-10"))
        self.assertEqual((416, "bytes */1034", b""), part("bytes=5000-"))
        self.assertEqual((200, None, data), part("bytes=0-1,5-6"))
        self.assertTrue(seen["running"])
        self.assertEqual(0, result.status, run.browser_log())

    def test_documents_that_could_run_script_are_downloads(self):
        files = {"resources/a.html": "<script>x</script>", "resources/b.htm": "<p>",
                 "resources/c.js": "x()", "resources/d.svg": "<svg/>",
                 "resources/e.xml": "<x/>", "resources/f.txt": "text"}
        seen = {}

        def body(cw, session, run):
            _, _, _, prefix = address(run)
            for name in list(files) + ["ruffle/ruffle.js", "main.swf"]:
                seen[name] = get(run, prefix + name)

        cw, run, result = self.run_browser(body, files=files)
        for name in ["resources/a.html", "resources/b.htm", "resources/c.js", "resources/d.svg",
                     "resources/e.xml"]:
            status, fields, content = seen[name]
            self.assertEqual(200, status, name)
            self.assertEqual(files[name].encode(), content, name)
            self.assertEqual("attachment", fields.get("content-disposition"), name)
            self.assertEqual("application/octet-stream", fields.get("content-type"), name)
            self.assertEqual("nosniff", fields.get("x-content-type-options"), name)
        # What the page itself needs keeps its type.
        self.assertEqual("text/javascript", seen["ruffle/ruffle.js"][1].get("content-type"))
        self.assertNotIn("content-disposition", seen["ruffle/ruffle.js"][1])
        self.assertEqual("application/x-shockwave-flash", seen["main.swf"][1].get("content-type"))
        self.assertEqual("text/plain", seen["resources/f.txt"][1].get("content-type"))
        self.assertEqual(0, result.status, run.browser_log())


class ManyConnectionsTest(HostileTest):
    def test_two_hundred_strangers_neither_stop_the_movie_nor_end_the_program(self):
        seen = {}

        def body(cw, session, run):
            flood = Flood(run, idle=100, trickling=100, every=0.5)
            try:
                ticks = Ticks(cw)
                ticks.watch(30)
                seen["still"] = ticks.longest
                seen["ticks"] = ticks.last
                seen["running"] = session.running()
                seen["reopened"] = flood.reopened
            finally:
                flood.stop()

        cw, run, result = self.run_browser(body)
        self.assertTrue(seen["running"], seen)
        # The movie was answered all along (it calls five times a second).
        self.assertLess(seen["still"], 3.0, seen)
        # The program went on playing, and ended only once the page had closed.
        self.assertEqual(0, result.status, run.browser_log())

    def test_trickling_connections_neither_starve_the_page_nor_hold_up_the_end(self):
        seen = {}

        def body(cw, session, run):
            flood = Flood(run, idle=0, trickling=12, every=0.5, seconds=90)
            try:
                ticks = Ticks(cw)
                ticks.watch(12)
                seen["still"] = ticks.longest
                # The page closes while they go on trickling: the program must still end.
                run.close_browser()
                closed = time.monotonic()
                try:
                    session.proc.wait(30)
                except Exception:
                    pass
                seen["ended after"] = time.monotonic() - closed
                seen["ended"] = not session.running()
            finally:
                flood.stop()

        cw, run, result = self.run_browser(body)
        self.assertLess(seen["still"], 3.0, seen)
        self.assertTrue(seen["ended"], seen)
        self.assertLess(seen["ended after"], 20, seen)
        self.assertEqual(0, result.status, run.browser_log())


if __name__ == "__main__":
    harness.main_or_skip()

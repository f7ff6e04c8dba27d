"""A small HTTP/1.1 server on 127.0.0.1 for the update tests: it records every request's raw
bytes and answers each path as it is told, well or badly.

    server = UpdateServer(port)
    server.route("/files/setup.exe", Reply(body=b"MZ...", mode="length"))
    server.start()
    ...
    server.requests      # [Request(target, raw, time)], in arrival order
    server.stop()

A Reply can be: a status with any headers (Location, Set-Cookie, ...); a body sent with
Content-Length, chunked or up to the close of the connection; a stall before the head or in the
middle of the body; a body cut short; a connection closed without any answer ("drop"); a body
sent slowly in pieces; and the faults of a broken server: a reset in the middle of the body,
broken chunked coding, a status line that is no HTTP, an HTTP/1.0 answer. A body may be a
Pattern: hundreds of megabytes made as they are sent, never held. Requests without a route get
404.
"""

import socket
import struct
import threading
import time


class Pattern:
    """A body of `size` bytes repeating `unit`, made piece by piece as it is sent."""

    def __init__(self, size, unit=b"2.0@@@/files/setup.exe\n"):
        self.size = size
        self.unit = unit

    def __len__(self):
        return self.size

    def __getitem__(self, part):
        start, stop, _ = part.indices(self.size)
        if stop <= start:
            return b""
        offset = start % len(self.unit)
        count = (offset + stop - start) // len(self.unit) + 1
        return (self.unit * count)[offset:offset + stop - start]


class Reply:
    def __init__(self, body=b"", status=200, reason=None, headers=(), mode="length",
                 stall=0.0, stall_after=None, truncate=None, drop=False, chunk=32768,
                 piece_delay=0.0, keep_alive=True, version="1.1", status_line=None,
                 reset_after=None, bad_chunk=False):
        self.body = body if isinstance(body, (bytes, Pattern)) else body.encode("latin-1")
        self.status = status
        self.reason = reason or {200: "OK", 204: "No Content", 302: "Found",
                                 404: "Not Found"}.get(status, "Status")
        self.headers = list(headers)
        self.mode = mode                # "length", "chunked" or "close"
        self.stall = stall              # seconds before anything is sent
        self.stall_after = stall_after  # (bytes, seconds): pause once after that many body bytes
        self.truncate = truncate        # send only this many body bytes, then close
        self.drop = drop                # close at once, without an answer
        self.chunk = chunk              # piece size for chunked and slow bodies
        self.piece_delay = piece_delay  # pause between pieces of the body
        self.keep_alive = keep_alive and mode != "close"
        self.version = version          # "1.0" answers as an HTTP/1.0 server
        self.status_line = status_line  # sent instead of the status line, e.g. garbage
        self.reset_after = reset_after  # after this many body bytes the connection is reset
        self.bad_chunk = bad_chunk      # the chunk after the first has a size that is no number


class Request:
    def __init__(self, target, raw, when):
        self.target = target
        self.raw = raw
        self.time = when

    def __repr__(self):
        return "Request(%r)" % self.raw[:200]


class UpdateServer:
    def __init__(self, port, host="127.0.0.1"):
        self.host = host
        self.port = port
        self.routes = {}
        self.requests = []
        self.sent = {}           # target -> (first byte time, last byte time, bytes)
        self.errors = []
        self._lock = threading.Lock()
        self._arrived = threading.Condition(self._lock)
        self._sock = None
        self._threads = []
        self._stopping = False

    # ---------------------------------------------------------------- control

    def route(self, target, reply):
        """Answers `target` (the exact request target, or a compiled regular expression that
        must match all of it) with `reply`."""
        self.routes[target] = reply
        return self

    def reply_for(self, target):
        for key, reply in self.routes.items():
            if key == target or (hasattr(key, "fullmatch") and key.fullmatch(target)):
                return reply
        return Reply(b"no route\n", status=404)

    def start(self):
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            sock.bind((self.host, self.port))
        except OSError as e:
            sock.close()
            raise RuntimeError("update test server cannot listen on %s:%d: %s" % (self.host, self.port, e))
        sock.listen(16)
        sock.settimeout(0.2)
        self._sock = sock
        t = threading.Thread(target=self._accept_loop, daemon=True)
        t.start()
        self._threads.append(t)
        return self

    def stop(self):
        self._stopping = True
        for t in self._threads:
            t.join(5)
        if self._sock:
            self._sock.close()
            self._sock = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def wait_requests(self, count, timeout=20.0):
        """Waits until `count` requests have arrived; returns all of them."""
        deadline = time.monotonic() + timeout
        with self._arrived:
            while len(self.requests) < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise AssertionError("%d request(s) expected, %d arrived: %r" % (
                        count, len(self.requests), self.requests))
                self._arrived.wait(left)
            return list(self.requests)

    def targets(self):
        with self._lock:
            return [r.target for r in self.requests]

    # ---------------------------------------------------------------- serving

    def _accept_loop(self):
        while not self._stopping:
            try:
                conn, _ = self._sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            t = threading.Thread(target=self._serve, args=(conn,), daemon=True)
            t.start()
            self._threads.append(t)

    def _serve(self, conn):
        conn.settimeout(0.5)
        pending = b""
        try:
            while not self._stopping:
                while b"\r\n\r\n" not in pending:
                    try:
                        data = conn.recv(65536)
                    except socket.timeout:
                        if self._stopping:
                            return
                        continue
                    if not data:
                        return
                    pending += data
                end = pending.index(b"\r\n\r\n") + 4
                raw, pending = pending[:end], pending[end:]
                line = raw.split(b"\r\n", 1)[0].decode("latin-1")
                parts = line.split(" ")
                target = parts[1] if len(parts) >= 3 else line
                with self._arrived:
                    self.requests.append(Request(target, raw, time.monotonic()))
                    self._arrived.notify_all()
                reply = self.reply_for(target)
                if not self._answer(conn, target, reply):
                    return
        except OSError as e:
            self.errors.append(repr(e))
        finally:
            try:
                conn.close()
            except OSError:
                pass

    def _sleep(self, seconds):
        deadline = time.monotonic() + seconds
        while not self._stopping and time.monotonic() < deadline:
            time.sleep(min(0.05, max(0.0, deadline - time.monotonic())))

    def _answer(self, conn, target, reply):
        """Sends one reply; False when the connection is to be closed afterwards."""
        conn.settimeout(None)
        if reply.stall:
            self._sleep(reply.stall)
        if reply.drop:
            return False
        head = [reply.status_line if reply.status_line is not None else
                "HTTP/%s %d %s" % (reply.version, reply.status, reply.reason)]
        head += reply.headers
        body = reply.body
        if reply.mode == "length":
            head.append("Content-Length: %d" % len(body))
        elif reply.mode == "chunked":
            head.append("Transfer-Encoding: chunked")
        if not reply.keep_alive and reply.version != "1.0":
            head.append("Connection: close")
        conn.sendall(("\r\n".join(head) + "\r\n\r\n").encode("latin-1"))

        limit = len(body) if reply.truncate is None else reply.truncate
        if reply.reset_after is not None:
            limit = min(limit, reply.reset_after)
        first = time.monotonic()
        sent = 0
        paused = False
        while sent < limit and not self._stopping:
            size = min(reply.chunk, limit - sent)
            if reply.stall_after and not paused and sent + size > reply.stall_after[0]:
                size = max(0, reply.stall_after[0] - sent)
            piece = body[sent:sent + size]
            if piece:
                if reply.mode == "chunked" and reply.bad_chunk and sent > 0:
                    conn.sendall(b"zz\r\n" + piece + b"\r\n")
                elif reply.mode == "chunked":
                    conn.sendall(b"%x\r\n" % len(piece) + piece + b"\r\n")
                else:
                    conn.sendall(piece)
                sent += len(piece)
            if reply.stall_after and not paused and sent >= reply.stall_after[0]:
                paused = True
                self._sleep(reply.stall_after[1])
            elif reply.piece_delay:
                self._sleep(reply.piece_delay)
        if reply.reset_after is not None:
            with self._lock:
                self.sent[target] = (first, time.monotonic(), sent)
            # Closing with a zero linger time sends RST instead of FIN.
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            conn.close()
            return False
        if reply.truncate is None and reply.mode == "chunked":
            conn.sendall(b"0\r\n\r\n")
        with self._lock:
            self.sent[target] = (first, time.monotonic(), sent)
        if reply.truncate is not None or not reply.keep_alive:
            try:
                conn.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            return False
        return True

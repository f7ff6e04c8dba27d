"""Shared pieces of the external-call end-to-end tests: running a movie script, answering the
dialogs that appear, and reading the texts of the default error reports.

The error reports are the platform's message boxes; Wine's "msgbox" trace channel prints the text
each one shows, so the tests run the program with WINEDEBUG=-all,trace+msgbox."""

import os
import pathlib
import re
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402

MAIN_SIZE = (1024, 652)
SETTINGS_KEY = "HKLM\\Software\\tallowbrook"


def setup_module():
    harness.require_bench()
    harness.register_standin()
    os.environ["WINEDEBUG"] = "-all,trace+msgbox"


def gbk(text):
    return text.encode("gbk")


def reply_string(text):
    return "<string>%s</string>" % text


def dialogs(session):
    """Visible top-level windows other than the main window."""
    return [w for w in session.windows() if (w["width"], w["height"]) != MAIN_SIZE]


class DialogServer:
    """Presses Enter on every dialog that appears and remembers its title; takes a screenshot of
    the first dialog with each title."""

    def __init__(self, session):
        self.session = session
        self.titles = []
        self._shot = set()
        self._pressed = {}  # window id -> when Enter was pressed on it

    def serve_once(self):
        """Answers the dialogs that are open; true while any is open."""
        found = dialogs(self.session)
        now = time.monotonic()
        for w in found:
            pressed = self._pressed.get(w["id"])
            # Wine takes a moment to hide a closed window; press again only if it stays.
            if pressed is not None and now - pressed < 5:
                continue
            if pressed is None:
                self.titles.append(w["title"])
            # Give the dialog a moment to paint before it is photographed and closed.
            time.sleep(0.3)
            if w["title"] not in self._shot:
                self._shot.add(w["title"])
                self.session.screenshot("dialog%02d.png" % len(self._shot))
            harness.press("Return", w)
            self._pressed[w["id"]] = time.monotonic()
        return bool(found)

    def serve_until(self, done, timeout):
        """Serves dialogs until done() holds (checked when no dialog is open) or the program ends."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.serve_once():
                if done() or not self.session.running():
                    return
            time.sleep(0.15)
        raise harness.HarnessError("still waiting after %.0f s; log:\n%s" % (timeout, self.session.log()))


def script_ended(session):
    return lambda: session.log().has("script-end")


def _decode_trace(literal):
    # Wine prints non-ASCII characters of a wide string as \XXXX.
    return re.sub(r"\\([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)), literal)


def error_reports(result):
    """The texts of the platform message boxes the run showed, in order."""
    texts = []
    for line in result.stderr.splitlines():
        m = re.search(r'trace:msgbox:MSGBOX_OnInit L"(.*)"$', line)
        if m:
            texts.append(_decode_trace(m.group(1)))
    return texts


def run_movie(test, script, files=None, timeout=90, during=None, serve=True):
    """Runs the program on a movie script. Unless `during` is given, dialogs are answered with Enter
    until the script has ended. Returns (courseware, result, titles of the dialogs seen)."""
    cw = harness.Courseware(main=script, files=files or {})
    test.addCleanup(cw.close)
    seen = []

    def default_during(s):
        server = DialogServer(s)
        server.serve_until(script_ended(s), timeout - 10)
        seen.extend(server.titles)

    result = harness.run(cw, during=during or (default_during if serve else None), timeout=timeout)
    return cw, result, seen

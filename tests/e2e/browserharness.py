"""The browser player end to end: the real CourseShell.exe under Wine serving its page on loopback,
headless Chromium (driven by puppeteer-core, ruffle_driver.js) loading it, Ruffle playing real
test movies. RUFFLE_DIR names Ruffle's files, PUPPETEER_CORE the puppeteer-core package, NODE the
node program; the movies are written with tools/swfwriter (AS2) or built with haxe (AS3_MOVIE).

    cw = courseware_with_ruffle(self, main_swf_bytes)
    run = BrowserRun(cw)
    result = harness.run(cw, during=run.during(check), args=run.args(), timeout=90)
"""

import json
import os
import pathlib
import shutil
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent.parent / "tools" / "swfwriter"))
import harness  # noqa: E402


def env_dir(name):
    value = os.environ.get(name)
    if not value or not pathlib.Path(value).exists():
        raise harness.HarnessError("%s=%r does not exist: run scripts/setup.sh" % (name, value))
    return pathlib.Path(value)


def courseware_with_ruffle(test, main, files=None, ruffle=True):
    """A courseware folder with main.swf (bytes) and, unless told otherwise, ruffle\\ beside the
    program (a link to the fetched copy)."""
    cw = harness.Courseware(main=None, version=None, files=files)
    test.addCleanup(cw.close)
    cw.write("main.swf", main)
    if ruffle:
        (cw.dir / "ruffle").symlink_to(env_dir("RUFFLE_DIR"), target_is_directory=True)
    return cw


class BrowserRun:
    """One run of the program with the page opened in headless Chromium."""

    def __init__(self, cw, switch_ruffle=True, profile=None):
        self.cw = cw
        self.url_file = cw.root / "url.txt"
        self.stop_file = cw.root / "stop-browser"
        self.log_file = cw.root / "browser.log"
        self.commands = cw.root / "driver-commands"
        self.switch_ruffle = switch_ruffle
        self.profile = profile  # a browser profile folder kept between runs, if given
        self.sent = 0
        for stale in (self.url_file, self.stop_file):
            stale.unlink(missing_ok=True)
        self.driver = None
        self.url = None
        self.url_seen = None  # seconds from program start to the URL file

    def args(self):
        a = ["/urlfile=" + harness.winepath(self.url_file)]
        return (["/ruffle"] if self.switch_ruffle else []) + a

    def wait_for_url(self, session, timeout=60.0):
        deadline = time.monotonic() + timeout
        while not (self.url_file.exists() and self.url_file.read_text().strip()):
            if not session.running():
                raise harness.HarnessError("program ended (%s) before writing its URL:\n%s" % (
                    session.proc.returncode, self.cw.root.joinpath("wine.err").read_text("utf-8", "replace")[-2000:]))
            if time.monotonic() > deadline:
                raise harness.HarnessError("no URL within %.0f s" % timeout)
            time.sleep(0.05)
        self.url_seen = session.elapsed()
        self.url = self.url_file.read_text().strip()
        return self.url

    def open_browser(self, timeout_ms=120000, app_args=None):
        """Opens the page headless; with `app_args` (browser switches, the URL among them) in a
        window on the display, as the program's browser would open it."""
        shutil.rmtree(self.commands, ignore_errors=True)
        self.commands.mkdir()
        self.sent = 0
        env = dict(os.environ, PUPPETEER_CORE=str(env_dir("PUPPETEER_CORE")),
                   DRIVER_COMMANDS=str(self.commands))
        if self.profile:
            env["DRIVER_PROFILE"] = str(self.profile)
        if app_args is not None:
            env["DRIVER_APP_ARGS"] = json.dumps(app_args)
        self.driver = subprocess.Popen(
            [os.environ.get("NODE", "node"), str(HERE / "ruffle_driver.js"), self.url,
             str(self.stop_file), str(self.log_file), str(timeout_ms)],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)

    def command(self, timeout=30.0, **command):
        """Has the driver carry out one command (see ruffle_driver.js); returns its answer."""
        self.sent += 1
        done = self.commands / ("%d.done" % self.sent)
        (self.commands / ("%d.json.tmp" % self.sent)).write_text(json.dumps(command))
        (self.commands / ("%d.json.tmp" % self.sent)).rename(self.commands / ("%d.json" % self.sent))
        deadline = time.monotonic() + timeout
        while not done.exists():
            if time.monotonic() > deadline:
                raise harness.HarnessError("the driver did not carry out %r" % command)
            time.sleep(0.05)
        time.sleep(0.05)
        return done.read_text("utf-8", "replace")

    def close_browser(self, screenshot=None, timeout=60):
        """Closes the page (after a screenshot to that path, if given) and waits for the driver."""
        if self.driver is None:
            return
        self.stop_file.write_text(str(screenshot or ""))
        try:
            self.driver.wait(timeout)
        except subprocess.TimeoutExpired:
            self.driver.kill()
            self.driver.wait()
        self.driver = None

    def browser_log(self):
        return self.log_file.read_text("utf-8", "replace") if self.log_file.exists() else ""

    def during(self, body):
        """A `during` callback for harness.run: URL, browser, body(session, self), browser closed."""
        def callback(session):
            try:
                self.wait_for_url(session)
                self.open_browser()
                body(session, self)
            finally:
                self.close_browser()
        return callback


def wait_for_file(session, path, timeout=60.0, what=None):
    """Waits until the file exists and has content; returns its bytes."""
    path = pathlib.Path(path)
    deadline = time.monotonic() + timeout
    while True:
        if path.exists() and path.stat().st_size > 0:
            time.sleep(0.1)  # the write has ended
            return path.read_bytes()
        if not session.running():
            raise harness.HarnessError("program ended (%s) before %s appeared" % (session.proc.returncode, path.name))
        if time.monotonic() > deadline:
            raise harness.HarnessError("%s did not appear within %.0f s" % (what or path.name, timeout))
        time.sleep(0.1)

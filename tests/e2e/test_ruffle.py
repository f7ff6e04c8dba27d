"""The browser player end to end: CourseShell.exe under Wine with /ruffle (or without a Flash
control), its page in headless Chromium, Ruffle playing AS2 movies written by tools/swfwriter and
an AS3 movie built with haxe. The movies report what they received through the shell's own
savefile, so every check goes through the real channel both ways."""

import http.client
import os
import pathlib
import shutil
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from browserharness import BrowserRun, courseware_with_ruffle, env_dir, wait_for_file  # noqa: E402
from bridgecommon import SETTINGS_KEY  # noqa: E402
from swfwriter import (EQUALS2, GET_MEMBER, NEW_OBJECT, NOT, POP, SET_MEMBER, Actions,  # noqa: E402
                       movie)

EXITED = 259 & 0xFF
CHINESE = "中文"
MARKUP_LINE = "a & b < c > \"q\" 'p' " + CHINESE


def describe(a, value):
    """Code leaving "<typeof>:<value>" of what value() leaves."""
    return lambda: a.concat(lambda: a.typeof(value), ":", value)


def results_movie(calls, after=None):
    """An AS2 movie that makes each (label, name, args) call, writes "label=typeof:value" lines to
    results.txt, registers DelphiCallBack (writing callback.txt) and then runs after(a)."""
    a = Actions()
    a.stop()
    a.ei_add_callback("DelphiCallBack", lambda: a.function(["n", "d"], lambda b: (
        b.ei_call("savefile", "callback.txt", lambda: b.concat(
            lambda: b.get_var("n"), "|", lambda: b.typeof(lambda: b.get_var("d")), "|",
            lambda: b.get_var("d"))),
        b.op(POP), b.ret("received"))))
    a.set_var("out", "")
    for label, name, args in calls:
        a.set_var("v", lambda: a.ei_call(name, *args))
        a.set_var("out", lambda: a.concat(lambda: a.get_var("out"), label + "=",
                                          describe(a, lambda: a.get_var("v")), "\n"))
    a.ei_call("savefile", "results.txt", lambda: a.get_var("out"))
    a.op(POP)
    if after:
        after(a)
    return movie(a)


def results(cw, name="results.txt"):
    text = cw.read(name).decode("utf-8")
    return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)


class BrowserTest(harness.ProgramTest):
    def run_browser(self, main, body, files=None, switch_ruffle=True, timeout=150):
        cw = courseware_with_ruffle(self, main, files=files)
        run = BrowserRun(cw, switch_ruffle=switch_ruffle)
        result = harness.run(cw, during=run.during(lambda s, r: body(cw, s, r)), args=run.args(),
                             timeout=timeout)
        return cw, run, result


class ExternalCallsAs2Test(BrowserTest):
    def test_every_request_of_the_table_and_the_commands(self):
        harness.reg_delete(SETTINGS_KEY)
        self.addCleanup(harness.reg_delete, SETTINGS_KEY)
        calls = [
            ("appdir", "getAppDir", []),
            ("load", "loadfile", ["a.txt"]),
            ("loadmissing", "loadfile", ["missing.txt"]),
            ("save", "savefile", ["saved.txt", "保存 & <x>"]),
            ("utf8", "saveToUTF8", ["utf8.txt", "  padded  "]),
            ("bytes", "saveBytes", ["bytes.txt", "原样 & <raw>"]),
            ("loadbytes", "loadBytes", ["bytes.txt"]),
            ("exists", "fileexists", ["a.txt"]),
            ("notexists", "fileexists", ["missing.txt"]),
            ("newfolder", "newfolder", ["f1/f2"]),
            # Settings are kept once the installation identifier exists.
            ("unique", "getunique", []),
            ("unique2", "getunique", []),
            ("savereg", "savereg", ["rufflekey", "hello & <world>"]),
            ("loadreg", "loadreg", ["rufflekey"]),
            ("prompt", "prompt", ["x"]),
            ("setsize", "setSize", ["1", "2"]),
            ("disable", "disableDragWindow", []),
            ("drag", "DragingWindow", []),
            ("enable", "enableDragWindow", []),
            ("other", "SaveMemToFile", ["x"]),
        ]

        def after(a):
            # Commands: the recorder answers "canspeak" through DelphiCallBack; the audio clip
            # is missing, so its error would show; "exitprogram" ends the program.
            a.fscommand("recording", "clip/model.mp3")
            a.fscommand("beginrecord", "")

        # The courseware's own text files are in the code page (GBK).
        files = {"a.txt": (MARKUP_LINE + "\r\nsecond line\r\n").encode("gbk")}

        def body(cw, session, run):
            wait_for_file(session, cw.path("results.txt"), what="the movie's results")
            wait_for_file(session, cw.path("callback.txt"), what="the canspeak notification")

        cw, run, result = self.run_browser(results_movie(calls, after), body, files=files)
        got = results(cw)
        app_dir = cw.windows_path() + "\\"
        self.assertEqual("string:" + app_dir, got["appdir"], run.browser_log())
        # The reply holds & < > and Chinese text; the movie gets the text itself.
        self.assertEqual("string:" + MARKUP_LINE, got["load"])
        # The empty reply "<string></string>": Ruffle hands an empty text from the page to an AS2
        # movie (SWF version below 9) as "null", as the Flash plug-in did.
        self.assertEqual("string:null", got["loadmissing"])
        self.assertEqual("boolean:true", got["save"])
        self.assertEqual("保存 & <x>\r\n".encode("utf-8"), cw.read("saved.txt"))
        self.assertEqual("boolean:true", got["utf8"])
        self.assertEqual(b"padded\r\n", cw.read("utf8.txt"))
        self.assertEqual("boolean:true", got["bytes"])
        # Stored text reads back as its bytes in the code page: what saveBytes kept comes back.
        self.assertEqual("原样 & <raw>\r\n".encode("gbk"), cw.read("bytes.txt"))
        self.assertEqual("string:原样 & <raw>", got["loadbytes"])
        self.assertEqual("boolean:true", got["exists"])
        self.assertEqual("boolean:false", got["notexists"])
        self.assertEqual("boolean:true", got["newfolder"])
        self.assertTrue(cw.path("f1/f2").is_dir())
        self.assertEqual("boolean:true", got["savereg"])
        self.assertEqual("string:hello & <world>", got["loadreg"])
        self.assertRegex(got["unique"], r"^string:.{8,}$")
        self.assertEqual(got["unique"], got["unique2"])
        # No reply: the movie's call returns undefined.
        for label in ("prompt", "setsize", "disable", "drag", "enable", "other"):
            self.assertEqual("undefined:undefined", got[label], label)
        # "canspeak" reached the movie's callback; the empty data of NotifyMovie arrives in an
        # AS2 movie as the text "null" (Ruffle, like the Flash plug-in, for SWF versions below 9).
        self.assertEqual("canspeak|string|null", cw.read("callback.txt").decode("utf-8").strip())
        # The page was closed by the driver: the program ended by itself, normally.
        self.assertFalse(result.timed_out, run.browser_log())
        self.assertEqual(0, result.status)

    def test_commands_arrive_in_order_and_exitprogram_ends_the_program(self):
        a = Actions()
        a.stop()
        a.ei_call("savefile", "before.txt", "x")
        a.op(POP)
        for i in range(5):
            a.fscommand("recording", "clip/%d.mp3" % i)
        a.fscommand("nosuchcommand", "x")
        a.fscommand("exitprogram", "")
        # The program has ended before this call, which comes after the command, could arrive.
        a.ei_call("savefile", "after.txt", "too late")
        a.op(POP)

        def body(cw, session, run):
            session.wait_exit(60)

        cw, run, result = self.run_browser(movie(a), body)
        self.assertEqual(EXITED, result.status, run.browser_log())
        self.assertTrue(cw.path("before.txt").exists())
        self.assertFalse(cw.path("after.txt").exists())


class ExternalCallsAs3Test(BrowserTest):
    def test_as3_movie_calls_and_callback(self):
        as3 = pathlib.Path(os.environ.get("AS3_MOVIE", ""))
        if not as3.is_file():
            raise harness.HarnessError("AS3_MOVIE=%r is missing" % str(as3))
        files = {"a.txt": (MARKUP_LINE + "\r\n").encode("gbk")}

        def body(cw, session, run):
            wait_for_file(session, cw.path("results-as3.txt"), what="the AS3 movie's results")
            wait_for_file(session, cw.path("callback-as3.txt"), what="the AS3 canspeak")

        cw, run, result = self.run_browser(as3.read_bytes(), body, files=files)
        lines = cw.read("results-as3.txt").decode("utf-8").splitlines()
        self.assertEqual([
            "available=true",
            "loadfile=string:" + MARKUP_LINE,
            # In an AS3 movie an empty reply stays empty.
            "loadfile=string:",
            "savefile=boolean:true",
            "fileexists=boolean:true",
            "fileexists=boolean:false",
            "getAppDir=string:" + cw.windows_path() + "\\",
            # No reply: AS3 receives null.
            "prompt=null:",
            "SaveMemToFile=null:",
        ], lines, run.browser_log())
        self.assertEqual("AS3 中文 & <x>\r\n".encode("utf-8"), cw.read("saved-as3.txt"))
        # In an AS3 movie the empty data stays empty.
        self.assertEqual("canspeak|string:", cw.read("callback-as3.txt").decode("utf-8").strip())
        self.assertEqual(0, result.status)


def raw_get(url, path, host=None, origin=None, method="GET", body=None):
    """(status, body) of one request with exactly this path and these headers."""
    parts = urllib.parse.urlsplit(url)
    conn = http.client.HTTPConnection(parts.hostname, parts.port, timeout=20)
    try:
        conn.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        conn.putheader("Host", host or parts.netloc)
        if origin:
            conn.putheader("Origin", origin)
        if body is not None:
            conn.putheader("Content-Length", str(len(body)))
        conn.endheaders(body)
        response = conn.getresponse()
        return response.status, response.read()
    finally:
        conn.close()


class ServerRefusalsTest(BrowserTest):
    def test_requests_without_secret_host_origin_or_inside_paths_get_nothing(self):
        a = Actions()
        a.stop()
        a.ei_call("savefile", "ready.txt", "ready")
        a.op(POP)
        secret_text = b"outside the program directory"
        seen = {}

        def body(cw, session, run):
            (cw.root / "secret.txt").write_bytes(secret_text)
            wait_for_file(session, cw.path("ready.txt"))
            parts = urllib.parse.urlsplit(run.url)
            prefix = parts.path  # "/<secret>/"
            own = "http://" + parts.netloc
            seen["page"] = raw_get(run.url, prefix)
            seen["movie"] = raw_get(run.url, prefix + "main.swf")
            seen["movie, own origin"] = raw_get(run.url, prefix + "main.swf", origin=own)
            seen["no secret"] = raw_get(run.url, "/main.swf")
            seen["no secret, root"] = raw_get(run.url, "/")
            seen["wrong secret"] = raw_get(run.url, "/" + "0" * 32 + "/main.swf")
            seen["wrong host"] = raw_get(run.url, prefix + "main.swf", host="evil.example")
            seen["localhost"] = raw_get(run.url, prefix + "main.swf",
                                        host="localhost:%d" % parts.port)
            seen["other origin"] = raw_get(run.url, prefix + "main.swf", origin="http://evil.example")
            seen["other origin call"] = raw_get(
                run.url, prefix + "!/call", origin="http://evil.example", method="POST",
                body=b'<invoke name="savefile" returntype="xml"><arguments><string>evil.txt</string>'
                     b'<string>x</string></arguments></invoke>')
            seen["call by GET"] = raw_get(run.url, prefix + "!/call")
            seen["file by POST"] = raw_get(run.url, prefix + "main.swf", method="POST", body=b"")
            seen["listing"] = raw_get(run.url, prefix + "ruffle/")
            seen["folder"] = raw_get(run.url, prefix + "ruffle")
            for form in ["../secret.txt", "..%2fsecret.txt", "%2e%2e/secret.txt",
                         "%2E%2E%2Fsecret.txt", "..\\secret.txt", "..%5csecret.txt",
                         "%252e%252e/secret.txt", "Z:/" + str(cw.root / "secret.txt")[1:],
                         "Z%3a/" + str(cw.root / "secret.txt")[1:], "./../secret.txt",
                         "ruffle/../../secret.txt", "..%20/secret.txt", "..%00/secret.txt"]:
                seen["traversal " + form] = raw_get(run.url, prefix + form)

        cw, run, result = self.run_browser(movie(a), body)
        self.assertEqual(200, seen["page"][0], run.browser_log())
        self.assertIn(b"ruffle/ruffle.js", seen["page"][1])
        self.assertEqual((200, cw.read("main.swf")), seen["movie"])
        self.assertEqual(200, seen["movie, own origin"][0])
        refused = {k: v for k, v in seen.items() if k not in ("page", "movie", "movie, own origin")}
        for what, (status, content) in refused.items():
            self.assertEqual(404, status, what)
            self.assertEqual(b"", content, what)
        self.assertFalse(cw.path("evil.txt").exists())
        self.assertEqual(0, result.status)


PICKER = "选择资源"
MANAGER = "教学资源管理"
MCI_NOT_FOUND = ("无法找到指定的文件。请确保路径和文件名是正确的。",
                 "Cannot find the specified file. Make sure the path and filename are correct.")
LIBRARY_FILES = {"resources/a.doc": "doc", "resources/音乐/song.mp3": "mp3",
                 "lesson1/resource/words.txt": "w"}


def client_origin(window, client_w, client_h):
    border = (window["width"] - client_w) // 2
    return window["x"] + border, window["y"] + window["height"] - client_h - border


def gone(title, timeout=10.0):
    """True once no visible window has the title (Wine takes a moment to hide a closed one)."""
    deadline = time.monotonic() + timeout
    while harness.find_window(title) is not None:
        if time.monotonic() > deadline:
            return False
        time.sleep(0.2)
    return True


def pick_first_general_file(window):
    """Double-clicks the first icon of the picker's general list (as the ActiveX tests do)."""
    x, y = client_origin(window, 687, 508)
    harness.click(x + 240, y + 70)
    time.sleep(0.3)
    harness._run(["xdotool", "click", "--repeat", "2", "--delay", "80", "1"])


def picker_movie(function, register):
    a = Actions()
    a.stop()
    if register:
        a.ei_add_callback(function, lambda: a.function(["what", "file"], lambda b: (
            b.ei_call("savefile", "picked.txt", lambda: b.concat(
                lambda: b.get_var("what"), "|", lambda: b.get_var("file"))),
            b.op(POP), b.ret("done"))))
    a.fscommand("selectresource", "lesson1/@@@" + function)
    return movie(a)


class LibraryCommandsTest(BrowserTest):
    def test_selectresource_reports_the_pick_to_the_movie(self):
        seen = {}

        def body(cw, session, run):
            window = harness.find_window(PICKER, timeout=60)
            self.assertIsNotNone(window, harness.windows())
            time.sleep(0.5)
            session.screenshot("ruffle-picker.png")
            pick_first_general_file(window)
            seen["picked"] = wait_for_file(session, cw.path("picked.txt"), timeout=30)
            seen["picker closed"] = gone(PICKER)

        cw, run, result = self.run_browser(picker_movie("onPicked", True), body,
                                           files=LIBRARY_FILES)
        self.assertEqual("selectedover|\\resources\\a.doc\r\n".encode("gbk"), seen["picked"])
        self.assertTrue(seen["picker closed"])
        self.assertEqual(0, result.status)

    def test_a_function_the_movie_never_registered_raises_and_the_picker_stays(self):
        seen = {}

        def body(cw, session, run):
            window = harness.find_window(PICKER, timeout=60)
            self.assertIsNotNone(window, harness.windows())
            time.sleep(0.5)
            pick_first_general_file(window)
            seen["box"] = harness.find_text_window("Error calling method on NPObject.", timeout=30)
            harness.press("Return")
            time.sleep(1)
            seen["picker after"] = harness.find_window(PICKER, timeout=5)
            if seen["picker after"]:
                harness.press("alt+F4", window=seen["picker after"])

        cw, run, result = self.run_browser(picker_movie("neverRegistered", False), body,
                                           files=LIBRARY_FILES)
        self.assertIsNotNone(seen["box"])
        self.assertIsNotNone(seen["picker after"])
        self.assertEqual(0, result.status)

    def test_the_movie_is_served_while_the_manager_is_open(self):
        a = Actions()
        a.stop()
        a.fscommand("otherresource", "lesson1/")
        a.ei_call("savefile", "during.txt", "served")
        a.op(POP)
        seen = {}

        def body(cw, session, run):
            window = harness.find_window(MANAGER, timeout=60)
            self.assertIsNotNone(window, harness.windows())
            seen["during"] = wait_for_file(session, cw.path("during.txt"), timeout=30)
            seen["manager open then"] = harness.find_window(MANAGER, timeout=0) is not None
            session.screenshot("ruffle-manager.png")
            # 取消 (cancel) at the bottom right of the first tab.
            x, y = client_origin(window, 694, 528)
            harness.click(x + 593, y + 454)
            seen["manager closed"] = gone(MANAGER)

        cw, run, result = self.run_browser(movie(a), body, files=LIBRARY_FILES)
        self.assertEqual(b"served\r\n", seen["during"])
        self.assertTrue(seen["manager open then"])
        self.assertTrue(seen["manager closed"])
        self.assertEqual(0, result.status)

    def test_audio_with_a_missing_clip_shows_the_device_error(self):
        a = Actions()
        a.stop()
        a.fscommand("audio", "nosuch/clip.wav")
        a.ei_call("savefile", "after.txt", "x")
        a.op(POP)
        seen = {}

        def body(cw, session, run):
            seen["box"] = (harness.find_text_window(MCI_NOT_FOUND[0], timeout=30) or
                           harness.find_text_window(MCI_NOT_FOUND[1], timeout=1))
            harness.press("Return")
            wait_for_file(session, cw.path("after.txt"), timeout=30)

        cw, run, result = self.run_browser(movie(a), body)
        self.assertIsNotNone(seen["box"])
        self.assertEqual("Courseshell", seen["box"]["title"])
        self.assertEqual(0, result.status)


class StartupTest(BrowserTest):
    def check_ruffle_plays_without_flash_control(self, files=None):
        harness.unregister_standin()
        self.addCleanup(harness.register_standin)
        a = Actions()
        a.stop()
        a.ei_call("savefile", "first.txt", "played")
        a.op(POP)

        def body(cw, session, run):
            wait_for_file(session, cw.path("first.txt"))

        cw, run, result = self.run_browser(movie(a), body, files=files, switch_ruffle=False)
        self.assertEqual(b"played\r\n", cw.read("first.txt"))
        self.assertEqual(0, result.status)

    def test_without_flash_control_ruffle_beside_the_program_is_used(self):
        self.check_ruffle_plays_without_flash_control()

    def test_a_control_file_that_is_no_module_goes_on_to_ruffle(self):
        self.check_ruffle_plays_without_flash_control({"Flash10h.ocx": b"not a module\r\n"})


def read_text(cw, name):
    path = cw.path(name)
    return path.read_bytes().decode("utf-8", "replace").strip() if path.exists() else None


def wait_for_text(session, cw, name, text, timeout=20.0):
    """Waits until the file holds the text; returns what it held at the end."""
    deadline = time.monotonic() + timeout
    while read_text(cw, name) != text and time.monotonic() < deadline and session.running():
        time.sleep(0.1)
    return read_text(cw, name)


def ticking(a, ms=250):
    """Adds to a movie: every ms the shell saves a counter to tick.txt."""
    a.set_var("n", 0)
    a.call_function("setInterval", lambda: a.function([], lambda b: (
        b.set_var("n", lambda: b.concat(lambda: b.get_var("n"), 1)),
        b.ei_call("savefile", "tick.txt", lambda: b.get_var("n")), b.op(POP))), ms)
    a.op(POP)


class OnePageTest(BrowserTest):
    def test_a_second_tab_gets_a_refusal_and_the_first_plays_on(self):
        a = Actions()
        a.stop()
        # Each start of the movie adds an "x" to the first line of starts.txt.
        a.ei_call("savefile", "starts.txt",
                  lambda: a.concat(lambda: a.ei_call("loadfile", "starts.txt"), "x"))
        a.op(POP)
        ticking(a)
        seen = {}

        def body(cw, session, run):
            wait_for_file(session, cw.path("tick.txt"))
            seen["second tab"] = run.command(do="open")
            time.sleep(5)
            seen["text"] = run.command(do="text", tab=1)
            before = read_text(cw, "tick.txt")
            time.sleep(2)
            seen["ticks"] = (before, read_text(cw, "tick.txt"))
            seen["starts"] = read_text(cw, "starts.txt")

        cw, run, result = self.run_browser(movie(a), body)
        self.assertEqual("1", seen["second tab"])
        self.assertIn("This course is already playing in another window", seen["text"])
        self.assertIn("本课程已在另一个窗口中播放", seen["text"])
        # The movie started once, in the first tab, and plays on there.
        self.assertEqual("nullx", seen["starts"], run.browser_log())
        self.assertNotEqual(seen["ticks"][0], seen["ticks"][1])
        self.assertEqual(0, result.status)


class SavedDataTest(BrowserTest):
    def test_a_movies_shared_object_survives_a_restart_of_the_program(self):
        a = Actions()
        a.stop()
        a.set_var("so", lambda: a.call_method("SharedObject", "getLocal", "progress"))
        # so.data.visits = so.data.visits + "x"; the first visit finds it undefined.
        a.get_var("so").push("data").op(GET_MEMBER).push("visits")
        a.concat(lambda: a.get_var("so").push("data").op(GET_MEMBER).push("visits").op(GET_MEMBER),
                 "x")
        a.op(SET_MEMBER)
        a.call_method(lambda: a.get_var("so"), "flush")
        a.op(POP)
        a.ei_call("savefile", "visits.txt",
                  lambda: a.get_var("so").push("data").op(GET_MEMBER).push("visits").op(GET_MEMBER))
        a.op(POP)
        profile = pathlib.Path(tempfile.mkdtemp(prefix="cs-profile-"))
        self.addCleanup(shutil.rmtree, profile, True)
        cw = courseware_with_ruffle(self, movie(a))
        visits = []
        for _ in range(2):
            cw.path("visits.txt").unlink(missing_ok=True)
            run = BrowserRun(cw, profile=profile)

            def body(session, run):
                visits.append(wait_for_file(session, cw.path("visits.txt")).decode().strip())

            result = harness.run(cw, during=run.during(body), args=run.args(), timeout=150)
            self.assertEqual(0, result.status, run.browser_log())
        # The second start finds what the first one saved.
        self.assertEqual(["undefinedx", "undefinedxx"], visits)


class ModalInputTest(BrowserTest):
    def test_no_input_reaches_the_movie_while_a_window_of_the_program_is_open(self):
        a = Actions()
        a.stop()
        a.set_var("clicks", 0)
        # A mouse listener counts each click and saves the count; the first opens the picker.
        a.set_var("listener", lambda: a.push(0, "Object").op(NEW_OBJECT))
        a.get_var("listener").push("onMouseDown")
        a.function([], lambda b: (
            b.set_var("clicks", lambda: b.concat(lambda: b.get_var("clicks"), 1)),
            b.ei_call("savefile", "clicks.txt", lambda: b.get_var("clicks")), b.op(POP),
            b.get_var("clicks").push(1).op(EQUALS2).op(NOT).if_true("done"),
            b.fscommand("selectresource", "lesson1/@@@onPicked"),
            b.label("done")))
        a.op(SET_MEMBER)
        a.call_method("Mouse", "addListener", lambda: a.get_var("listener"))
        a.op(POP)
        a.ei_call("savefile", "ready.txt", "ready")
        a.op(POP)
        seen = {}

        def body(cw, session, run):
            wait_for_file(session, cw.path("ready.txt"))
            # In headless Chromium Ruffle 0.6.0 lets the movie see clicks only after it has taken
            # one itself (focus, audio): click until the first one counts.
            for _ in range(5):
                run.command(do="click", x=500, y=300)
                seen["first"] = wait_for_text(session, cw, "clicks.txt", "1", timeout=1.5)
                if seen["first"]:
                    break
            window = harness.find_window(PICKER, timeout=60)
            self.assertIsNotNone(window, (seen, harness.windows()))
            time.sleep(1.5)
            # Clicks into the page while the picker is open reach nothing.
            for _ in range(2):
                run.command(do="click", x=500, y=300)
                time.sleep(0.3)
            time.sleep(2)
            seen["during"] = read_text(cw, "clicks.txt")
            harness.press("alt+F4", window=harness.find_window(PICKER))
            seen["picker closed"] = gone(PICKER)
            time.sleep(1.5)
            run.command(do="click", x=500, y=300)
            seen["after"] = wait_for_text(session, cw, "clicks.txt", "2")

        cw, run, result = self.run_browser(movie(a), body, files=LIBRARY_FILES)
        self.assertEqual("1", seen["first"], run.browser_log())
        self.assertEqual("1", seen["during"])
        self.assertTrue(seen["picker closed"])
        self.assertEqual("2", seen["after"])
        self.assertEqual(0, result.status)


class HostCallDuringMovieCallTest(BrowserTest):
    def test_a_host_call_while_the_movie_waits_in_a_call_is_answered_at_once(self):
        a = Actions()
        a.stop()
        a.ei_add_callback("DelphiCallBack", lambda: a.function(["n", "d"], lambda b: (
            b.ei_call("savefile", "callback.txt", lambda: b.concat(lambda: b.get_var("n"), "|",
                                                                     lambda: b.get_var("d"))),
            b.op(POP), b.ret("received"))))
        # "canspeak" comes 750 ms after "beginrecord", while the movie still waits in "newfolder",
        # whose failure message stays open until the test closes it.
        a.fscommand("beginrecord", "")
        a.set_var("r", lambda: a.ei_call("newfolder", "blocker/sub"))
        a.ei_call("savefile", "after.txt", lambda: a.concat("r=", lambda: a.get_var("r")))
        a.op(POP)
        seen = {}

        def body(cw, session, run):
            seen["box"] = harness.find_text_window("创建文件夹失败", timeout=60)
            deadline = time.monotonic() + 8
            while not cw.path("callback.txt").exists() and time.monotonic() < deadline:
                time.sleep(0.1)
            seen["callback while waiting"] = read_text(cw, "callback.txt")
            seen["error"] = harness.find_text_window("The movie did not answer the call",
                                                     timeout=0.5)
            harness.press("Return")
            seen["after"] = wait_for_file(session, cw.path("after.txt"), timeout=30)

        cw, run, result = self.run_browser(movie(a), body, files={"blocker": "a file"})
        self.assertIsNotNone(seen["box"])
        self.assertEqual("canspeak|null", seen["callback while waiting"], run.browser_log())
        self.assertIsNone(seen["error"])
        self.assertEqual(b"r=false\r\n", seen["after"])
        self.assertEqual(0, result.status)


if __name__ == "__main__":
    harness.main_or_skip()

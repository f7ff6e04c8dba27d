"""Self-test of the stand-in player, hosted by the minimal test container standin_testhost.exe.

Needs STANDIN_DLL and STANDIN_TESTHOST; runs inside the Wine bench."""

import os
import pathlib
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402

REQUEST_HEAD = '<invoke name="%s" returntype="xml"><arguments>'
REQUEST_TAIL = "</arguments></invoke>"


def setUpModule():
    harness.require_bench()
    harness.register_standin()


def testhost():
    return harness._env_path("STANDIN_TESTHOST")


class HostRun:
    """One run of the test container on a movie script."""

    def __init__(self, test, script, seconds=20, during=None, movie="main.swf", write_movie=True):
        self.cw = harness.Courseware(main=script if write_movie else None, version=None, copy_exe=False)
        test.addCleanup(self.cw.close)
        self.host_log_path = self.cw.root / "host.log"
        self.result = harness.run(
            self.cw, during=during, timeout=seconds + 15, program=testhost(),
            args=[harness.winepath(self.host_log_path), self.cw.windows_path(movie), seconds])
        self.movie = self.cw.log(movie)
        self.host = (self.host_log_path.read_bytes().decode("utf-8").splitlines()
                     if self.host_log_path.exists() else [])

    def explain(self):
        return "\n--- host\n%s\n--- movie\n%s" % ("\n".join(l[:300] for l in self.host), self.movie)


class RegistrationTest(unittest.TestCase):
    def tearDown(self):
        harness.register_standin()

    def test_unregistered_class_cannot_be_created_and_registration_restores_it(self):
        harness.unregister_standin()
        self.assertIsNone(harness.standin_registration())
        run = HostRun(self, "fscommand quit\n", seconds=10)
        self.assertIn("create 0x80040154", run.host, run.explain())
        self.assertEqual(run.result.status, 3)

        path = harness.register_standin()
        self.assertEqual(harness.standin_registration().lower(), path.lower())
        values = harness.reg_query(harness._standin_key(), redirect=False)
        self.assertEqual(values.get("ThreadingModel"), "Apartment")
        # Registering again is harmless and keeps the same entry.
        self.assertEqual(harness.register_standin().lower(), path.lower())


class HostingTest(unittest.TestCase):
    def test_in_place_window_is_created_sized_painted_and_torn_down(self):
        shots = {}

        def during(s):
            s.wait_for_log(r"^log ready$", 15)
            frame = s.find_window("Stand-in test host", timeout=5)
            self.assertIsNotNone(frame, harness.windows())
            # Client (10,10)-(410,310) holds the player; sample its plain background.
            shots["inside"] = s.pixel(frame["x"] + 60, frame["y"] + 60)
            shots["outside"] = s.pixel(frame["x"] + 500, frame["y"] + 400)
            s.screenshot("hosted.png")

        run = HostRun(self, "log ready\nwait 1500\nfscommand resize 20 30 300 200\nfscommand quit\n",
                      during=during)
        self.assertEqual(run.result.status, 0, run.explain())
        self.assertIn("child parented 10 10 400 300 visible", run.host, run.explain())
        self.assertIn("ishockwaveflash same", run.host)
        for wanted in ("site caninplaceactivate", "site oninplaceactivate", "site getwindowcontext",
                       "site oninplacedeactivate", "host end"):
            self.assertIn(wanted, run.host)
        self.assertTrue(run.movie.has("window-create", "10 10 400 300"), run.explain())
        sizes = run.movie.texts("size")
        self.assertEqual(sizes[0], "400 300 at 10 10")
        self.assertEqual(sizes[-1], "300 200 at 20 30")
        self.assertTrue(run.movie.has("prop", "Quality2 High"))
        self.assertEqual(shots["inside"], (0xE8, 0xEE, 0xF4))
        self.assertNotEqual(shots["outside"], (0xE8, 0xEE, 0xF4))
        # Orderly shutdown as the program does it.
        order = [(line.event + " " + line.text).strip() for line in run.movie.lines
                 if line.event in ("unadvise", "close", "deactivate", "window-destroy", "clientsite", "destroyed")]
        self.assertEqual(order, ["clientsite set", "unadvise 1", "close", "deactivate", "window-destroy",
                                 "clientsite null", "destroyed"])

    def test_mouse_input_reaches_the_player_window_through_the_message_loop(self):
        run = HostRun(self, "click right 5 6\nclick left 7 8\nwait 300\nfscommand quit\n")
        mouse = run.movie.texts("mouse")
        self.assertEqual(mouse, ["WM_RBUTTONDOWN 5 6", "WM_RBUTTONUP 5 6", "WM_LBUTTONDOWN 7 8",
                                 "WM_LBUTTONUP 7 8"], run.explain())
        self.assertTrue(run.movie.has("focus"))


class ChannelTest(unittest.TestCase):
    def test_commands_calls_and_replies_reach_the_host_exactly(self):
        script = "\n".join([
            "fscommand audio lesson1/a.mp3",
            "fscommand exec \\u4e2d\\u6587 \\\\ |x",
            "fscommand empty",
            "call loadfile lesson1/words.txt|a&b<c>\"d'|\\u4e2d\\u6587",
            "call noreply x",
            "call none",
            "call one \\e",
            "rawcall <invoke name=\"raw\">\\r\\n</invoke>",
            "bigcall big 10485760",
            "fscommand quit",
        ])
        run = HostRun(self, script)
        host = run.host
        self.assertIn("fscommand audio|lesson1/a.mp3", host, run.explain())
        self.assertIn("fscommand exec|中文 \\ |x", host)
        self.assertIn("fscommand empty|", host)
        loadfile = (REQUEST_HEAD % "loadfile" + "<string>lesson1/words.txt</string>"
                    "<string>a&amp;b&lt;c&gt;&quot;d&apos;</string><string>中文</string>" + REQUEST_TAIL)
        self.assertIn("flashcall " + loadfile, host)
        self.assertIn("flashcall " + REQUEST_HEAD % "none" + REQUEST_TAIL, host)
        self.assertIn("flashcall " + REQUEST_HEAD % "one" + "<string></string>" + REQUEST_TAIL, host)
        self.assertIn('flashcall <invoke name="raw">\\r\\n</invoke>', host)
        big_len = len(REQUEST_HEAD % "big" + "<string></string>" + REQUEST_TAIL) + 10485760
        self.assertIn("flashcall-big %d" % big_len, host)

        calls = dict(run.movie.flashcalls())
        self.assertEqual(calls[loadfile], "<string>len=%d</string>" % len(loadfile))
        self.assertIsNone(calls[REQUEST_HEAD % "noreply" + "<string>x</string>" + REQUEST_TAIL])
        raw = '<invoke name="raw">\r\n</invoke>'
        self.assertEqual(calls[raw], "<string>len=%d</string>" % len(raw))
        self.assertEqual(run.movie.texts("fscommand")[:3], ["audio lesson1/a.mp3", "exec 中文 \\ |x", "empty "])

    def test_call_function_and_get_variable_succeed_or_fail_with_the_players_texts(self):
        ok_request = REQUEST_HEAD % "DelphiCallBack" + "<string>canspeak</string><string></string>" + REQUEST_TAIL
        bad_request = REQUEST_HEAD % "missing" + REQUEST_TAIL
        script = "\n".join([
            "var mainver 11",
            "var text \\u4e2d x",
            "register DelphiCallBack <string>done</string>",
            "fscommand getvar mainver",
            "fscommand getvar text",
            "fscommand getvar submainver",
            "fscommand callfn " + ok_request,
            "waitcall DelphiCallBack 2000",
            "fscommand callfn " + bad_request,
            "waitcall never 300",
            "log after",
            "fscommand quit",
        ])
        run = HostRun(self, script)
        host = run.host
        self.assertIn("getvariable ok 11", host, run.explain())
        self.assertIn("getvariable ok 中 x", host)
        self.assertIn("getvariable fail 0x80020009 Variable not found: submainver", host)
        self.assertIn("callfunction ok <string>done</string>", host)
        self.assertIn("callfunction fail 0x80020009 Error calling method on NPObject.", host)
        self.assertTrue(run.movie.has("callfunction", "ok " + ok_request))
        self.assertTrue(run.movie.has("callfunction", "fail " + bad_request))
        self.assertTrue(run.movie.has("waitcall-ok", "DelphiCallBack"))
        events = [l.event for l in run.movie.lines]
        self.assertLess(events.index("waitcall-timeout"), events.index("log"))

    def test_missing_and_unloaded_movies_answer_nothing(self):
        script = "var mainver 11\nregister f\nfscommand unload\n"
        run = HostRun(self, script, seconds=3)
        self.assertTrue(run.movie.has("unload", run.cw.windows_path("main.swf")), run.explain())
        self.assertFalse(run.movie.has("script-end"))
        self.assertEqual(run.result.status, 2)   # the host timed out: nothing more came

        missing = HostRun(self, "", seconds=3, movie="nothere.swf", write_movie=False)
        self.assertTrue(missing.movie.has("load-missing", missing.cw.windows_path("nothere.swf")),
                        missing.explain())


class AmbientQuestionTest(unittest.TestCase):
    """At activation the stand-in asks its site for the ambient UserMode as an MFC control does:
    no ambient dispatch, or a failing call, is run mode; an answer is read as a VT_BOOL, so an
    empty one is design mode, in which it plays nothing."""

    def host(self, kind):
        if kind:
            os.environ["STANDIN_TESTHOST_AMBIENT"] = kind
            self.addCleanup(os.environ.pop, "STANDIN_TESTHOST_AMBIENT", None)
        return HostRun(self, "log ran\nfscommand quit\n", seconds=4)

    def test_a_run_time_answer_plays(self):
        run = self.host(None)
        self.assertEqual(["-1 vt 11"], run.movie.texts("usermode"), run.explain())
        self.assertIn("site ambient -709", run.host)
        self.assertTrue(run.movie.has("log", "ran"))
        self.assertEqual(run.result.status, 0)

    def test_no_ambient_dispatch_or_a_failing_call_is_run_mode(self):
        for kind, seen in (("none", "no-ambient-dispatch"), ("fail", "fail 0x80020003")):
            run = self.host(kind)
            self.assertEqual([seen], run.movie.texts("usermode"), run.explain())
            self.assertTrue(run.movie.has("log", "ran"), kind)

    def test_an_empty_answer_is_design_mode_and_nothing_plays(self):
        run = self.host("empty")
        self.assertEqual(["0 vt 0"], run.movie.texts("usermode"), run.explain())
        self.assertTrue(run.movie.has("designmode-refused", run.cw.windows_path("main.swf")))
        self.assertFalse(run.movie.has("log"))
        self.assertEqual(run.result.status, 2)   # no quit came: the host timed out


class SwitchTest(unittest.TestCase):
    def test_with_its_type_library_required_and_not_registered_the_dispatch_fails(self):
        harness.remove_player_typelib()
        os.environ["STANDIN_REQUIRE_TYPELIB"] = "1"
        self.addCleanup(os.environ.pop, "STANDIN_REQUIRE_TYPELIB", None)
        run = HostRun(self, "fscommand quit\n", seconds=3)
        # TYPE_E_LIBNOTREGISTERED, for the settings by name and the movie alike; no movie loads.
        self.assertIn("setting dispid 0", run.host, run.explain())
        self.assertIn("movie 0x8002801D", run.host)
        self.assertEqual(0, len(run.movie))


class KilledBuildTest(unittest.TestCase):
    """standin_killed.dll: a Flash build that refuses all content, as 32.0.0.371 and later do."""

    def tearDown(self):
        harness.unregister_standin()
        harness.register_standin()

    def test_it_runs_no_script_and_draws_a_blocked_panel(self):
        harness.unregister_standin()
        harness.register_standin(harness.standin_killed_dll())
        seen = {}

        def during(s):
            s.wait_for_log(r"^blocked ", 15)
            time.sleep(0.5)
            frame = s.find_window("Stand-in test host", timeout=5)
            # The player is 400 x 300 at (10,10): the sign is centred 30 pixels above the middle.
            seen["panel"] = s.pixel(frame["x"] + 10 + 20, frame["y"] + 10 + 20)
            seen["sign"] = s.pixel(frame["x"] + 10 + 200, frame["y"] + 10 + 120)
            s.screenshot("killed.png")

        run = HostRun(self, "var mainver 32\nlog ran\nfscommand quit\n", seconds=4, during=during)
        self.assertTrue(run.movie.has("blocked", run.cw.windows_path("main.swf")), run.explain())
        self.assertFalse(run.movie.has("log"))
        self.assertFalse([l for l in run.host if l.startswith("fscommand")])
        self.assertEqual(run.result.status, 2)
        self.assertEqual((0x3A, 0x3A, 0x3A), seen["panel"])
        self.assertEqual((0xE0, 0x40, 0x30), seen["sign"])
        self.assertEqual((32, 0, 0, 465), harness.file_version(harness.standin_killed_dll()))


class ScriptTimingTest(unittest.TestCase):
    def test_loops_keep_running_while_the_host_pumps_inside_a_handler(self):
        script = "every 50 6 call tick\nfscommand pump 800\njoin\nlog joined\nfscommand quit\n"
        run = HostRun(self, script)
        lines = run.movie.lines
        start = next(i for i, l in enumerate(lines) if l.event == "fscommand" and l.text == "pump 800")
        done = next(i for i, l in enumerate(lines) if l.event == "fscommand-done")
        nested = [l for l in lines[start:done] if l.event == "flashcall"]
        self.assertGreaterEqual(len(nested), 4, run.explain())
        ticks = [l.ms for l in lines if l.event == "flashcall"]
        self.assertEqual(len(ticks), 6)
        gaps = [b - a for a, b in zip(ticks, ticks[1:])]
        print("every 50 ms tick gaps during a nested loop:", gaps)
        self.assertTrue(run.movie.has("log", "joined"))
        self.assertGreater(run.movie.first("log", "joined").ms, ticks[-1] - 1)

    def test_log_is_complete_when_the_process_is_killed(self):
        def during(s):
            s.wait_for_log(r"^log before-kill$", 15)
            harness._kill(s.proc.pid)

        run = HostRun(self, "fscommand audio x\nlog before-kill\nwait 60000\nlog never\n", during=during)
        self.assertTrue(run.movie.has("fscommand", "audio x"), run.explain())
        self.assertTrue(run.movie.has("log", "before-kill"))
        self.assertFalse(run.movie.has("log", "never"))


class InteractiveTest(unittest.TestCase):
    """Movies for people: widgets on the player's window, blocks run by clicks, the text area."""

    def test_clicks_and_presses_run_blocks_in_turn_and_the_text_area_shows_the_answers(self):
        f2 = REQUEST_HEAD % "f2" + "<string>x &amp; y</string>" + REQUEST_TAIL
        script = "\n".join([
            "title \u6f14\u793a demo",
            "button a \u6309\u94aeA",
            "grip g Grip",
            "button b B",
            "text \u4f60\u597d",
            "on a",
            "fscommand first \u7532",
            "call f x|y",
            "end",
            "on g",
            "log grip-pressed",
            "fscommand quit",
            "end",
            "on b",
            "log b-ran",
            "end",
            "log ready",
            "wait 1500",
            # The host's player is 400 wide: one column, the grip second.
            "click left 100 143",
            "press b",
            "press nothing",
            "fscommand callfn " + f2,
            "log main-done",
        ])
        seen = {}

        def during(s):
            s.wait_for_log(r"^log ready$", 15)
            frame = s.find_window("Stand-in test host", timeout=5)
            self.assertIsNotNone(frame, harness.windows())
            # The player sits at (10,10) in the host; button a at (16,84) in the player.
            s.click(frame["x"] + 10 + 16 + 90, frame["y"] + 10 + 84 + 17)
            seen["band"] = s.pixel(frame["x"] + 10 + 4, frame["y"] + 10 + 4)
            s.wait_for_log(r"^on-start g$", 15)
            s.screenshot("interactive.png")

        run = HostRun(self, script, during=during)
        movie = run.movie
        self.assertEqual(run.result.status, 0, run.explain())
        self.assertEqual(movie.texts("layout"), ["a 16 84 184 34", "g 16 126 184 34", "b 16 168 184 34"])
        # The heading band is drawn: the window still says what it is.
        self.assertEqual(seen["band"], (0x2B, 0x3A, 0x55))

        order = [(l.event + " " + l.text).strip() for l in movie.lines
                 if l.event in ("clicked", "press", "press-unknown", "on-start", "on-end", "script-end")
                 or (l.event == "log" and l.text in ("b-ran", "main-done", "grip-pressed"))]
        # A click waits for the running script; a press runs its block at once.
        self.assertEqual(order, ["clicked a", "clicked g", "press b", "log b-ran", "on-end b",
                                 "press-unknown nothing", "log main-done", "script-end",
                                 "on-start a", "on-end a", "on-start g", "log grip-pressed", "on-end g"],
                         run.explain())
        self.assertIn("fscommand first|甲", run.host)
        shown = movie.texts("shown")
        reply = dict(movie.flashcalls())[REQUEST_HEAD % "f" + "<string>x</string><string>y</string>" + REQUEST_TAIL]
        for wanted in ("你好", "\u25b6 按钮A", "\u25b6 Grip", "\u2192 fscommand first \"甲\"",
                       "\u2192 f(\"x\", \"y\")", "\u2190 " + reply,
                       "\u21d0 program calls f2(\"x & y\")  (not registered by the movie)"):
            self.assertIn(wanted, shown, run.explain())
        self.assertLess(shown.index("\u25b6 按钮A"), shown.index("\u2192 fscommand first \"甲\""))

    def test_block_mistakes_are_reported_and_the_rest_still_runs(self):
        script = "\n".join([
            "end",
            "on a",
            "on b",
            "log in-a",
            "end",
            "button a A",
            "on c",
            "log in-c",
        ])
        run = HostRun(self, script + "\n", seconds=3)
        errors = run.movie.texts("script-error")
        self.assertEqual(errors, ["1 end without on", "3 on inside the block of another on",
                                        "7 on c: missing end"], run.explain())
        # The block of a stays whole; c's block swallowed the rest of the file.
        self.assertTrue(run.movie.has("button", "a A"), errors)
        self.assertFalse(run.movie.has("log"))
        self.assertTrue(run.movie.has("script-end"))


if __name__ == "__main__":
    harness.main_or_skip()

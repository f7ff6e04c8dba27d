"""Which Flash control plays, and how the program treats it, under Wine with the stand-in:
registered builds that refuse all content are passed over, the control's ambient questions get a
run-time container's answers, a control file nobody registered finds its type library, and the
version check waits for a probe movie that loads slowly."""

import http.client
import os
import pathlib
import sys
import time
import unittest
import urllib.parse

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from harness import Courseware, run  # noqa: E402
from test_commands import BROKEN, TOO_OLD  # noqa: E402
from test_spine import CONTROL_FILE, STARTUP_MESSAGE  # noqa: E402

EXITED = 259 & 0xFF
PLAYS = "log played\nwait 2500\nfscommand exitprogram\n"


def set_env(test, name, value):
    os.environ[name] = value
    test.addCleanup(os.environ.pop, name, None)


class ControlTest(unittest.TestCase):
    """Each test chooses what is registered; afterwards the plain stand-in is registered again
    (the program's own regsvr32 request may have registered a copy of it meanwhile)."""

    @classmethod
    def setUpClass(cls):
        harness.require_bench()

    def tearDown(self):
        harness.unregister_standin()
        harness.register_standin()

    def courseware(self, control=None, **kw):
        cw = Courseware(**kw)
        self.addCleanup(cw.close)
        if control is not None:
            cw.write(CONTROL_FILE, control)
        return cw

    def register_killed(self):
        harness.unregister_standin()
        return harness.register_standin(harness.standin_killed_dll())

    def check_start_up_message(self, cw):
        seen = {}

        def during(s):
            seen["box"] = harness.find_text_window(STARTUP_MESSAGE, timeout=20, title="Courseshell")
            s.screenshot("startup-message.png")
            harness.press("Return", window=harness.find_window("Courseshell", timeout=5))

        result = run(cw, during=during, timeout=40)
        self.assertIsNotNone(seen["box"])
        self.assertFalse(result.timed_out)
        self.assertEqual(0, result.status)
        self.assertFalse(result.main.has("fscommand"), result.main)
        return result


class KilledBuildTest(ControlTest):
    """Flash Player 32.0.0.371 and later refuse all content: a registered one is passed over."""

    def test_the_killed_stand_in_reports_its_build_in_its_version_resource(self):
        self.assertEqual((32, 0, 0, 465), harness.file_version(harness.standin_killed_dll()))
        self.assertEqual((11, 4, 402, 265), harness.file_version(harness.standin_dll()))

    def test_a_killed_registered_control_gives_way_to_the_control_file(self):
        self.register_killed()
        cw = self.courseware(harness.standin_dll().read_bytes(), main=PLAYS)
        everything = cw.root / "standin-all.log"
        set_env(self, "STANDIN_LOG", harness.winepath(everything))
        result = run(cw, timeout=40)
        self.assertEqual(EXITED, result.status, result.main)
        self.assertTrue(result.main.has("log", "played"))
        control = harness.winepath(cw.path(CONTROL_FILE)).lower()
        self.assertEqual([control], [m.lower() for m in result.main.texts("module")])
        self.assertEqual([control], [m.lower() for m in result.version.texts("module")])
        self.assertEqual(["mainver = 11", "submainver = 0"], result.version.texts("getvariable"))
        # The killed control was never made: only the two players of the file logged anything
        # (lines of that log read "MS #INSTANCE EVENT TEXT").
        instances = harness.MovieLog.read(everything).search(r"^#\d+ module ")
        self.assertEqual(2, len(instances), instances)
        self.assertFalse([l for l in instances if "standin_killed" in l.text], instances)

    def test_a_killed_registered_control_gives_way_to_the_browser_player(self):
        self.register_killed()
        cw = self.courseware(main=PLAYS)
        cw.write("ruffle/ruffle.js", "// a stand-in for Ruffle's files\n")
        url_file = cw.root / "url.txt"
        seen = {}

        def during(s):
            deadline = time.monotonic() + 30
            while not (url_file.exists() and url_file.read_text().strip()):
                self.assertTrue(s.running(), "the program ended without serving the page")
                self.assertLess(time.monotonic(), deadline, "no page address within 30 s")
                time.sleep(0.05)
            url = urllib.parse.urlsplit(url_file.read_text().strip())
            conn = http.client.HTTPConnection(url.hostname, url.port, timeout=20)
            try:
                conn.request("GET", url.path)
                response = conn.getresponse()
                seen["page"] = (response.status, response.read())
            finally:
                conn.close()
            harness._kill(s.proc.pid)

        result = run(cw, during=during, timeout=40, args=["/urlfile=" + harness.winepath(url_file)])
        status, page = seen["page"]
        self.assertEqual(200, status)
        self.assertIn(b"ruffle/ruffle.js", page)
        # No Flash control played anything.
        self.assertEqual(0, len(result.main), result.main)
        self.assertEqual(0, len(result.version), result.version)

    def test_a_killed_registered_control_and_nothing_else_gives_the_start_up_message(self):
        self.register_killed()
        self.check_start_up_message(self.courseware(main="fscommand exitprogram\n"))

    def test_a_killed_control_file_is_passed_over_as_well(self):
        self.register_killed()
        cw = self.courseware(harness.standin_killed_dll().read_bytes(),
                             main="fscommand exitprogram\n")
        self.check_start_up_message(cw)

    def test_a_registered_control_of_a_line_that_plays_is_used(self):
        registered = harness.register_standin()
        cw = self.courseware(harness.standin_killed_dll().read_bytes(), main=PLAYS)
        result = run(cw, timeout=40)
        self.assertEqual(EXITED, result.status)
        self.assertEqual([registered.lower()], [m.lower() for m in result.main.texts("module")])


class AmbientTest(ControlTest):
    def test_the_players_are_told_they_run_in_user_mode(self):
        harness.register_standin()
        cw = self.courseware(main=PLAYS)
        result = run(cw, timeout=40)
        self.assertEqual(EXITED, result.status, result.main)
        # VT_BOOL (11), TRUE: the stand-in, like a real control, plays only then.
        self.assertEqual(["-1 vt 11"], result.main.texts("usermode"))
        self.assertEqual(["-1 vt 11"], result.version.texts("usermode"))
        self.assertFalse(result.main.has("designmode-refused"))
        self.assertTrue(result.main.has("log", "played"))


class UnregisteredTypeLibraryTest(ControlTest):
    """A control file whose dispatch looks its type library up in the registry
    (STANDIN_REQUIRE_TYPELIB) plays from the file: the program registers the library first.

    Wine 8's RegisterTypeLibForUser writes machine-wide (a FIXME says so) through RegisterTypeLib,
    so the keys are looked for, and removed, in both places."""

    def setUp(self):
        harness.unregister_standin()
        harness.remove_player_typelib()
        self.addCleanup(harness.remove_player_typelib)

    def test_the_control_file_plays_with_its_type_library_registered_for_the_user(self):
        set_env(self, "STANDIN_REQUIRE_TYPELIB", "1")
        set_env(self, "WINEDEBUG", "-all,fixme+ole")
        cw = self.courseware(harness.standin_dll().read_bytes(), main=PLAYS)
        result = run(cw, timeout=40)
        self.assertEqual(EXITED, result.status, str(result.main) + result.stderr[-2000:])
        self.assertTrue(result.main.has("log", "played"))
        self.assertTrue(result.main.has("typelib-registered"))
        self.assertFalse(result.main.has("typelib-unregistered"), result.main)
        self.assertEqual(["mainver = 11", "submainver = 0"], result.version.texts("getvariable"))
        control = harness.winepath(cw.path(CONTROL_FILE))
        self.assertEqual(control.lower(), (harness.player_typelib_path() or "").lower())
        # The per-user call, not the machine-wide one: Wine names it in its FIXME.
        self.assertIn("RegisterTypeLibForUser", result.stderr)


class SlowProbeTest(harness.ProgramTest):
    """On a slow start the probe movie may not have loaded at the version check's first look; the
    check looks again every 250 ms for up to 10 s."""

    def test_a_probe_that_loads_after_three_seconds_passes_the_check(self):
        cw = self.courseware(main="wait 6000\nlog still-running\nfscommand exitprogram\n",
                             version="loadtime 3000\nvar mainver 11\nvar submainver 0\n")
        seen = {"boxes": []}

        def during(s):
            while s.running() and not s.log().has("log", "still-running"):
                seen["boxes"] += [w for w in harness.windows() if w["title"] == "错误"]
                time.sleep(0.5)

        result = run(cw, during=during, timeout=40)
        self.assertEqual([], seen["boxes"])
        self.assertEqual(EXITED, result.status, result.version)
        self.assertTrue(result.main.has("log", "still-running"))
        self.assertEqual(["mainver = 11", "submainver = 0"], result.version.texts("getvariable"))
        states = result.version.texts("readystate-get")
        self.assertGreaterEqual(states.count("0"), 4, states)
        self.assertEqual("4", states[-1])
        # Read only once the movie was there (the log counts whole milliseconds).
        self.assertLessEqual(result.version.first("loaded").ms,
                             result.version.first("getvariable").ms)
        self.assertLess(result.version.lines.index(result.version.first("loaded")),
                        result.version.lines.index(result.version.first("getvariable")))

    def test_a_prompt_probe_that_reports_9_5_gets_the_upgrade_message_at_once(self):
        cw = self.courseware(main="wait 10000\nlog still-running\nfscommand exitprogram\n",
                             version="var mainver 9\nvar submainver 5\n")
        seen = {}

        def during(s):
            seen["box"] = harness.find_text_window(TOO_OLD, timeout=20, title="错误")
            harness.press("Return", window=harness.find_window("错误", timeout=5))

        result = run(cw, during=during, timeout=40)
        self.assertIsNotNone(seen["box"])
        self.assertEqual(0, result.status)
        self.assertFalse(result.main.has("log", "still-running"))
        self.assertEqual(["4"], result.version.texts("readystate-get"))
        asked = result.version.first("readystate-get").ms
        self.assertLess(result.version.first("getvariable").ms - asked, 200)

    def test_a_probe_that_never_loads_gets_the_second_message_after_ten_seconds(self):
        cw = self.courseware(main="wait 30000\nlog still-running\nfscommand exitprogram\n",
                             version="loadtime 60000\nvar mainver 11\nvar submainver 0\n")
        seen = {}

        def during(s):
            seen["box"] = harness.find_text_window(BROKEN, timeout=30, title="错误")
            seen["at"] = s.elapsed()
            s.screenshot("never-loaded.png")
            harness.press("Return", window=harness.find_window("错误", timeout=5))

        result = run(cw, during=during, timeout=50)
        self.assertIsNotNone(seen["box"])
        self.assertEqual(0, result.status)
        self.assertFalse(result.main.has("log", "still-running"))
        states = result.version.events("readystate-get")
        self.assertEqual({"0"}, {line.text for line in states})
        waited = states[-1].ms - states[0].ms
        self.assertGreaterEqual(waited, 9500, states)
        self.assertLess(waited, 11500, states)
        # About four looks a second.
        self.assertGreaterEqual(len(states), 30, states)
        self.assertEqual(["mainver"], result.version.texts("getvariable-fail"))


if __name__ == "__main__":
    unittest.main()

"""Start-up and the main window: the real program under Wine with the stand-in player."""

import os
import time
import unittest

import harness
from harness import Courseware, run
from test_commands import TOO_OLD

SCREEN_W, SCREEN_H = 1280, 800
# A version the check refuses: its message, once confirmed, ends the program normally.
OLD_PLAYER = "var mainver 9\nvar submainver 5\n"


def main_window(title="Courseshell"):
    for w in harness.windows():
        if w["title"] == title and (w["width"], w["height"]) == (1024, 652):
            return w
    return None


class SpineTest(harness.ProgramTest):

    def test_main_window_is_borderless_centred_and_player_fills_it(self):
        cw = self.courseware(main="wait 300\nclick right 20 30\nclick left 40 50\nwait 300\n"
                                  "fscommand exitprogram\n")
        seen = {}

        def during(s):
            s.wait_for_log(r"^mouse WM_LBUTTONUP", timeout=20)
            seen["window"] = main_window()
            seen["shot"] = s.screenshot("main.png")

        result = run(cw, during=during, timeout=40)
        window = seen["window"]
        self.assertIsNotNone(window, harness.windows())
        # No frame: the X window is exactly the client area, centred on the screen.
        self.assertEqual(((SCREEN_W - 1024) // 2, (SCREEN_H - 652) // 2), (window["x"], window["y"]))
        self.assertTrue(result.main.has("size", None))
        self.assertIn("1024 652", result.main.texts("size")[-1])
        # The probe movie is loaded first, then the courseware.
        version_load = result.version.first("load")
        main_load = result.main.first("load")
        self.assertTrue(version_load.text.endswith("\\version.swf"), version_load)
        self.assertTrue(main_load.text.endswith("\\main.swf"), main_load)
        self.assertLessEqual(version_load.ms, main_load.ms)
        self.assertTrue(main_load.text.startswith(cw.windows_path()), main_load.text)
        # The right press never reaches the player; its release and the left button do.
        mouse = result.main.texts("mouse")
        self.assertFalse([m for m in mouse if m.startswith("WM_RBUTTONDOWN")], mouse)
        self.assertTrue([m for m in mouse if m.startswith("WM_RBUTTONUP")], mouse)
        self.assertTrue([m for m in mouse if m.startswith("WM_LBUTTONDOWN")], mouse)
        self.assertEqual(259 & 0xFF, result.status)

    def test_main_window_is_centred_in_the_work_area(self):
        # Panels on the left and at the bottom: the window stands in the middle of what they leave.
        work = (100, 0, SCREEN_W, SCREEN_H - 60)
        cw = self.courseware(main="wait 3000\nfscommand exitprogram\n")
        seen = {}

        def during(s):
            deadline = time.monotonic() + 20
            while seen.get("window") is None and time.monotonic() < deadline and s.running():
                seen["window"] = main_window()
                time.sleep(0.1)

        with harness.work_area(work):
            result = run(cw, during=during, timeout=40)
        window = seen["window"]
        self.assertIsNotNone(window, harness.windows())
        self.assertEqual((100 + (1180 - 1024) // 2, (740 - 652) // 2), (window["x"], window["y"]))
        self.assertEqual(259 & 0xFF, result.status)

    def test_player_settings_are_stored_before_the_movie(self):
        cw = self.courseware(main="fscommand exitprogram\n")
        result = run(cw, timeout=30)
        props = result.main.texts("prop")
        for expected in ("WMode Window", "SAlign LT", "Scale NoScale", "AllowFullScreen false",
                         "AllowNetworking all"):
            self.assertIn(expected, props)
        self.assertIn("Scale ShowAll", result.version.texts("prop"))
        self.assertEqual(259 & 0xFF, result.status)

    def test_maximize_and_restore_keep_playing_state_and_focus(self):
        cw = self.courseware(main="wait 200\nfscommand maximized\nwait 500\nfscommand normal\n"
                                  "wait 500\nfscommand exitprogram\n")
        result = run(cw, timeout=40)
        sizes = result.main.texts("size")
        self.assertTrue(any(s.startswith("1280 800") for s in sizes), sizes)
        self.assertTrue(sizes[-1].startswith("1024 652"), sizes)
        # Each resize reads the state, plays, and writes the same state back.
        gets = result.main.texts("playing-get")
        puts = result.main.texts("playing-put")
        self.assertGreaterEqual(len(puts), 2)
        self.assertEqual(gets[: len(puts)], puts[: len(gets)])
        self.assertTrue(result.main.has("focus"))

    def test_resize_of_a_stopped_movie_leaves_it_stopped(self):
        cw = self.courseware(main="playing 0\nwait 200\nfscommand maximized\nwait 500\n"
                                  "fscommand exitprogram\n")
        result = run(cw, timeout=40)
        puts = result.main.texts("playing-put")
        self.assertTrue(puts, str(result.main))
        self.assertEqual(["0"] * len(puts), puts)
        # Play was called in between, and the write-back stopped it again.
        self.assertTrue(result.main.has("play"))

    def test_normal_quit_ends_with_status_zero(self):
        cw = self.courseware(main="", version=OLD_PLAYER)

        def during(s):
            box = harness.find_window("错误", timeout=20)
            s.screenshot("version.png")
            harness.press("Return", window=box)

        result = run(cw, during=during, timeout=40)
        self.assertFalse(result.timed_out)
        self.assertEqual(0, result.status)


STARTUP_MESSAGE = "您未安装flashplayer，请运行文件：Adobe Flash Player11.4.exe进行安装。"
CONTROL_FILE = "Flash10h.ocx"


class NoPlayerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.require_bench()

    def tearDown(self):
        harness.register_standin()

    def test_without_player_control_only_the_message_appears(self):
        harness.unregister_standin()
        cw = Courseware(main="")
        self.addCleanup(cw.close)
        seen = {}

        def during(s):
            box = harness.find_window("Courseshell", timeout=20)
            time.sleep(0.5)
            seen["windows"] = harness.windows()
            seen["shot"] = s.screenshot("noplayer.png")
            harness.press("Return", window=box)

        result = run(cw, during=during, timeout=40)
        self.assertEqual(0, result.status)
        titles = [w for w in seen["windows"] if w["title"] == "Courseshell"]
        # Only the message box is on the screen: no 1024 x 652 main window.
        self.assertEqual(1, len(titles), seen["windows"])
        self.assertNotEqual((1024, 652), (titles[0]["width"], titles[0]["height"]))
        self.assertEqual(0, len(result.main))

    def test_a_player_whose_events_cannot_be_connected_is_a_failed_start(self):
        # Without its events the movie's commands and calls would go unanswered.
        cw = Courseware(main="fscommand exitprogram\n")
        self.addCleanup(cw.close)
        os.environ["STANDIN_REFUSE_ADVISE"] = "1"
        self.addCleanup(os.environ.pop, "STANDIN_REFUSE_ADVISE", None)
        seen = {}

        def during(s):
            seen["box"] = harness.find_text_window(STARTUP_MESSAGE, timeout=20, title="Courseshell")
            s.screenshot("noevents.png")
            harness.press("Return", window=harness.find_window("Courseshell", timeout=5))

        result = run(cw, during=during, timeout=40)
        self.assertFalse(result.timed_out)
        self.assertIsNotNone(seen["box"])
        self.assertEqual(0, result.status)
        # The movie never ran: its command did not end the program with 259.
        self.assertFalse(result.main.has("fscommand"), result.main)


class BundledControlTest(unittest.TestCase):
    """Where the player's class is not registered (a standard user cannot run regsvr32), the
    control file beside the program, Flash10h.ocx, serves it without the registry."""

    @classmethod
    def setUpClass(cls):
        harness.require_bench()

    def setUp(self):
        harness.unregister_standin()

    def tearDown(self):
        # The program's own regsvr32 request may have registered the copy: back to the original.
        harness.unregister_standin()
        harness.register_standin()

    def courseware(self, control, **kw):
        self.cw = Courseware(**kw)
        self.addCleanup(self.cw.close)
        self.cw.write(CONTROL_FILE, control)
        return self.cw

    def test_the_control_file_plays_and_its_probe_answers_the_version_check(self):
        cw = self.courseware(harness.standin_dll().read_bytes(),
                             main="log played\nwait 2500\nfscommand exitprogram\n")
        result = run(cw, timeout=40)
        self.assertEqual(259 & 0xFF, result.status)
        self.assertTrue(result.main.has("log", "played"), result.main)
        control = harness.winepath(cw.path(CONTROL_FILE)).lower()
        self.assertEqual([control], [m.lower() for m in result.main.texts("module")])
        self.assertEqual([control], [m.lower() for m in result.version.texts("module")])
        self.assertEqual(["mainver = 11", "submainver = 0"], result.version.texts("getvariable"))

    def test_the_version_check_refuses_an_old_control_file(self):
        cw = self.courseware(harness.standin_dll().read_bytes(),
                             # Long enough for the message to be found and answered first.
                             main="wait 10000\nlog still-running\nfscommand exitprogram\n",
                             version="var mainver 9\nvar submainver 5\n")
        seen = {}

        def during(s):
            seen["box"] = harness.find_text_window(TOO_OLD, timeout=20, title="错误")
            harness.press("Return", window=harness.find_window("错误", timeout=5))

        result = run(cw, during=during, timeout=40)
        self.assertIsNotNone(seen["box"])
        self.assertEqual(0, result.status)
        self.assertFalse(result.main.has("log", "still-running"))

    def check_start_up_message(self, control):
        cw = self.courseware(control, main="fscommand exitprogram\n")
        seen = {}

        def during(s):
            seen["box"] = harness.find_text_window(STARTUP_MESSAGE, timeout=20, title="Courseshell")
            harness.press("Return", window=harness.find_window("Courseshell", timeout=5))

        result = run(cw, during=during, timeout=40)
        self.assertIsNotNone(seen["box"])
        self.assertEqual(0, result.status)
        self.assertFalse(result.main.has("fscommand"), result.main)

    def test_a_control_file_that_is_no_module_gives_the_start_up_message(self):
        self.check_start_up_message(b"MZ not really a module\r\n" * 40)

    def test_a_control_file_whose_factory_refuses_the_class_gives_the_start_up_message(self):
        os.environ["STANDIN_REFUSE_CLASS"] = "1"
        self.addCleanup(os.environ.pop, "STANDIN_REFUSE_CLASS", None)
        self.check_start_up_message(harness.standin_dll().read_bytes())

    def test_the_registered_class_comes_before_the_control_file(self):
        registered = harness.register_standin()
        cw = self.courseware(harness.standin_dll().read_bytes(), main="fscommand exitprogram\n")
        result = run(cw, timeout=40)
        self.assertEqual(259 & 0xFF, result.status)
        self.assertEqual([registered.lower()], [m.lower() for m in result.main.texts("module")])
        self.assertEqual([registered.lower()], [m.lower() for m in result.version.texts("module")])


if __name__ == "__main__":
    unittest.main()

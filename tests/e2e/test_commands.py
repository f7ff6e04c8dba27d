"""The movie's commands and the player version check, end to end with the stand-in player."""

import pathlib
import shutil
import time
import unittest

import harness
from harness import run

TOO_OLD = "您目前使用的flashplayer版本不能支持本程序的正常运行，请运行文件：Adobe Flash Player11.4.exe进行升级。"
BROKEN = "您未安装或安装flashplayer有问题，请运行文件：Adobe Flash Player11.4.exe进行重新安装。"
MCI_NOT_FOUND_EN = "Cannot find the specified file. Make sure the path and filename are correct."
MCI_NOT_FOUND_ZH = "无法找到指定的文件。请确保路径和文件名是正确的。"
RECORDER = pathlib.Path(harness.courseshell_exe()).parents[1] / "tests" / "open_recorder.exe"


class CommandTest(harness.ProgramTest):

    def test_words_are_case_sensitive_and_unknown_words_do_nothing(self):
        cw = self.courseware(main="fscommand Audio missing.wav\nfscommand EXITPROGRAM\n"
                                  "fscommand nosuchword x\nwait 1500\nlog alive\nwait 30000\n")
        seen = {}

        def during(s):
            s.wait_for_log(r"^log alive", timeout=20)
            seen["windows"] = [w["title"] for w in harness.window_texts()]
            harness.press("alt+F4")

        result = run(cw, during=during, timeout=40)
        self.assertEqual(["Courseshell"], seen["windows"])  # no message of any kind
        self.assertEqual(0, result.status)

    def test_exitprogram_unloads_and_ends_with_still_active_code(self):
        cw = self.courseware(main="fscommand exitprogram\nlog after\n")
        result = run(cw, timeout=30)
        self.assertEqual(259 & 0xFF, result.status)
        self.assertTrue(result.main.has("unload"), str(result.main))
        # Terminated at once: no close handler ran, the control was never deactivated.
        for event in ("close", "deactivate", "unadvise", "log"):
            self.assertFalse(result.main.has(event), event)

    def test_exec_starts_movies_in_the_player_and_opens_documents(self):
        cw = self.courseware(main="fscommand exec clip/intro.SWF\nwait 1500\n"
                                  "fscommand exec doc/a.cstest\nwait 1500\nfscommand exitprogram\n")
        shutil.copy(RECORDER, cw.path("FlashPlayer.exe"))
        shutil.copy(RECORDER, cw.path("recorder.exe"))
        cw.write("doc/a.cstest", "document")
        harness._run([harness.WINE, "reg", "add", r"HKCR\.cstest", "/ve", "/d", "cstestfile", "/f"])
        command = '"%s" "%%1"' % cw.windows_path("recorder.exe")
        harness._run([harness.WINE, "reg", "add", r"HKCR\cstestfile\shell\open\command", "/ve", "/d",
                      command, "/f"])
        result = run(cw, timeout=40)
        self.assertEqual(259 & 0xFF, result.status)
        opened = cw.read("opened.txt").decode("gbk").splitlines()
        self.assertEqual(2, len(opened), opened)
        # The movie's full path with its forward slash kept, unquoted, as the player's parameter.
        self.assertIn("FlashPlayer.exe", opened[0])
        self.assertTrue(opened[0].endswith(" " + cw.windows_path() + "\\clip/intro.SWF")
                        or opened[0].endswith(" " + cw.windows_path() + "clip/intro.SWF"), opened[0])
        self.assertIn("recorder.exe", opened[1])
        self.assertIn("a.cstest", opened[1])

    def test_selectresource_while_the_picker_is_open_fails_visibly(self):
        # The movie keeps running under the modal picker: a background loop sends the second
        # command while the first one still waits for the picker.
        cw = self.courseware(main="every 1500 1 fscommand selectresource lesson1/@@@second\n"
                                  "fscommand selectresource lesson1/@@@onPicked\nlog back\n")
        cw.write("lesson1/resource/a.txt", "a")
        cw.write("resources/b.txt", "b")
        seen = {}

        def during(s):
            harness.find_window("选择资源", timeout=20)
            box = harness.find_text_window("Cannot make a visible window modal", timeout=20)
            seen["box"] = box
            s.screenshot("reentry.png")
            harness.press("Return")
            time.sleep(1)
            picker = harness.find_window("选择资源", timeout=5)
            seen["picker_still_open"] = picker is not None
            harness.press("alt+F4", window=picker)
            s.wait_for_log(r"^log back", timeout=20)
            harness.press("alt+F4")

        result = run(cw, during=during, timeout=60)
        self.assertIsNotNone(seen["box"])
        self.assertEqual("Courseshell", seen["box"]["title"])
        self.assertTrue(seen["picker_still_open"])
        self.assertFalse([c for c in result.main.texts("callfunction ok") if "selectedover" in c])

    def test_missing_clip_shows_the_audio_device_error(self):
        cw = self.courseware(main="fscommand audio nosuch/clip.wav\nlog back\n")
        seen = {}

        def during(s):
            # The device's own text, in the language of the system (Wine's zh_CN here).
            box = harness.find_text_window(MCI_NOT_FOUND_ZH, timeout=20) or \
                harness.find_text_window(MCI_NOT_FOUND_EN, timeout=1)
            seen["box"] = box
            s.screenshot("audio.png")
            harness.press("Return")
            s.wait_for_log(r"^log back", timeout=20)
            harness.press("alt+F4")

        run(cw, during=during, timeout=60)
        self.assertIsNotNone(seen["box"])
        self.assertEqual("Courseshell", seen["box"]["title"])


class VersionCheckTest(harness.ProgramTest):
    def check(self, version, expected_text):
        cw = self.courseware(main="wait 2500\nlog still-running\nfscommand exitprogram\n",
                             version=version)
        seen = {}

        def during(s):
            if expected_text:
                seen["box"] = harness.find_text_window(expected_text, timeout=20, title="错误")
                harness.press("Return")

        result = run(cw, during=during, timeout=40)
        if expected_text:
            self.assertIsNotNone(seen["box"], version)
            self.assertEqual(0, result.status)  # the application quit normally
            self.assertFalse(result.main.has("log", "still-running"))
        else:
            self.assertEqual(259 & 0xFF, result.status)
            self.assertTrue(result.main.has("log", "still-running"))
        return result

    def test_old_players_are_refused(self):
        self.check("var mainver 9\nvar submainver 5\n", TOO_OLD)
        self.check("var mainver 10\nvar submainver 1\n", TOO_OLD)

    def test_supported_players_run(self):
        result = self.check("var mainver 10\nvar submainver 2\n", None)
        self.assertEqual(["mainver = 10", "submainver = 2"], result.version.texts("getvariable"))
        self.check("var mainver 11\nvar submainver 0\n", None)

    def test_unreadable_versions_give_the_second_message(self):
        # The minor part is read before anything is compared.
        result = self.check("var mainver 11\n", BROKEN)
        self.assertEqual(["submainver"], result.version.texts("getvariable-fail"))
        self.check("var mainver 11\nvar submainver x\n", BROKEN)
        self.check("var mainver abc\nvar submainver 0\n", BROKEN)
        self.check(None, BROKEN)  # no version.swf at all


if __name__ == "__main__":
    unittest.main()

"""The resource picker and manager opened by the movie's commands: the real program under Wine
with the stand-in player, clicked with the X mouse, effects read from the movie's log and disk."""

import os
import pathlib
import shutil
import time
import unittest

import harness
from harness import run

PICKER = "\u9009\u62e9\u8d44\u6e90"        # 选择资源
MANAGER = "\u6559\u5b66\u8d44\u6e90\u7ba1\u7406"  # 教学资源管理


def client_origin(window, client_w, client_h):
    """Screen position of a framed window's client area: equal borders left, right and bottom,
    the caption on top (none of them when the X window is the client area, as under Wine)."""
    border = (window["width"] - client_w) // 2
    caption = window["height"] - client_h - border
    return window["x"] + border, window["y"] + caption


class LibraryTest(harness.ProgramTest):

    def keep_shot(self, path, name):
        """Screenshots go to E2E_OUT as well, where they outlive the scratch folder."""
        out = os.environ.get("E2E_OUT")
        if out:
            target = pathlib.Path(out) / name
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(path, target)

    def test_double_click_in_the_general_folder_reaches_the_movie(self):
        cw = self.courseware(
            main="register onPicked\nfscommand selectresource lesson1/@@@onPicked\n"
                 "log after-pick\nfscommand exitprogram\n",
            files={"resources/a.doc": "doc", "resources/\u97f3\u4e50/song.mp3": "mp3",
                   "lesson1/resource/words.txt": "w"})
        seen = {}

        def during(s):
            window = harness.find_window(PICKER, timeout=30)
            self.assertIsNotNone(window, harness.windows())
            seen["window"] = window
            time.sleep(0.5)
            self.keep_shot(s.screenshot("picker.png"), "library/picker.png")
            x, y = client_origin(window, 687, 508)
            # The first icon of the second tab's list: the list starts beside the 177-wide tree.
            harness.click(x + 240, y + 70)
            time.sleep(0.3)
            harness._run(["xdotool", "click", "--repeat", "2", "--delay", "80", "1"])
            s.wait_for_log(r"^log after-pick", timeout=20)

        result = run(cw, during=during, timeout=60)
        window = seen["window"]
        calls = result.main.texts("callfunction")
        expected = ('ok <invoke name="onPicked" returntype="xml"><arguments>'
                    '<string>selectedover</string><string>\\resources\\a.doc</string>'
                    '</arguments></invoke>')
        self.assertEqual([expected], calls)
        # Centred on the 1024 x 652 main window, which is centred on the 1280 x 800 screen. The X
        # window is the client area, so the caption above it moves its centre down a little.
        self.assertLessEqual(abs(window["x"] + window["width"] // 2 - 640), 2, window)
        self.assertLessEqual(abs(window["y"] + window["height"] // 2 - 400), 16, window)
        self.assertEqual(259 & 0xFF, result.status)

    def test_manager_shows_both_roots_and_cancel_returns_to_the_movie(self):
        cw = self.courseware(
            main="fscommand otherresource lesson1/\nlog after-manager\nfscommand exitprogram\n",
            files={"resources/a.doc": "doc", "resources/\u97f3\u4e50/song.mp3": "mp3",
                   "resources/\u89c6\u9891/clip.avi": "avi",
                   "lesson1/resource/chapter1/notes.txt": "n", "lesson1/resource/list.txt": "l"})

        def during(s):
            window = harness.find_window(MANAGER, timeout=30)
            self.assertIsNotNone(window, harness.windows())
            time.sleep(0.5)
            self.keep_shot(s.screenshot("manager.png"), "library/manager.png")
            x, y = client_origin(window, 694, 528)
            # Second tab ("教学资源索引"), then its cancel button at the bottom right.
            harness.click(x + 18 + 130, y + 12 + 10)
            time.sleep(0.5)
            self.keep_shot(s.screenshot("manager-index.png"), "library/manager-index.png")
            harness.click(x + 18 + 4 + 6 + 177 + 6 + 425 - 45, y + 12 + 26 + 6 + 409 + 12 + 12)
            s.wait_for_log(r"^log after-manager", timeout=20)

        result = run(cw, during=during, timeout=60)
        self.assertTrue(result.main.has("log", "after-manager"))
        self.assertEqual(259 & 0xFF, result.status)


if __name__ == "__main__":
    unittest.main()

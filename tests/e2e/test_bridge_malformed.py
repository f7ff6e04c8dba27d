"""Malformed and unknown external calls, end to end: each one ends in the default error report or
in silence, nothing is written, and the program still answers the next call."""

import pathlib
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from bridgecommon import error_reports, reply_string, run_movie, setup_module  # noqa: E402

setUpModule = setup_module

EXIT = "fscommand exitprogram\n"
PROBE = "call getAppDir\n"

# (script step, expected error report text or None for silence; a text ending in "*" is a prefix)
MALFORMED = [
    ("rawcall not xml at all", "Invalid request: *"),
    ("rawcall \\e", "Invalid request: *"),
    ("rawcall <invoke name=\"loadfile\" returntype=\"xml\"><arguments>", "Invalid request: *"),
    ("rawcall <?xml version=\"1.0\"?>", "Invalid request: *"),
    ("rawcall <invoke/>", "Invalid request: the request has no name."),
    ("rawcall <other>loadfile</other>", "Invalid request: the request has no name."),
    ("rawcall <invoke name=\"loadfile\" returntype=\"xml\"/>", "Invalid request: no arguments."),
    ("rawcall <invoke name=\"fileexists\" returntype=\"xml\"><argument><string>a.txt</string>"
     "</argument></invoke>", "Invalid request: no arguments."),
    ("rawcall <invoke name=\"prompt\"/>", "Invalid request: no arguments."),
    ("call loadfile", "Invalid request: argument 0 missing."),
    ("call savefile written.txt", "Invalid request: argument 1 missing."),
    ("call saveBytes written.txt", "Invalid request: argument 1 missing."),
    ("call savereg name", "Invalid request: argument 1 missing."),
    ("call setSize 800", "Invalid request: argument 1 missing."),
    ("call loadBytes missing.txt", "File not found."),
    ("call saveBytes \\e|x", "File access denied."),
    ("call LoadFile a.txt", None),
    ("call LOADFILE a.txt", None),
    ("call loadFile a.txt", None),
    ("call Savefile written.txt|x", None),
    ("call saveToUtf8 written.txt|x", None),
    ("call newFolder made", None),
    ("call getappdir", None),
    ("call dragingwindow", None),
    ("call SaveMemToFile written.txt|x", None),
    ("call unknown", None),
    ("call \\e", None),
    ("rawcall <invoke returntype=\"xml\" name=\"savefile\"><arguments><string>written.txt"
     "</string><string>x</string></arguments></invoke>", None),
    ("call prompt question", None),
    ("call setSize 800|600", None),
]


def matches(expected, actual):
    if expected.endswith("*"):
        return actual.startswith(expected[:-1])
    return actual == expected


class MalformedRequestsTest(unittest.TestCase):
    def check_run(self, cases, timeout=180):
        script = "".join(step + "\n" + PROBE for step, _ in cases) + EXIT
        cw, result, seen = run_movie(self, script, files={"a.txt": b"content\r\n"}, timeout=timeout)
        calls = result.main.flashcalls()
        self.assertEqual(3, result.status, result.main)
        self.assertEqual(2 * len(cases), len(calls), result.main)
        probe = reply_string(cw.windows_path() + "\\")
        for i, (step, _) in enumerate(cases):
            self.assertIsNone(calls[2 * i][1], step)
            self.assertEqual(probe, calls[2 * i + 1][1], "after " + step)
        expected = [text for _, text in cases if text is not None]
        reports = error_reports(result)
        self.assertEqual(len(expected), len(reports), reports)
        for want, got in zip(expected, reports):
            self.assertTrue(matches(want, got), (want, got))
        self.assertEqual(len(expected), len(seen))
        # Nothing was written or created by any of them.
        self.assertEqual(sorted(["a.txt", "main.swf", "main.swf.log", "version.swf",
                                 "version.swf.log", "CourseShell.exe"]),
                         sorted(p.name for p in cw.path().iterdir()))
        return result

    def test_malformed_and_unknown_requests(self):
        self.assertGreaterEqual(len(MALFORMED), 20)
        self.check_run(MALFORMED)

    def test_ten_megabyte_arguments(self):
        self.check_run([
            ("bigcall prompt 10000000 x", None),
            ("bigcall SaveMemToFile 10000000 x", None),
            ("bigcall loadBytes 10000000 x", "*"),
            ("bigcall unknownName 10000000 x", None),
        ])


if __name__ == "__main__":
    unittest.main()

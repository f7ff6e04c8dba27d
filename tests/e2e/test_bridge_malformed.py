"""Malformed, unknown and hostile external calls, end to end: each one ends in the default error
report, in silence or in the reply its request asks for, nothing is written, and the program still
answers the next call."""

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



CONTENT = "<string>content</string>"
EMPTY = "<string></string>"


def invoke(name, *args, raw_args=None):
    inner = raw_args if raw_args is not None else "".join("<string>%s</string>" % a for a in args)
    return 'rawcall <invoke name="%s" returntype="xml"><arguments>%s</arguments></invoke>' % (name, inner)


# (script step, error report or None, reply or None): requests a real player would never send.
HOSTILE = [
    # Attributes and elements in odd orders: the name is the first attribute whatever it is
    # called, the first "arguments" element counts, wherever it stands.
    ('rawcall <invoke returntype="xml" name="getAppDir"/>', None, None),
    ('rawcall <invoke id="7" name="loadBytes"><arguments><string>missing.txt</string>'
     '</arguments></invoke>', None, None),
    ('rawcall <invoke name="savefile" name="loadBytes"><arguments><string>written.txt</string>'
     '</arguments></invoke>', "Invalid request: argument 1 missing.", None),
    ('rawcall <invoke name="loadBytes"><string>a.txt</string><ARGUMENTS><string>missing.txt'
     '</string></ARGUMENTS></invoke>', "File not found.", None),
    ('rawcall <invoke name="loadBytes"><arguments/><arguments><string>a.txt</string>'
     '</arguments></invoke>', "Invalid request: argument 0 missing.", None),
    ('rawcall <arguments name="loadBytes"><arguments><string>missing.txt</string></arguments>'
     '</arguments>', "File not found.", None),
    ('rawcall <arguments><string>a.txt</string></arguments>',
     "Invalid request: the request has no name.", None),
    ('rawcall <invoke name="loadfile"><arguments>a.txt</arguments></invoke>', None, CONTENT),
    # Nested "arguments": an argument is the whole text below child i, and deeper elements
    # neither add arguments nor count as the argument list.
    (invoke("loadBytes", raw_args="<arguments><string>missing.txt</string></arguments>"),
     "File not found.", None),
    (invoke("saveBytes", raw_args="<arguments><string>written.txt</string><string>x</string>"
            "</arguments>"), "Invalid request: argument 1 missing.", None),
    ('rawcall <invoke name="loadfile"><x><arguments><string>a.txt</string></arguments></x>'
     '</invoke>', "Invalid request: no arguments.", None),
    (invoke("loadfile", "a<b/>.<i>t</i>xt"), None, CONTENT),
    # CDATA: its text is taken as it stands, references included.
    (invoke("loadfile", "<![CDATA[a&amp;.txt]]>"), None, "<string>cdata</string>"),
    (invoke("loadfile", "a<![CDATA[.t]]>xt"), None, CONTENT),
    (invoke("loadfile", "<![CDATA[a.txt"), "Invalid request: Error parsing CDATA section.", None),
    # References and characters outside the code page become its replacement character.
    ('rawcall <invoke name="getApp&#68;i&#x72;"/>', None, "<string>{dir}</string>"),
    ('rawcall <invoke name="getAppDir&#x1F600;"/>', None, None),
    (invoke("loadfile", "&#x1F600;"), None, EMPTY),
    (invoke("loadfile", "&#x110000;&#0;&#xD800;"), None, EMPTY),
    ("call loadfile \\ud83d\\ude00.txt", None, EMPTY),
    ("call loadfile \\ud800", None, EMPTY),
    ("call fileexists a\\u0e01.txt", None, "<false/>"),
    # Entities a document type defines are not expanded, from the file system or otherwise.
    ('rawcall <!DOCTYPE invoke [<!ENTITY e "missing.txt">]><invoke name="loadBytes"><arguments>'
     '<string>&e;</string></arguments></invoke>', "File not found.", None),
    ('rawcall <!DOCTYPE invoke [<!ENTITY e SYSTEM "file:///etc/hostname">]><invoke '
     'name="loadfile"><arguments><string>&e;</string></arguments></invoke>', None, EMPTY),
    ('rawcall <invoke name="&bogus;"/>', None, None),
    # NUL characters.
    ("rawcall \\u0000", "Invalid request: No document element found.", None),
    ("call loadBytes missing\\u0000.txt", "Invalid request: Start-end tags mismatch.", None),
    ('rawcall <invoke name="get\\u0000AppDir"/>', "Invalid request: Error parsing element attribute.",
     None),
    # Declarations, comments and a second root element around the request.
    ('rawcall <?xml version="1.0" encoding="UTF-16"?><!-- x --><invoke name="getAppDir"/>',
     None, "<string>{dir}</string>"),
    ('rawcall <invoke name="getAppDir"/><invoke name="loadBytes"/>', None,
     "<string>{dir}</string>"),
]

DEPTH = 100000


class MalformedRequestsTest(unittest.TestCase):
    def check_run(self, cases, timeout=240, files=None, messages=0):
        """Runs the cases, each followed by the probe; `messages` counts the program's own message
        dialogs expected besides the error reports."""
        cases = [case if len(case) == 3 else (case[0], case[1], None) for case in cases]
        script = "".join(step + "\n" + PROBE for step, _, _ in cases) + EXIT
        fixture = {"a.txt": b"content\r\n"}
        fixture.update(files or {})
        cw, result, seen = run_movie(self, script, files=fixture, timeout=timeout)
        calls = result.main.flashcalls()
        self.assertEqual(3, result.status, result.main)
        self.assertEqual(2 * len(cases), len(calls), result.main)
        app_dir = cw.windows_path() + "\\"
        probe = reply_string(app_dir)
        for i, (step, _, reply) in enumerate(cases):
            want = reply.replace("{dir}", app_dir) if reply else None
            self.assertEqual(want, calls[2 * i][1], step[:200])
            self.assertEqual(probe, calls[2 * i + 1][1], "after " + step[:200])
        expected = [text for _, text, _ in cases if text is not None]
        reports = error_reports(result)
        self.assertEqual(len(expected), len(reports), reports)
        for want, got in zip(expected, reports):
            self.assertTrue(matches(want, got), (want, got))
        self.assertEqual(len(expected) + messages, len(seen), seen)
        # Nothing was written or created by any of them.
        self.assertEqual(sorted(["main.swf", "main.swf.log", "version.swf", "version.swf.log",
                                 "CourseShell.exe"] + list(fixture)),
                         sorted(p.name for p in cw.path().iterdir()))
        return result

    def test_malformed_and_unknown_requests(self):
        self.assertGreaterEqual(len(MALFORMED), 20)
        self.check_run(MALFORMED)

    def test_hostile_requests(self):
        self.check_run(HOSTILE, files={"a&amp;.txt": b"cdata\r\n"})

    def test_ten_megabyte_arguments(self):
        name = "n" * 10000000
        self.check_run([
            ("bigcall prompt 10000000 x", None),
            ("bigcall SaveMemToFile 10000000 x", None),
            ("bigcall loadBytes 10000000 x", "*"),
            ("bigcall unknownName 10000000 x", None),
            ("bigcall loadfile 10000000 x", None, EMPTY),
            ("bigcall fileexists 10000000 a/", None, "<false/>"),
            ("bigcall savefile 10000000 x", "Invalid request: argument 1 missing."),
            ('rawcall <invoke name="%s"/>' % name, None),
        ])

    def test_ten_megabyte_folder_path(self):
        # Five million levels of folders: no folder is made and the program says so.
        result = self.check_run([("bigcall newfolder 5000000 a/", None, "<false/>")], messages=1)
        self.assertEqual([], error_reports(result))

    def test_deeply_nested_elements(self):
        deep = "<a>" * DEPTH + "missing.txt" + "</a>" * DEPTH
        self.check_run([
            (invoke("loadBytes", raw_args="<string>%s</string>" % deep), "File not found."),
            (invoke("loadBytes", raw_args="<string>%s</string>" % ("<a>" * DEPTH)),
             "Invalid request: Start-end tags mismatch."),
            ('rawcall <invoke name="loadfile">%s<arguments><string>a.txt</string></arguments>'
             '</invoke>' % deep, None, CONTENT),
        ])

    def test_burst_of_a_thousand_calls(self):
        kinds = [("call getAppDir", "{dir}"), ("call fileexists a.txt", "<true/>"),
                 ("call loadfile a.txt", CONTENT), ("call loadfile missing.txt", EMPTY),
                 ("call fileexists missing.txt", "<false/>"), ("call unknownName x", None),
                 ("call prompt question", None), ("call LoadFile a.txt", None)]
        steps = [kinds[i % len(kinds)] for i in range(1000)]
        script = "".join(step + "\n" for step, _ in steps) + PROBE + EXIT
        cw, result, seen = run_movie(self, script, files={"a.txt": b"content\r\n"}, timeout=120)
        app_dir = cw.windows_path() + "\\"
        self.assertEqual(3, result.status, result.main)
        self.assertEqual([], seen)
        calls = result.main.flashcalls()
        self.assertEqual(1001, len(calls))
        for (step, reply), (_, got) in zip(steps, calls):
            want = None if reply is None else (reply_string(app_dir) if reply == "{dir}" else reply)
            self.assertEqual(want, got, step)
        self.assertEqual(reply_string(app_dir), calls[-1][1])
        flashcalls = result.main.events("flashcall")
        print("1000 calls in %d ms" % (flashcalls[-1].ms - flashcalls[0].ms))

    def test_calls_keep_coming_while_an_error_report_is_open(self):
        # A background loop calls every 20 ms; the report's nested message loop must answer
        # each of them while the failed call still waits for the box to be closed.
        script = ("every 20 150 call fileexists a.txt\ncall loadBytes missing.txt\njoin\n"
                  + PROBE + EXIT)
        cw, result, seen = run_movie(self, script, files={"a.txt": b"content\r\n"}, timeout=120)
        self.assertEqual(3, result.status, result.main)
        self.assertEqual(["File not found."], error_reports(result))
        calls = result.main.flashcalls()
        loop = [reply for request, reply in calls if "fileexists" in request]
        self.assertEqual(["<true/>"] * 150, loop)
        failed = [reply for request, reply in calls if "loadBytes" in request]
        self.assertEqual([None], failed)
        # Some of the loop's calls were answered while the report was open.
        lines = result.main.lines
        start = next(i for i, l in enumerate(lines) if l.event == "flashcall" and "loadBytes" in l.text)
        end = next(i for i in range(start, len(lines)) if lines[i].event == "noreply")
        inside = [l for l in lines[start:end] if l.event == "reply"]
        self.assertGreater(len(inside), 5, result.main)
        self.assertEqual(reply_string(cw.windows_path() + "\\"), calls[-1][1])


def matches(expected, actual):
    if expected.endswith("*"):
        return actual.startswith(expected[:-1])
    return actual == expected


if __name__ == "__main__":
    unittest.main()

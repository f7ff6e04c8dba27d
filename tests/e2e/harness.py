"""End-to-end test harness: runs Windows programs under Wine with the stand-in player.

Runs inside the Wine bench: WINEPREFIX, DISPLAY, WINEDEBUG and LANG come from the environment.
COURSESHELL_EXE and STANDIN_DLL name the built program and the stand-in player DLL.

Typical use:

    cw = Courseware(main="fscommand exitprogram")
    self.addCleanup(cw.close)
    result = run(cw, timeout=30)
    self.assertEqual(result.exit_status, 259 & 0xFF)
    self.assertTrue(result.main.has("fscommand", "exitprogram"))
"""

import os
import pathlib
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

# The Wine loader for the build under test (tools/winebench/winearch.sh): the 32-bit one for the
# i686 build, the 64-bit one for the x86_64 build.
WINE = os.environ.get("WINE") or "wine"

STANDIN_CLSID = "{D27CDB6E-AE6D-11CF-96B8-444553540000}"
DEFAULT_VERSION_SCRIPT = "var mainver 11\nvar submainver 0\n"

# Wine's own service processes, never taken for something the program started.
_WINE_SERVICES = {
    "wineserver", "services.exe", "winedevice.exe", "plugplay.exe", "explorer.exe",
    "svchost.exe", "rpcss.exe", "conhost.exe", "tabtip.exe", "wineboot.exe", "start.exe",
}


class HarnessError(AssertionError):
    """A step of the harness failed or timed out; reported as a test failure."""


# ------------------------------------------------------------------ environment

SKIP_EXIT_CODE = 77


def bench_missing():
    """Why this is not the Wine bench, or None."""
    missing = [name for name in ("WINEPREFIX", "DISPLAY") if not os.environ.get(name)]
    return "not inside the Wine bench: %s unset" % ", ".join(missing) if missing else None


def main_or_skip():
    """For a test script's __main__: exit with SKIP_EXIT_CODE (ctest SKIP_RETURN_CODE) outside the
    bench, so that ctest reports a skip and not a pass; otherwise run unittest."""
    reason = bench_missing()
    if reason:
        print(reason)
        raise SystemExit(SKIP_EXIT_CODE)
    unittest.main(verbosity=2)


def require_bench():
    """Skips the calling test module when it does not run inside the Wine bench."""
    reason = bench_missing()
    if reason:
        raise unittest.SkipTest(reason)
    # Keep the server and Wine's services up between the many short runs of a test module
    # (a cold start costs seconds); it still goes away by itself a minute after the last run.
    # Does nothing when a server is already running.
    subprocess.run(["wineserver", "-p60"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def _env_path(name):
    value = os.environ.get(name)
    if not value:
        raise HarnessError("environment variable %s is not set" % name)
    path = pathlib.Path(value)
    if not path.is_file():
        raise HarnessError("%s=%s does not exist" % (name, value))
    return path


def courseshell_exe():
    return _env_path("COURSESHELL_EXE")


def standin_dll():
    return _env_path("STANDIN_DLL")


def standin_killed_dll():
    """The stand-in built as a Flash build that refuses all content (32.0.0.465)."""
    return _env_path("STANDIN_KILLED_DLL")


def file_version(path):
    """The file version of a Windows image's version resource as a tuple of four numbers, or
    None: read from its VS_FIXEDFILEINFO, found by the structure's signature."""
    data = pathlib.Path(path).read_bytes()
    at = data.find((0xFEEF04BD).to_bytes(4, "little"))
    if at < 0:
        return None
    ms = int.from_bytes(data[at + 8:at + 12], "little")
    ls = int.from_bytes(data[at + 12:at + 16], "little")
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def ansi_encoding():
    """The Windows ANSI code page Wine derives from the Unix locale."""
    lang = os.environ.get("LC_ALL") or os.environ.get("LANG") or ""
    return "gbk" if lang.startswith("zh_CN") else "cp1252"


def _run(args, timeout=60, check=True, **kw):
    # Output goes through files, not pipes: a Wine command that boots the prefix hands its
    # stdout to Wine's services, which outlive it, and a pipe would then never reach EOF.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(args, stdout=out, stderr=err, stdin=subprocess.DEVNULL, timeout=timeout, **kw).returncode
        out.seek(0)
        err.seek(0)
        proc = subprocess.CompletedProcess(args, code, out.read(), err.read())
    if check and proc.returncode != 0:
        raise HarnessError("%s failed with %d: %s" % (
            " ".join(map(str, args)), proc.returncode, proc.stderr.decode("utf-8", "replace")))
    return proc


def _prefix():
    return pathlib.Path(os.environ.get("WINEPREFIX") or pathlib.Path.home() / ".wine")


def winepath(path):
    """The Windows form (Z:\\...) of a Unix path."""
    path = pathlib.Path(path).absolute()
    # Starting winepath costs a Wine process; Z: is the root in every ordinary prefix.
    if os.path.realpath(_prefix() / "dosdevices" / "z:") == "/":
        return "Z:" + str(path).replace("/", "\\")
    out = _run(["winepath", "-w", str(path)]).stdout.decode("utf-8", "replace")
    return out.strip()


def is_64bit_prefix():
    return (_prefix() / "drive_c" / "windows" / "syswow64").is_dir()


def is_64bit_image(path):
    """Whether a Windows program or DLL is x86_64 (from the machine field of its PE header)."""
    with open(path, "rb") as f:
        head = f.read(4096)
    pe = int.from_bytes(head[0x3C:0x40], "little")
    if head[:2] != b"MZ" or head[pe:pe + 4] != b"PE\0\0":
        raise HarnessError("%s is not a Windows image" % path)
    return int.from_bytes(head[pe + 4:pe + 6], "little") == 0x8664


def describe_build(image):
    """Which build a program is and what runs it, for benchmark figures: "i686 build (path) under
    /usr/lib/wine/wine"."""
    arch = "x86_64" if is_64bit_image(image) else "i686"
    return "%s build (%s) under %s" % (arch, image, WINE)


def registry_view(key, image):
    """Where the program or DLL `image` sees a key: in a 64-bit prefix a 32-bit image's
    HKLM\\Software\\X is HKLM\\Software\\Wow6432Node\\X, a 64-bit image's is the key itself."""
    m = re.match(r"(?i)^(HKLM|HKEY_LOCAL_MACHINE)\\+software\\+(.*)$", key.strip("\\"))
    if (m and is_64bit_prefix() and not is_64bit_image(image)
            and not m.group(2).lower().startswith("wow6432node")):
        return "HKLM\\Software\\Wow6432Node\\" + m.group(2)
    return key


def program_view(key):
    """Where the program under test sees an HKLM\\Software key."""
    return registry_view(key, courseshell_exe())


def reg_query(key, redirect=True):
    """Values of a key as {name: data}; the default value is "". None if the key is missing.

    Data are text in the ANSI code page, decoded with surrogateescape so that
    raw_bytes(data) gives back the exact bytes Wine printed."""
    full = program_view(key) if redirect else key
    proc = _run([WINE, "reg", "query", full], check=False)
    if proc.returncode != 0:
        return None
    text = proc.stdout.decode(ansi_encoding(), "surrogateescape")
    values = {}
    for line in text.splitlines():
        if not line.startswith("    "):
            continue
        parts = line[4:].split("    ", 2)
        if len(parts) < 2 or not parts[1].startswith("REG_"):
            continue
        name = parts[0]
        # reg.exe prints the default value's name localised, in parentheses.
        if name.startswith("(") and name.endswith(")"):
            name = ""
        values[name] = parts[2] if len(parts) > 2 else ""
    return values


def raw_bytes(text):
    return text.encode(ansi_encoding(), "surrogateescape")


def reg_delete(key, redirect=True):
    full = program_view(key) if redirect else key
    _run([WINE, "reg", "delete", full, "/f"], check=False)


def _standin_key():
    # regsvr32 registers a DLL in the registry view of its own bitness.
    return registry_view("HKLM\\Software\\Classes\\CLSID\\%s\\InprocServer32" % STANDIN_CLSID,
                         standin_dll())


def standin_registration():
    """The DLL path registered for the Shockwave Flash class id, or None."""
    values = reg_query(_standin_key(), redirect=False)
    return values.get("") if values else None


def register_standin(dll=None):
    """Registers the stand-in in this prefix (only if not already registered at this path)."""
    path = winepath(dll or standin_dll())
    if (standin_registration() or "").lower() == path.lower():
        return path
    _run([WINE, "regsvr32", "/s", path])
    registered = standin_registration()
    if (registered or "").lower() != path.lower():
        raise HarnessError("regsvr32 left the class registered as %r, expected %r" % (registered, path))
    return path


# The player's type library and its two interfaces, wherever a registration may have written them:
# Wine registers a type library "for the user" machine-wide (HKLM\Software\Classes).
PLAYER_TYPELIB = "{D27CDB6B-AE6D-11CF-96B8-444553540000}"
_PLAYER_TYPELIB_KEYS = [
    root + sub
    for root in ("HKLM\\Software\\Classes\\", "HKCU\\Software\\Classes\\")
    for sub in ("TypeLib\\" + PLAYER_TYPELIB, "Interface\\{D27CDB6C-AE6D-11CF-96B8-444553540000}",
                "Interface\\{D27CDB6D-AE6D-11CF-96B8-444553540000}")
]


def player_typelib_path():
    """The file the registry names for the player's type library 1.0 (HKCR), or None."""
    for bits in ("win32", "win64"):
        values = reg_query("HKCR\\TypeLib\\%s\\1.0\\0\\%s" % (PLAYER_TYPELIB, bits), redirect=False)
        if values and values.get(""):
            return values[""]
    return None


def remove_player_typelib():
    for key in _PLAYER_TYPELIB_KEYS:
        reg_delete(key, redirect=False)
    if player_typelib_path() is not None:
        raise HarnessError("the player's type library is still registered")


def unregister_standin(dll=None):
    path = winepath(dll or standin_dll())
    _run([WINE, "regsvr32", "/s", "/u", path], check=False)
    if standin_registration() is not None:
        raise HarnessError("the stand-in is still registered after regsvr32 /u")


# ------------------------------------------------------------------ stand-in logs

class LogLine:
    """One stand-in log line: time in ms, event word, and the rest (CR/LF restored)."""

    def __init__(self, raw):
        self.raw = raw
        ms, _, rest = raw.partition(" ")
        self.ms = int(ms) if ms.isdigit() else -1
        event, _, text = rest.partition(" ")
        self.event = event
        self.text = text.replace("\u240a", "\n").replace("\u240d", "\r")

    def __repr__(self):
        return "LogLine(%r)" % self.raw[:200]


class MovieLog:
    """A parsed <movie>.log of the stand-in player."""

    def __init__(self, lines=()):
        self.lines = list(lines)

    @classmethod
    def read(cls, path):
        path = pathlib.Path(path)
        if not path.exists():
            return cls()
        data = path.read_bytes().decode("utf-8", "replace")
        # A line still being written has no newline yet and is left for the next read.
        complete = data[: data.rfind("\n") + 1]
        return cls(LogLine(line) for line in complete.splitlines())

    def events(self, event):
        return [line for line in self.lines if line.event == event]

    def texts(self, event):
        return [line.text for line in self.events(event)]

    def has(self, event, text=None):
        return any(text is None or line.text == text for line in self.events(event))

    def first(self, event, text=None):
        for line in self.events(event):
            if text is None or line.text == text:
                return line
        return None

    def search(self, pattern):
        """Lines whose "event text" matches the regular expression."""
        rx = re.compile(pattern)
        return [line for line in self.lines if rx.search(line.event + " " + line.text)]

    def flashcalls(self):
        """[(request, reply or None)] in the order the calls started; nested calls pair correctly."""
        result, stack = [], []
        for line in self.lines:
            if line.event == "flashcall":
                stack.append(len(result))
                result.append([line.text, None])
            elif line.event in ("reply", "noreply") and stack:
                result[stack.pop()][1] = line.text if line.event == "reply" else None
        return [tuple(pair) for pair in result]

    def __len__(self):
        return len(self.lines)

    def __str__(self):
        return "\n".join(line.raw[:300] for line in self.lines)


def wait_for_log(path, pattern, timeout=10.0, proc=None):
    """Waits until a line of the log matches; returns it. Fails on time-out or early exit."""
    deadline = time.monotonic() + timeout
    while True:
        found = MovieLog.read(path).search(pattern)
        if found:
            return found[0]
        if proc is not None and proc.poll() is not None:
            raise HarnessError("program ended (status %s) before %r appeared in %s" % (proc.returncode, pattern, path))
        if time.monotonic() > deadline:
            raise HarnessError("no line matching %r in %s within %.1f s:\n%s" % (
                pattern, path, timeout, MovieLog.read(path)))
        time.sleep(0.05)


# ------------------------------------------------------------------ X display

def windows(visible_only=True):
    """Top-level X windows: [{"id", "title", "x", "y", "width", "height"}], titles in UTF-8."""
    for attempt in range(5):
        # A window that goes away while the tree is walked fails the whole query; ask again.
        proc = _run(["xwininfo", "-root", "-tree"], check=attempt == 4)
        if proc.returncode == 0:
            break
        time.sleep(0.05)
    out = proc.stdout.decode("utf-8", "replace")
    visible = None
    if visible_only:
        proc = _run(["xdotool", "search", "--onlyvisible", "--name", ""], check=False)
        visible = {int(x) for x in proc.stdout.split()}
    result = []
    rx = re.compile(r'^\s+(0x[0-9a-f]+) "(.*)": \(.*\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)')
    for line in out.splitlines():
        m = rx.match(line)
        if not m:
            continue
        wid = int(m.group(1), 16)
        if visible is not None and wid not in visible:
            continue
        result.append({
            "id": wid, "title": m.group(2), "width": int(m.group(3)), "height": int(m.group(4)),
            "x": int(m.group(7)), "y": int(m.group(8)),
        })
    return result


def find_window(title, timeout=0.0, regex=False):
    """The first visible window whose title equals (or matches) `title`; None after the time-out."""
    deadline = time.monotonic() + timeout
    while True:
        for w in windows():
            if (re.search(title, w["title"]) if regex else w["title"] == title):
                return w
        if time.monotonic() >= deadline:
            return None
        time.sleep(0.1)


def press(keys, window=None):
    """Presses keys (xdotool names, e.g. "Return", "alt+F4"), after focusing `window` if given."""
    if window is not None:
        wid = window["id"] if isinstance(window, dict) else window
        _run(["xdotool", "windowfocus", str(wid)], check=False)
        time.sleep(0.1)
    _run(["xdotool", "key", "--delay", "50"] + keys.split())


def click(x, y, button="left"):
    """Clicks at screen coordinates."""
    number = {"left": "1", "middle": "2", "right": "3"}[button]
    _run(["xdotool", "mousemove", str(x), str(y), "click", number])


def restart_wine():
    """Ends the prefix's server and services and starts the server again: Wine reads the
    display's work area once, when its desktop process starts."""
    _run(["wineserver", "-k"], check=False)
    _run(["wineserver", "-w"], check=False, timeout=30)
    subprocess.run(["wineserver", "-p60"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def set_work_area(area):
    """Sets (or, for None, removes) the root window's _NET_WORKAREA, left, top, right, bottom, as
    a window manager reports the part of the screen that its panels leave free."""
    if area is None:
        _run(["xprop", "-root", "-remove", "_NET_WORKAREA"], check=False)
        return
    left, top, right, bottom = area
    _run(["xprop", "-root", "-format", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA",
          "%d,%d,%d,%d" % (left, top, right - left, bottom - top)])


class work_area:
    """While it lives, Wine sees a work area smaller than the screen: `with work_area((l, t, r, b)):`.
    A client of its own holds the display meanwhile (an X server without clients resets and
    forgets the root window's properties); Wine is restarted on the way in and out."""

    def __init__(self, area):
        self.area = area
        self.holder = None

    def __enter__(self):
        self.holder = subprocess.Popen(["xprop", "-root", "-spy", "_NET_WORKAREA"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        time.sleep(0.3)
        set_work_area(self.area)
        restart_wine()
        return self

    def __exit__(self, *exc):
        set_work_area(None)
        restart_wine()
        self.holder.kill()
        self.holder.wait(10)
        return False


def screenshot(path):
    path = pathlib.Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    _run(["import", "-window", "root", str(path)])
    return path


def pixel(x, y):
    """The (r, g, b) of one screen pixel."""
    out = _run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"]).stdout.decode()
    m = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
    return tuple(int(v) for v in m.groups())


def colours(png):
    """(colour count, width, height) of an image file."""
    out = subprocess.run(["identify", "-format", "%k %w %h", str(png)], capture_output=True, text=True,
                         timeout=60, check=True).stdout.split()
    return int(out[0]), int(out[1]), int(out[2])


def busiest_share(png):
    """The share of the image's most frequent colour, 0..1."""
    out = subprocess.run(["convert", str(png), "-format", "%c", "histogram:info:-"], capture_output=True,
                         text=True, timeout=60, check=True).stdout
    counts = [int(m.group(1)) for m in re.finditer(r"^\s*(\d+):", out, re.M)]
    return max(counts) / sum(counts)


# ------------------------------------------------------------------ processes

def _prefix_processes():
    """{pid: command line} of Linux processes that belong to this Wine prefix."""
    prefix = os.environ.get("WINEPREFIX", "").encode()
    found = {}
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            env = (entry / "environ").read_bytes()
            cmd = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
        if b"WINEPREFIX=" + prefix + b"\0" in env + b"\0":
            found[int(entry.name)] = cmd
    return found


def _is_service(cmd):
    first = cmd.split(" ")[0].replace("\\", "/").rsplit("/", 1)[-1].lower()
    # Killing the server (wineserver, wineserver64) would orphan every client of the prefix.
    return first in _WINE_SERVICES or first.startswith("wineserver")


def _kill(pid):
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


class Courseware:
    """A fresh program directory with CourseShell.exe and scripted movies beside it."""

    def __init__(self, main="", version=DEFAULT_VERSION_SCRIPT, files=None, exe=None, copy_exe=True):
        self.root = pathlib.Path(tempfile.mkdtemp(prefix="cs-e2e-"))
        self.dir = self.root / "app"
        self.dir.mkdir()
        self.shots = self.root / "shots"
        self.exe = None
        if copy_exe:
            source = pathlib.Path(exe) if exe else courseshell_exe()
            self.exe = self.dir / "CourseShell.exe"
            shutil.copy2(source, self.exe)
        if main is not None:
            self.write("main.swf", main)
        if version is not None:
            self.write("version.swf", version)
        for rel, content in (files or {}).items():
            self.write(rel, content)

    def path(self, rel=""):
        return self.dir / rel.replace("\\", "/") if rel else self.dir

    def windows_path(self, rel=""):
        return winepath(self.path(rel))

    def write(self, rel, content, encoding="utf-8"):
        """Writes text (in `encoding`) or bytes; creates folders."""
        path = self.path(rel)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content if isinstance(content, bytes) else content.encode(encoding))
        return path

    def read(self, rel):
        return self.path(rel).read_bytes()

    def log_path(self, movie="main.swf"):
        return self.path(movie + ".log")

    def log(self, movie="main.swf"):
        return MovieLog.read(self.log_path(movie))

    def close(self):
        """Removes the directory (kept with E2E_KEEP=1); screenshots are first copied to
        $E2E_OUT/<directory name>/ when E2E_OUT is set."""
        out = os.environ.get("E2E_OUT")
        if out and self.shots.is_dir():
            shutil.copytree(self.shots, pathlib.Path(out) / self.root.name, dirs_exist_ok=True)
        if os.environ.get("E2E_KEEP"):
            print("kept", self.root)
            return
        shutil.rmtree(self.root, ignore_errors=True)


class Session:
    """Handed to the `during` callback of run() while the program runs."""

    def __init__(self, courseware, proc, started):
        self.cw = courseware
        self.proc = proc
        self.started = started
        self.screenshots = []

    def elapsed(self):
        return time.monotonic() - self.started

    def running(self):
        return self.proc.poll() is None

    def wait_for_log(self, pattern, timeout=10.0, movie="main.swf"):
        return wait_for_log(self.cw.log_path(movie), pattern, timeout, self.proc)

    def log(self, movie="main.swf"):
        return self.cw.log(movie)

    def screenshot(self, name=None):
        name = name or "shot%02d.png" % (len(self.screenshots) + 1)
        path = screenshot(self.cw.shots / name)
        self.screenshots.append(path)
        return path

    windows = staticmethod(windows)
    find_window = staticmethod(find_window)
    press = staticmethod(press)
    click = staticmethod(click)
    pixel = staticmethod(pixel)

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("program still running after %.1f s" % timeout)


class RunResult:
    def __init__(self, status, timed_out, cw, screenshots, strays, duration):
        self.status = status            # Linux exit status (Windows exit code & 0xFF); None if killed
        self.exit_status = status
        self.timed_out = timed_out
        self.main = cw.log("main.swf")
        self.version = cw.log("version.swf")
        self.screenshots = screenshots
        self.strays = strays            # command lines of other prefix processes killed afterwards
        self.duration = duration
        self.stdout = (cw.root / "wine.out").read_bytes().decode("utf-8", "replace")
        self.stderr = (cw.root / "wine.err").read_bytes().decode("utf-8", "replace")

    def __repr__(self):
        return "RunResult(status=%r, timed_out=%r, %.1f s)" % (self.status, self.timed_out, self.duration)


def run(courseware, during=None, timeout=60.0, args=(), program=None, kill_strays=True):
    """Starts the program (CourseShell.exe of `courseware` unless `program` names another .exe in
    the Unix file system), calls during(session) while it runs, waits for its exit.

    On time-out the Wine process is killed and `timed_out` is set. Processes of the prefix that
    appeared during the run and are still alive afterwards (e.g. started by the program) are
    killed and listed in `strays`."""
    exe = pathlib.Path(program) if program else courseware.exe
    before = set(_prefix_processes())
    out = open(courseware.root / "wine.out", "wb")
    err = open(courseware.root / "wine.err", "wb")
    started = time.monotonic()
    proc = subprocess.Popen([WINE, winepath(exe)] + [str(a) for a in args], cwd=str(courseware.dir),
                            stdout=out, stderr=err, stdin=subprocess.DEVNULL)
    session = Session(courseware, proc, started)
    timed_out = False
    try:
        if during is not None:
            during(session)
        remaining = max(0.1, timeout - session.elapsed())
        try:
            proc.wait(remaining)
        except subprocess.TimeoutExpired:
            timed_out = True
    finally:
        if proc.poll() is None:
            _kill(proc.pid)
            proc.wait(10)
        out.close()
        err.close()
    duration = time.monotonic() - started
    strays = []
    if kill_strays:
        time.sleep(0.2)
        for pid, cmd in _prefix_processes().items():
            if pid not in before and pid != proc.pid and not _is_service(cmd):
                strays.append(cmd)
                _kill(pid)
    status = None if timed_out else proc.returncode
    return RunResult(status, timed_out, courseware, session.screenshots, strays, duration)


def kill_all_wine():
    """Last resort: ends every process of the prefix (wineserver -k)."""
    _run(["wineserver", "-k"], check=False)


# ------------------------------------------------------------------ window texts

def window_texts():
    """Every visible top-level window of the session with its controls' texts, as the program
    shows them: [{"title", "class", "pid", "enabled", "children": [{"class", "text"}]}].
    Read by the tools/wintext test tool (WINTEXT_EXE)."""
    import json
    exe = _env_path("WINTEXT_EXE")
    with tempfile.TemporaryFile() as out:
        # Output to a file: Wine's services would keep a pipe open long after the tool ended.
        subprocess.run([WINE, winepath(exe)], stdout=out, stderr=subprocess.DEVNULL, timeout=60)
        out.seek(0)
        lines = out.read().decode("utf-8", "replace").splitlines()
    return [json.loads(line) for line in lines if line.startswith("{")]


def find_text_window(text, timeout=10.0, title=None):
    """The first visible window one of whose controls shows `text` (and whose title is `title`
    when given); None after the time-out."""
    deadline = time.monotonic() + timeout
    while True:
        for w in window_texts():
            if title is not None and w["title"] != title:
                continue
            if any(text == c["text"] for c in w["children"]):
                return w
        if time.monotonic() >= deadline:
            return None
        time.sleep(0.2)


class ProgramTest(unittest.TestCase):
    """Base of the end-to-end test classes: inside the bench, with the stand-in registered, and a
    fresh courseware folder per test that is removed afterwards."""

    @classmethod
    def setUpClass(cls):
        require_bench()
        register_standin()

    def courseware(self, **kw):
        cw = Courseware(**kw)
        self.addCleanup(cw.close)
        return cw

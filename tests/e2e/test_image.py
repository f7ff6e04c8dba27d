"""The built program as Windows will load it: its processor, its manifest and the DLLs it needs.

Windows refuses to start a program whose manifest names another processor than its image, and a
program that needs a DLL of the compiler's runtime does not start on a school PC that lacks it.
No Wine needed; run for each Windows build."""
import os
import re
import subprocess
import unittest

MACHINES = {"i686": (0x14C, "x86"), "x86_64": (0x8664, "amd64")}
# What every Windows 7 has; the program is linked statically against everything else.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll",
    "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "secur32.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "winmm.dll", "wldap32.dll", "ws2_32.dll",
    # Authenticode: the update's installer must carry the program's own publisher's signature.
    "wintrust.dll",
}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


def pe_header(image):
    pe = int.from_bytes(image[0x3C:0x40], "little")
    assert image[pe:pe + 4] == b"PE\0\0", "not a PE image"
    machine = int.from_bytes(image[pe + 4:pe + 6], "little")
    optional = pe + 24
    subsystem = int.from_bytes(image[optional + 68:optional + 70], "little")
    return machine, subsystem


def embedded_manifest(image):
    match = re.search(rb"<assembly\b.*?</assembly>", image, re.S)
    return match.group(0).decode("utf-8") if match else None


def imported_dlls(exe, arch):
    out = subprocess.run(["%s-w64-mingw32-objdump" % arch, "-p", exe], capture_output=True,
                         text=True, check=True).stdout
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", out)}


class ProgramImageTest(unittest.TestCase):
    def setUp(self):
        self.exe = os.environ["COURSESHELL_EXE"]
        self.arch = os.environ["COURSESHELL_ARCH"]
        with open(self.exe, "rb") as f:
            self.image = f.read()

    def test_a_windows_program_for_the_processor_of_its_build(self):
        machine, subsystem = pe_header(self.image)
        self.assertEqual(MACHINES[self.arch][0], machine)
        self.assertEqual(IMAGE_SUBSYSTEM_WINDOWS_GUI, subsystem)

    def test_the_manifest_names_the_same_processor_and_asks_for_common_controls_6(self):
        manifest = embedded_manifest(self.image)
        self.assertIsNotNone(manifest, "no manifest in the program")
        archs = re.findall(r'processorArchitecture="([^"]*)"', manifest)
        self.assertEqual([MACHINES[self.arch][1]] * 2, archs, manifest)
        self.assertIn('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', manifest)

    def test_the_manifest_asks_for_no_execution_level(self):
        # Without one, Windows virtualises the machine-wide settings key and the writes into the
        # program folder for a standard user; with any level (asInvoker too) it does not.
        manifest = embedded_manifest(self.image)
        self.assertNotIn("requestedExecutionLevel", manifest)
        self.assertNotIn("trustInfo", manifest)

    def test_needs_only_dlls_that_windows_has(self):
        dlls = imported_dlls(self.exe, self.arch)
        self.assertIn("kernel32.dll", dlls)
        self.assertEqual(set(), dlls - SYSTEM_DLLS)


if __name__ == "__main__":
    unittest.main(verbosity=2)

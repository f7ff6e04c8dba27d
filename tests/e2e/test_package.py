"""The release package: the program without its symbols, the readme, nothing of the test tools."""
import os
import struct
import subprocess
import tempfile
import unittest
import zipfile

import test_image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# Teachers download the package over school networks; the stripped program is about 2.5 MB.
MAX_PROGRAM_BYTES = 4 * 1024 * 1024


def coff_symbol_count(image):
    """NumberOfSymbols of the PE file header: 0 once the symbol table is stripped."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0"
    return struct.unpack_from("<I", image, pe + 4 + 12)[0]


class PackageTest(unittest.TestCase):
    def test_the_packaged_program_is_stripped_and_the_build_is_not(self):
        exe = os.environ["COURSESHELL_EXE"]
        with tempfile.TemporaryDirectory() as work:
            env = dict(os.environ, COURSESHELL_EXE=exe)
            out = subprocess.run(["bash", os.path.join(ROOT, "scripts", "package.sh")], cwd=work,
                                 env=env, capture_output=True, text=True, timeout=120)
            self.assertEqual(0, out.returncode, out.stderr)
            print(out.stdout.strip())
            zips = [os.path.join(ROOT, "build", "package", n)
                    for n in os.listdir(os.path.join(ROOT, "build", "package")) if n.endswith(".zip")]
            self.assertEqual(1, len(zips))
            with zipfile.ZipFile(zips[0]) as z:
                packaged = z.read("CourseShell/CourseShell.exe")
            with open(exe, "rb") as f:
                built = f.read()
                names = z.namelist()
            # Ruffle goes beside the program, with its licences and without its source maps.
            for name in ("ruffle.js", "LICENSE_MIT", "LICENSE_APACHE"):
                self.assertIn("CourseShell/ruffle/" + name, names)
            self.assertTrue(any(n.endswith(".wasm") for n in names), names)
            self.assertFalse([n for n in names if n.endswith(".map")])
            self.assertGreater(coff_symbol_count(built), 0)
            self.assertEqual(0, coff_symbol_count(packaged))
            self.assertLess(len(packaged), len(built))
            self.assertLess(len(packaged), MAX_PROGRAM_BYTES)
            # The release is the 32-bit program, needing nothing but what Windows has.
            packaged_exe = os.path.join(work, "CourseShell.exe")
            with open(packaged_exe, "wb") as f:
                f.write(packaged)
            self.assertEqual(0x14C, test_image.pe_header(packaged)[0])
            self.assertEqual(set(), test_image.imported_dlls(packaged_exe, "i686")
                             - test_image.SYSTEM_DLLS)


if __name__ == "__main__":
    unittest.main()

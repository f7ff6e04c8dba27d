#!/usr/bin/env python3
"""Tells whether this machine runs 32-bit x86 programs: it starts the smallest one there is.

Some machines run 64-bit user code only (the kernel's IA-32 emulation is off); every i386 program
then fails with "Exec format error", Wine's 32-bit loader among them, while `wine --version` may
still answer through a wrapper. Nothing needs to be installed for this check: the program is a
static i386 ELF of one page, written here, that asks the kernel to exit with status 32.

Exit status 0 if it ran; 1 otherwise, with the reason on stdout."""
import os
import struct
import subprocess
import sys
import tempfile

BASE = 0x08048000
EHDR_SIZE, PHDR_SIZE = 52, 32
EXPECTED_STATUS = 32
# xor ebx, ebx; mov bl, 32; mov eax, 1 (exit); int 0x80
CODE = bytes([0x31, 0xDB, 0xB3, EXPECTED_STATUS, 0xB8, 0x01, 0, 0, 0, 0xCD, 0x80])


def tiny_i386_program():
    size = EHDR_SIZE + PHDR_SIZE + len(CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1]) + bytes(9)  # 32-bit, little-endian, version 1
    ehdr = ident + struct.pack("<HHIIIIIHHHHHH",
                               2, 3, 1,                      # executable, i386, version
                               BASE + EHDR_SIZE + PHDR_SIZE,  # entry point: the code
                               EHDR_SIZE, 0, 0,              # program headers; no sections
                               EHDR_SIZE, PHDR_SIZE, 1, 0, 0, 0)
    # One loadable, readable and executable segment: the whole file.
    phdr = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)
    return ehdr + phdr + CODE


def main():
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "ia32probe")
        with open(path, "wb") as f:
            f.write(tiny_i386_program())
        os.chmod(path, 0o755)
        try:
            status = subprocess.run([path], timeout=10).returncode
        except OSError as e:
            print("an i386 program does not start: %s" % (e.strerror or e))
            return 1
        except subprocess.TimeoutExpired:
            print("an i386 program did not end")
            return 1
    if status != EXPECTED_STATUS:
        print("an i386 program ended with %d instead of %d" % (status, EXPECTED_STATUS))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

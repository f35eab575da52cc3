#!/usr/bin/env python3
"""writable-idata.py PROGRAM: makes the .idata section of the PE file PROGRAM writable when the
linker made it read-only. The linker of binutils 2.44 (Debian 13's) does, and MinGW's delay-load
helper writes the addresses it resolves into the slots dlltool's delay-load libraries keep there;
objcopy of the same binutils marks the section read-only again, so the flag is set in the section
header itself. A program whose .idata is writable already is left as it is, byte for byte."""
import struct
import sys

IMAGE_SCN_MEM_WRITE = 0x80000000


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "r+b") as program:
        data = bytearray(program.read())
        if data[:2] != b"MZ":
            sys.exit(f"writable-idata: {sys.argv[1]} is no PE file")
        header, = struct.unpack_from("<I", data, 0x3C)
        if data[header:header + 4] != b"PE\0\0":
            sys.exit(f"writable-idata: {sys.argv[1]} is no PE file")
        sections, = struct.unpack_from("<H", data, header + 6)
        optional, = struct.unpack_from("<H", data, header + 20)
        table = header + 24 + optional
        for i in range(sections):
            at = table + 40 * i
            if data[at:at + 8] != b".idata\0\0":
                continue
            flags, = struct.unpack_from("<I", data, at + 36)
            if not flags & IMAGE_SCN_MEM_WRITE:
                program.seek(at + 36)
                program.write(struct.pack("<I", flags | IMAGE_SCN_MEM_WRITE))


if __name__ == "__main__":
    main()

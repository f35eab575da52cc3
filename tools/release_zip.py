#!/usr/bin/env python3
"""release_zip.py FOLDER TOP OUT EPOCH: zips FOLDER's files under the top folder TOP into OUT.

The same files give the same bytes: names in a fixed order, every entry dated EPOCH (seconds, UTC;
the earliest zip date is 1980), the same permissions, no extra fields, the same compression."""
import os
import sys
import time
import zipfile


def main():
    folder, top, out, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    names = []
    for base, dirs, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            names.append(os.path.relpath(path, folder).replace(os.sep, "/"))
    with zipfile.ZipFile(out, "w") as archive:
        for name in sorted(names):
            entry = zipfile.ZipInfo(top + "/" + name, date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0  # MS-DOS: no Unix owner or mode
            entry.external_attr = 0x20  # the archive bit, as Windows sets it
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)


if __name__ == "__main__":
    main()

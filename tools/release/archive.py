#!/usr/bin/env python3
"""Archives for a release that come out byte for byte the same from the same
files: entries sorted, one fixed time (SOURCE_DATE_EPOCH), fixed owners and
modes, and no host names or build times in the compressed streams.

  archive.py zip OUT.zip DIR        the files of DIR at the archive's top
  archive.py tar OUT.tar.gz DIR TOP the files of DIR under the folder TOP/
"""
import gzip
import io
import os
import sys
import tarfile
import time
import zipfile


def epoch():
    return int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))


def files_of(folder):
    found = []
    for base, dirs, names in os.walk(folder):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(base, name)
            found.append((os.path.relpath(path, folder).replace(os.sep, "/"), path))
    return sorted(found)


def executable(path):
    return os.access(path, os.X_OK) or path.endswith(".exe")


def make_zip(out, folder):
    # Zip times have no zone and start in 1980.
    stamp = time.gmtime(max(epoch(), 315532800))[:6]
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name, path in files_of(folder):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so the modes below are kept
            info.external_attr = (0o100755 if executable(path) else 0o100644) << 16
            with open(path, "rb") as f:
                archive.writestr(info, f.read())


def make_tar(out, folder, top):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.PAX_FORMAT) as archive:
        dirs = sorted({os.path.dirname(name) for name, _ in files_of(folder)} - {""})
        entries = [(d, None) for d in dirs] + files_of(folder)
        for name, path in [("", None)] + sorted(entries):
            info = tarfile.TarInfo(f"{top}/{name}".rstrip("/"))
            info.mtime, info.uid, info.gid, info.uname, info.gname = epoch(), 0, 0, "root", "root"
            if path is None:
                info.type, info.mode = tarfile.DIRTYPE, 0o755
                archive.addfile(info)
            else:
                info.mode = 0o755 if executable(path) else 0o644
                info.size = os.path.getsize(path)
                with open(path, "rb") as f:
                    archive.addfile(info, f)
    with open(out, "wb") as f:
        with gzip.GzipFile(filename="", mode="wb", fileobj=f, mtime=epoch(), compresslevel=9) as z:
            z.write(raw.getvalue())


def main(argv):
    if len(argv) == 4 and argv[1] == "zip":
        make_zip(argv[2], argv[3])
    elif len(argv) == 5 and argv[1] == "tar":
        make_tar(argv[2], argv[3], argv[4])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""Builds the test medium for setup's tests: deterministic stand-ins for the
product files, packed with mscompress (name ending in "_" in place of the
last letter), the INF file unpacked, and the unpacked originals to compare
with.

usage: make_medium.py INF OUTDIR
"""
import os
import shutil
import subprocess
import sys

FILES = ["tvi8042.sys", "tvsermou.sys", "TVNTCpl.dll", "TVUninst.exe",
         "TVPtr.exe", "TMouse.hlp", "TVPtr.dll"]


def content(name, index):
    """Some text that packs well and some bytes that do not, per file."""
    out = bytearray()
    text = ("%s: Tavix mouse test file %d. " % (name, index)).encode()
    out += text * (40 + 13 * index)
    seed = 0x1234 + index * 7919
    for _ in range(3000 + 500 * index):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((seed >> 16) & 0xFF)
    out += bytes(range(256)) * 4
    return bytes(out)


def main():
    inf, outdir = sys.argv[1], sys.argv[2]
    originals = os.path.join(outdir, "originals")
    os.makedirs(originals, exist_ok=True)
    for index, name in enumerate(FILES):
        plain = os.path.join(originals, name)
        with open(plain, "wb") as f:
            f.write(content(name, index))
        subprocess.run(["mscompress", plain], check=True)
        packed_name = name[:-1] + "_"
        os.replace(plain + "_", os.path.join(outdir, packed_name))
    shutil.copyfile(inf, os.path.join(outdir, "TAVMOUSE.INF"))
    shutil.copyfile(inf, os.path.join(originals, "TAVMOUSE.INF"))


if __name__ == "__main__":
    main()

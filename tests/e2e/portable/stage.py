#!/usr/bin/env python3
"""Stages the portable scenarios for a run: the driver scripts and listings
of this folder, and expected/ with what they compare against that is not on
the CD itself, worked out from the CD they will install from: the two pages
whose links the installer rewrites (01.html loses "../../../program/",
05.html "../../../program/update/"), and the readme as the setup dialog
shows it (each line of the CP932 file ended by CR LF, in UTF-8); and
build.txt, which names the registry view the CD's programs write (32 for
i686, 64 for x86-64) and the other one.

    stage.py OUT CD-FOLDER VIEW

The same staged folder runs under Wine (run_wine.sh) and on Windows
(run_windows.ps1), so every expectation is made here, once, on Linux.
"""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from check_install import REMOVED  # noqa: E402

PAGES = {"01.html": "HTML/01.html", "05.html": "HTML/05.html"}


def main(out, cd, view):
    if view not in ("32", "64"):
        sys.exit(f"stage: the registry view is 32 or 64, not {view}")
    os.makedirs(os.path.join(out, "expected"), exist_ok=True)
    for name in os.listdir(HERE):
        if name.endswith((".txt", ".tree", ".ps1")):
            shutil.copyfile(os.path.join(HERE, name), os.path.join(out, name))
    for name, source in PAGES.items():
        page = open(os.path.join(cd, source), "rb").read()
        if REMOVED[name] not in page:
            sys.exit(f"stage: {source} on the CD has no link to rewrite")
        with open(os.path.join(out, "expected", name), "wb") as f:
            f.write(page.replace(REMOVED[name], b""))
    lines = open(os.path.join(cd, "readme.txt"), "rb").read().decode("cp932").splitlines()
    with open(os.path.join(out, "expected", "shown-readme.txt"), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("utf-8"))
    with open(os.path.join(out, "build.txt"), "w", encoding="utf-8") as f:
        f.write("# Written by stage.py for the CD the scenarios install from.\n")
        f.write(f"set REG_VIEW {view}\nset OTHER_VIEW {96 - int(view)}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

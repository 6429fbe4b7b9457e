#!/usr/bin/env python3
"""Compares an installation folder with the CD it was installed from.

Usage: check_install.py DEST CD LIST
LIST holds one line per installed file: its path below DEST, a tab, its
source below CD (a line ending in / is a folder without files). DEST must hold exactly these files and their folders. Each
file has its source's bytes, except the pages 01.html and 05.html, whose
links lose "../../../program/" and "../../../program/update/" respectively;
their lines keep ending in CR LF. Prints one line per finding; exit 1 on any.
"""
import os
import sys

REMOVED = {"01.html": b"../../../program/", "05.html": b"../../../program/update/"}


def main(dest, cd, listing):
    pairs = [(line.split("\t") + [""])[:2] for line in open(listing, encoding="utf-8").read().splitlines() if line]
    problems = []
    wanted = set()
    folders_only = [p[0] for p in pairs if p[0].endswith("/")]
    pairs = [p for p in pairs if not p[0].endswith("/")]
    wanted.update(folders_only)
    for target, _ in pairs:
        wanted.add(target)
        parent = os.path.dirname(target)
        while parent:
            wanted.add(parent + "/")
            parent = os.path.dirname(parent)
    found = set()
    for root, dirs, files in os.walk(dest):
        rel = os.path.relpath(root, dest)
        for d in dirs:
            found.add(os.path.normpath(os.path.join(rel, d)) + "/")
        for f in files:
            found.add(os.path.normpath(os.path.join(rel, f)))
    for extra in sorted(found - wanted):
        problems.append(f"unexpected in the installation folder: {extra}")
    for missing in sorted(wanted - found):
        problems.append(f"missing from the installation folder: {missing}")

    rewritten = 0
    for target, source in pairs:
        path = os.path.join(dest, target)
        if not os.path.isfile(path):
            continue
        got = open(path, "rb").read()
        want = open(os.path.join(cd, source), "rb").read()
        name = os.path.basename(target)
        if name in REMOVED:
            if REMOVED[name] not in want:
                problems.append(f"{source} on the CD has no link to rewrite")
            want = want.replace(REMOVED[name], b"")
            if b"../../../program/" in got and name == "01.html":
                problems.append(f"{target} still links to ../../../program/")
            if got.count(b"\n") != got.count(b"\r\n"):
                problems.append(f"{target} has line feeds without carriage returns")
            rewritten += 1
        if got != want:
            problems.append(f"{target}: {len(got)} bytes differ from the expected {len(want)} bytes")
    for p in problems:
        print("check_install: " + p)
    if not problems:
        print(f"check_install: {len(pairs)} files and {len(wanted) - len(pairs)} folders as expected, "
              f"{rewritten} pages rewritten")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

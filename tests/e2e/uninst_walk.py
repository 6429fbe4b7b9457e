#!/usr/bin/env python3
"""What the uninstaller's walk leaves of a folder, worked out from the folder
as it is now: prints every path that stays (relative, '/' separated, folders
with a trailing '/'), sorted, then a line 'messages N' with the number of
folders whose removal fails and is reported.

The walk visits a folder's entries in the order Wine lists them: by name with
case ignored (ASCII letters; other characters by their UTF-16 code), "." and
".." left out. Folders whose names begin with a dot stay untouched; a file
named uninst.exe (case ignored) stays; a file without any write permission
bit (read-only for Wine) cannot be deleted and stops the walk at every level;
a folder is removed once emptied, and a folder that is not empty by then
stays and is reported. Symbolic links are not expected here.

usage: uninst_walk.py FOLDER
"""
import os
import stat
import sys


def order(name):
    return ([ord(c.upper()) if c.isascii() else ord(c) for c in name], name)


def walk(path, gone, messages):
    for name in sorted(os.listdir(path), key=order):
        full = os.path.join(path, name)
        if os.path.isdir(full):
            if name.startswith("."):
                continue
            if not walk(full, gone, messages):
                return False
            if any(os.path.join(full, n) not in gone for n in os.listdir(full)):
                messages.append(full)
            else:
                gone.add(full)
        else:
            if name.lower() == "uninst.exe":
                continue
            if not os.stat(full).st_mode & (stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH):
                return False
            gone.add(full)
    return True


def main():
    root = sys.argv[1]
    gone, messages = set(), []
    walk(root, gone, messages)
    left = []
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            full = os.path.join(folder, name)
            if full in gone or any(full.startswith(g + "/") for g in gone):
                continue
            rel = os.path.relpath(full, root)
            left.append(rel + "/" if os.path.isdir(full) else rel)
    for rel in sorted(left):
        print(rel)
    print("messages %d" % len(messages))


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# Exits 0 when this machine can run 32-bit Windows programs under Wine.
# Debian's Wine starts them through its 32-bit loader, a Linux i386 program:
# a kernel built without 32-bit support refuses it ("Exec format error"),
# and then only the 64-bit loader (wine64) runs, with 64-bit programs alone.
/usr/lib/wine/wine --version >/dev/null 2>&1

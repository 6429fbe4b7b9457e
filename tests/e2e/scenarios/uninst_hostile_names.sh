#!/usr/bin/env bash
# Names inside the installation folder that an ordinary user could plant to
# make the elevated uninstaller empty another folder: a Unix symbolic link
# to a folder outside (Wine lists it as a folder with the reparse bit,
# attributes 0x410), and a folder whose name holds the yen sign U+00A5 where
# a best-fit narrowing to Shift-JIS would read a backslash, so that the name
# "a¥..¥..¥..¥Canary" would climb to C:\Program Files\Canary, and a Unix
# symbolic link to a file outside (Wine lists it as a plain file with its
# target's number and opens the target). Every canary stays, and so do both
# links; everything else of the installation goes.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninst_lib.sh"
e2e_begin uninst_hostile_names

[ -f "${E2E_UNINST:-}" ] || e2e_fail "E2E_UNINST does not name the built uninst.exe"
install=$(uninst_unix "$UNINST_INSTALL_WIN")
uninst_plant_installation "$install"

outside=$(uninst_unix 'C:\outside')
mkdir -p "$outside/deeper"
echo alive >"$outside/canary.txt"
echo alive >"$outside/deeper/canary.txt"
ln -s "$outside" "$install/link"
# Named to come last in the listing: the walk stops at it, as at a file it
# cannot delete.
ln -s "$outside/canary.txt" "$install/龍.txt"

climbed=$(uninst_unix 'C:\Program Files\Canary')
mkdir -p "$climbed"
echo alive >"$climbed/canary.txt"
mkdir -p "$install/a¥..¥..¥..¥Canary"
echo planted >"$install/a¥..¥..¥..¥Canary/inner.txt"

e2e_start "$UNINST_INSTALL_WIN\\uninst.exe" "$UNINST_INSTALL_WIN"
# Wine lists a folder's entries sorted by name, so the yen-sign folder comes
# first: it is never entered or removed, and its removal is reported with the
# system's text for ERROR_INVALID_NAME. Then the link: never entered, and
# nothing is deleted through it. The listing marks it as a link, but Wine 8
# opens a Unix link's target even when asked for the link itself, so the
# handle is not the link's: the uninstaller reports ERROR_NOT_A_REPARSE_POINT
# (4390, for which Wine has no text: "エラー 4390") and leaves the link. On
# Windows the handle is the link's and the link alone is deleted.
# (A message box is waited for as a window first: it can be shown before its
# text is set.)
uninst_confirm_script flow "$UNINST_INSTALL_WIN" \
  'wait-window uninst' 'expect-msgbox "名前は正しくありません。\n" ok caption=uninst' \
  'wait-window uninst' 'expect-msgbox "エラー 4390" ok caption=uninst'

e2e_drive flow || e2e_fail "the driver script failed"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "uninst.exe ended with exit code $E2E_EXIT, wanted 0"

for f in "$outside/canary.txt" "$outside/deeper/canary.txt" "$climbed/canary.txt"; do
  [ "$(cat "$f" 2>/dev/null)" = alive ] || e2e_fail "canary $f is gone"
done
e2e_log "both canaries intact"
[ -L "$install/link" ] || e2e_fail "the link itself is gone or replaced"
[ -L "$install/龍.txt" ] || e2e_fail "the file link is gone or replaced"
left=$(uninst_tree "$install")
wanted=$(printf '%s\n' 'a¥..¥..¥..¥Canary' 'a¥..¥..¥..¥Canary/inner.txt' link uninst.exe 龍.txt | LC_ALL=C sort)
[ "$left" = "$wanted" ] || e2e_fail "the installation holds: $left; wanted: $wanted"

#!/usr/bin/env bash
# A folder swapped for a link while a message box holds the walk. The
# installation folder holds m\ (with a file named uninst.exe, so m cannot be
# removed and its message box opens) and a plain folder z\. While that box
# waits, this script renames z and puts a Unix symbolic link to C:\outside
# in its place; only then does the driver answer the box. The walk listed z
# as a plain folder, but it opens every entry relative to its folder and
# checks that it is still the entry listed: the newcomer is reported
# (ERROR_FILE_NOT_FOUND) and left, nothing in C:\outside is touched, and the
# renamed folder, which the listing never held, stays too.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninst_lib.sh"
e2e_begin uninst_swap

[ -f "${E2E_UNINST:-}" ] || e2e_fail "E2E_UNINST does not name the built uninst.exe"
install=$(uninst_unix "$UNINST_INSTALL_WIN")
uninst_plant_installation "$install"
mkdir -p "$install/m" "$install/z/inner"
cp "$E2E_UNINST" "$install/m/uninst.exe"
echo planted >"$install/z/inner/file.txt"
outside=$(uninst_unix 'C:\outside')
mkdir -p "$outside/deeper"
echo alive >"$outside/canary.txt"
echo alive >"$outside/deeper/canary.txt"

go=$E2E_WORK/swapped
go_win=$(e2e_winpath "$go")
e2e_start "$UNINST_INSTALL_WIN\\uninst.exe" "$UNINST_INSTALL_WIN"
# The box for m; the script here acts while it waits (mark, then the sign
# file); then the box for the newcomer in z's place.
uninst_confirm_script flow "$UNINST_INSTALL_WIN" \
  'wait-window uninst' 'mark box-open' "wait-file \"${go_win//\\/\\\\}\" timeout=120000" \
  'expect-msgbox "ディレクトリは空ではありません。\n" ok caption=uninst' \
  'wait-window uninst' 'expect-msgbox "ファイルが見つかりません。\n" ok caption=uninst'

e2e_drive flow &
driver=$!
deadline=$((SECONDS + 120))
until grep -q 'mark box-open' "$E2E_DIR/flow.log" 2>/dev/null; do
  kill -0 "$driver" 2>/dev/null || e2e_fail "the driver ended before the box for m opened"
  ((SECONDS < deadline)) || e2e_fail "the box for m did not open within 120 s"
  sleep 0.1
done
mv "$install/z" "$install/z-old"
ln -s "$outside" "$install/z"
touch "$go"
e2e_log "z swapped for a link to C:\\outside while the box waits"
wait "$driver" || e2e_fail "the driver script failed"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "uninst.exe ended with exit code $E2E_EXIT, wanted 0"

for f in "$outside/canary.txt" "$outside/deeper/canary.txt"; do
  [ "$(cat "$f" 2>/dev/null)" = alive ] || e2e_fail "canary $f is gone"
done
[ -L "$install/z" ] || e2e_fail "the link in z's place is gone or replaced"
left=$(uninst_tree "$install")
wanted=$(printf '%s\n' m m/uninst.exe uninst.exe z z-old z-old/inner z-old/inner/file.txt | LC_ALL=C sort)
[ "$left" = "$wanted" ] || e2e_fail "the installation holds: $left; wanted: $wanted"
e2e_log "nothing reached through the swapped name; the canaries are intact"

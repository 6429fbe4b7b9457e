# Helpers for the uninstaller's scenarios and the demo: sourced after lib.sh,
# not run.
#
#   uninst_plant_installation DIR      the content and uninst.exe only
#   uninst_confirm_script NAME FOLDER [LINE...]
#                                      a driver script that confirms, runs the
#                                      given lines (message boxes) and closes
#                                      the completion dialog
#   uninst_keep_server                 one Wine server session from here on
#   uninst_pending_renames             the restart deletions, one per line
#   uninst_programs                    the Programs folder (Windows path)
#   uninst_key_in VIEW                 the uninstall entry is in that registry view
#   uninst_tree DIR                    every path below DIR, sorted

UNINST_CAPTION="ドラマＣＤ１ アンインストーラー"
UNINST_CONFIRM="情報"
UNINST_DONE="終了"
UNINST_INSTALL_WIN='C:\Program Files\Harborlit\Drama1'
UNINST_DONE_TEXT=" アンインストールは終了しました。終了するには[終了]をしてください。"

# The Unix path of a folder below drive C: of the prefix.
uninst_unix() {
  local p=${1#C:\\}
  printf '%s/drive_c/%s' "$WINEPREFIX" "${p//\\//}"
}

# The confirmation as the dialog shows it for a folder (CR LF as \r\n for
# the driver).
uninst_confirm_text() {
  printf ' ドラマＣＤ plus ぺるしゅか Vol.1をハードディスクから削除します。\\r\\n%s\\r\\n以下の内容をすべて削除します。\\r\\nよろしければ、次へを押してください。' \
    "${1//\\/\\\\}"
}

# uninst_plant_installation DIR: the sample CD's content and uninst.exe, as
# an installation leaves them (files writable, as the installer resets them).
uninst_plant_installation() {
  local dir=$1
  mkdir -p "$dir"
  cp -r "$E2E_REPO/sample-cd/HTML/." "$dir/"
  cp "$E2E_UNINST" "$dir/uninst.exe"
  chmod -R u+w "$dir"
}

# uninst_confirm_script NAME FOLDER [LINE...]: writes $E2E_DIR/NAME.txt. The
# lines go between the confirmation and the completion (expect-msgbox ...).
# Screenshots of both dialogs: NAME-confirm.png and NAME-done.png.
uninst_confirm_script() {
  local name=$1 folder=$2 line
  shift 2
  {
    printf '%s\n' "# The confirmation opens as soon as the backdrop has painted."
    printf 'wait-window "%s" timeout=60000\n' "$UNINST_CAPTION"
    printf 'wait-window "%s"\n' "$UNINST_CONFIRM"
    printf 'expect-text "%s" 1001 "%s"\n' "$UNINST_CONFIRM" "$(uninst_confirm_text "$folder")"
    printf 'screenshot "%s" "%s" area=window\n' "$UNINST_CONFIRM" "$E2E_DIR/$name-confirm.png"
    printf 'measure-texts "%s" %s\n' "$UNINST_CONFIRM" "$E2E_DIALOG_FONT"
    printf 'click "%s" 1000\n' "$UNINST_CONFIRM"
    for line in "$@"; do printf '%s\n' "$line"; done
    printf 'wait-window "%s"\n' "$UNINST_DONE"
    printf 'expect-text "%s" 1001 "%s"\n' "$UNINST_DONE" "$UNINST_DONE_TEXT"
    printf 'screenshot "%s" "%s" area=window\n' "$UNINST_DONE" "$E2E_DIR/$name-done.png"
    printf 'measure-texts "%s" %s\n' "$UNINST_DONE" "$E2E_DIALOG_FONT"
    printf 'click "%s" 1\n' "$UNINST_DONE"
    printf 'expect-no-window "%s"\n' "$UNINST_CAPTION"
  } >"$E2E_DIR/$name.txt"
}

# The restart deletions Wine holds (PendingFileRenameOperations), one path
# per line in their order; a deletion's empty target is left out.
uninst_pending_renames() {
  local out=$E2E_WORK/pending-query.txt
  e2e_bounded 60 "$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations >"$out" 2>&1 || echo "(reg query ended with status $?)" >>"$out"
  tr -d '\r' <"$out" | sed -n 's/^ *PendingFileRenameOperations *REG_MULTI_SZ *//p' |
    sed 's/\\0/\n/g' | sed '/^$/d'
}

# uninst_tree DIR: every file and folder below DIR relative to it, sorted.
uninst_tree() {
  (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
}

# uninst_key_in VIEW: the product's uninstall entry is in the registry's
# 32- or 64-bit view.
uninst_key_in() {
  e2e_bounded 60 "$WINE" reg query \
    'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VEVUVODIVERU1' "/reg:$1" >/dev/null 2>&1
}

# uninst_programs: the Start menu's Programs folder (a Windows path).
uninst_programs() {
  local programs
  programs=$(e2e_bounded 60 "$WINE" "$E2E_PLANT" programs | tr -d '\r') || e2e_fail "cannot find the Programs folder"
  [ -n "$programs" ] || e2e_fail "the Programs folder is unknown"
  printf '%s' "$programs"
}

# uninst_keep_server: starts the prefix's Wine server as a persistent one, so
# that no later Wine process starts a new session (a new session carries out
# the pending restart deletions, as a boot does). The cleanup stops it.
uninst_keep_server() {
  e2e_bounded 30 "$WINESERVER" -p || e2e_fail "the Wine server could not be started"
}


# Helpers for the uninstaller's scenarios: sourced after lib.sh, not run.
#
#   uninst_plant_installation DIR      what the installer leaves in DIR (files
#                                      of the sample CD and uninst.exe)
#   uninst_confirm_script NAME FOLDER [MSGBOX-LINE...]
#                                      a driver script that confirms, answers
#                                      the given expect-msgbox lines in order,
#                                      and closes the completion dialog
#   uninst_pending_renames             the restart deletions, one per line
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
    printf 'allow "%s"\n' "$UNINST_CONFIRM"
    printf 'wait-window "%s" timeout=60000\n' "$UNINST_CAPTION"
    printf 'wait-window "%s"\n' "$UNINST_CONFIRM"
    printf 'expect-text "%s" 1001 "%s"\n' "$UNINST_CONFIRM" "$(uninst_confirm_text "$folder")"
    printf 'screenshot "%s" "%s" area=window\n' "$UNINST_CONFIRM" "$E2E_DIR/$name-confirm.png"
    printf 'click "%s" 1000\n' "$UNINST_CONFIRM"
    for line in "$@"; do printf '%s\n' "$line"; done
    printf 'wait-window "%s"\n' "$UNINST_DONE"
    printf 'expect-text "%s" 1001 "%s"\n' "$UNINST_DONE" "$UNINST_DONE_TEXT"
    printf 'screenshot "%s" "%s" area=window\n' "$UNINST_DONE" "$E2E_DIR/$name-done.png"
    printf 'click "%s" 1\n' "$UNINST_DONE"
    printf 'expect-no-window "%s"\n' "$UNINST_CAPTION"
  } >"$E2E_DIR/$name.txt"
}

# The restart deletions Wine holds (PendingFileRenameOperations), one path
# per line in their order; a deletion's empty target is left out.
uninst_pending_renames() {
  e2e_bounded 60 "$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *PendingFileRenameOperations *REG_MULTI_SZ *//p' |
    sed 's/\\0/\n/g' | sed '/^$/d'
}

# uninst_tree DIR: every file and folder below DIR relative to it, sorted.
uninst_tree() {
  (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
}

# uninst_key_exists: the product's uninstall entry is in the registry.
uninst_key_exists() {
  e2e_bounded 60 "$WINE" reg query \
    'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VEVUVODIVERU1' >/dev/null 2>&1
}

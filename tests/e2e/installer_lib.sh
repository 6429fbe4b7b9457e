# What the installer scenarios and the demo share: the installer's captions
# and texts, the driver script of a default installation, and the checks of
# what an installation leaves behind (files, attributes, registry, Start
# menu). Sourced after lib.sh, before e2e_begin.

INST_BACKDROP="ドラマＣＤ１ インストーラー"
INST_SETUP="情報"
INST_COPY="ファイルのコピー"
INST_FINISH="インストール完了"
# Message boxes carry the program's file name as caption.
INST_MSG_CAPTION=installer

# Message texts as driver script words (\n is a line break).
INST_MSG_CONFIRM='インストールを開始します。\nよろしいですか？'
INST_MSG_QUIT='インストールは終わっていません。\n終了しますか？'
INST_MSG_CREATE='インストール先のフォルダは存在しません。\nフォルダを作成してもよろしいですか？'
INST_MSG_OVERWRITE='インストール先のフォルダは存在します。\n上書きしてもよろしいですか？'
INST_MSG_IS_FILE='インストール先のフォルダと\n同名のファイルがあります。\nフォルダの指定をやり直してください。'
INST_MSG_UNTRUSTED='管理者以外のユーザーが変更できるフォルダにはインストールできません。'
INST_MSG_COPY_FAILED='ファイルのコピーに失敗しました。'
INST_MSG_INCOMPLETE='インストールは完了していません。'
INST_MSG_NO_DEST='インストール先のフォルダを指定してください。'

INST_FINISH_TEXT='「タヴリン　オリジナルドラマＣＤ　plus ぺるしゅか Vol.1」デジタルコンテンツをインストール完了しました。スタートメニューの[スタート]-[プログラム]-[Harborlit]-[zuvIV１iru]から起動できます。\r\n\r\nＣＤには今回インストールしたものの他に、タヴリンＦＭ4.19やタヴリンの修正プログラムが入っています。ＣＤをドライブに挿入すると起動します。起動しない場合はＣＤ内のstart.exeを実行してください。\r\n\r\nＣＤに収録されているタヴリンＦＭ4.19の動作にはWindwosMediaPlayer6.4とWindowsMediaTool4.1のインストールが必要です。詳しくは、ＣＤ内のreadme.txtをお読みください。'

INST_DEFAULT_DEST='C:\Program Files\Harborlit\Drama1'
INST_UNINSTALL_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VEVUVODIVERU1'
INST_DISPLAY_NAME='タヴリン　ドラマＣＤ１　デジタルコンテンツ'
INST_MENU_FOLDER=Harborlit
INST_CONTENT_LINK='zuvIV１iru.lnk'
INST_UNINST_LINK='UnInstall.lnk'

E2E_TESTS_DIR=${E2E_TESTS_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}

# Python's word(text): text (UTF-8) as one quoted driver script word, with
# backslashes, quotes and line breaks escaped.
INST_ESCAPE_PY='
def word(t):
    for a, b in (("\\", "\\\\"), ("\"", "\\\""), ("\r", "\\r"), ("\n", "\\n"), ("\t", "\\t")):
        t = t.replace(a, b)
    return "\"" + t + "\""
'

# inst_readme_word: the text the setup dialog shows of the CD's readme (each
# line followed by CR LF), as a driver script word; the staged CD's readme
# once there is one, else the sample CD's.
inst_readme_word() {
  python3 -c "$INST_ESCAPE_PY"'
import sys
lines = open(sys.argv[1], "rb").read().decode("cp932").splitlines()
print(word("".join(l + "\r\n" for l in lines)))' "${E2E_CD:-$E2E_REPO/sample-cd}/readme.txt"
}

# inst_unix_path WINDOWS-PATH: the prefix's Unix path of a C: path.
inst_unix_path() {
  local p=${1#[Cc]:}
  printf '%s/drive_c%s' "$WINEPREFIX" "${p//\\//}"
}

# inst_inspect ARG...: runs e2e_inspect.exe in the prefix; its output on stdout.
inst_inspect() {
  [ -n "${E2E_INSPECT:-}" ] && [ -f "$E2E_INSPECT" ] || e2e_fail "E2E_INSPECT does not name the built e2e_inspect.exe"
  e2e_bounded 60 "$WINE" "$E2E_INSPECT" "$@"
}

# inst_script_open: the lines every installer script begins with: the copy
# dialog allowed to come and go between two looks at the desktop, the
# backdrop and then the setup dialog awaited.
inst_script_open() {
  cat <<SCRIPT
allow "$INST_COPY"
wait-window "$INST_BACKDROP"
wait-window "$INST_SETUP"
SCRIPT
}

# inst_script_close: the lines an installation that completes ends with:
# the completion dialog closed with its button and the backdrop gone.
inst_script_close() {
  cat <<SCRIPT
click "$INST_FINISH" 1
expect-no-window "$INST_BACKDROP" timeout=30000
SCRIPT
}

# inst_script_default_install SHOTS: prints the driver script lines of an
# installation that takes every default: the drive found by its label, the
# default destination (which must not exist yet), Yes to both questions. The
# setup dialog must show the readme, Q and the default destination; the
# completion dialog its text. With SHOTS (a folder), a picture of every
# dialog and message box is saved there, numbered in order.
# With INST_TIME_COPY=NAME the script times the copy, from the answer to the
# last question to the completion dialog (driver log line elapsed NAME MS);
# INST_FINISH_TIMEOUT is how long it waits for that dialog (60000 ms).
# With INST_COPY_SHOT=1 the copy dialog is photographed too: the driver lets
# the installer run in 20 ms slices between its looks and holds it still
# from the look that finds the dialog until the picture is taken, so the CD
# must hold a file that keeps the copy going for more than a slice (the
# demo's long sound track).
inst_script_default_install() {
  local shots=${1:-}
  shot() { if [ -n "$shots" ]; then printf 'screenshot %s "%s/%s" area=window\n' "$1" "$shots" "$2"; fi; }
  inst_script_open
  cat <<SCRIPT
expect-text "$INST_SETUP" 1002 "Q"
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
expect-text "$INST_SETUP" 1001 $(inst_readme_word)
measure-texts "$INST_SETUP" $E2E_DIALOG_FONT
$(shot "\"$INST_SETUP\"" 01-setup.png)
$([ -n "$shots" ] && printf 'screenshot "%s" "%s/00-screen.png" area=screen\n' "$INST_SETUP" "$shots")
click "$INST_SETUP" 1
wait-window $INST_MSG_CAPTION
$(shot $INST_MSG_CAPTION 02-confirm.png)
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
wait-window $INST_MSG_CAPTION
$(shot $INST_MSG_CAPTION 03-create-folder.png)
expect-msgbox "$INST_MSG_CREATE" yes caption=$INST_MSG_CAPTION
$([ -n "${INST_TIME_COPY:-}" ] && printf 'mark %s\n' "$INST_TIME_COPY")
$([ -n "$shots" ] && [ "${INST_COPY_SHOT:-0}" = 1 ] && printf 'wait-window "%s" still=yes\n%s still=yes\n' "$INST_COPY" "$(shot "\"$INST_COPY\"" 04-copy.png)")
wait-window "$INST_FINISH" timeout=${INST_FINISH_TIMEOUT:-60000}
$([ -n "${INST_TIME_COPY:-}" ] && printf 'elapsed %s\n' "$INST_TIME_COPY")
expect-text "$INST_FINISH" 1002 "$INST_FINISH_TEXT"
measure-texts "$INST_FINISH" $E2E_DIALOG_FONT
$(shot "\"$INST_FINISH\"" 05-finish.png)
SCRIPT
  inst_script_close
}

# inst_expected_files: the sample CD's installation, one line each:
# destination path below the installation folder, TAB, its source below the
# CD's root (what install.dat says, worked out by hand).
inst_expected_files() {
  cat <<'EOF'
index.html	HTML/index.html
01.html	HTML/01.html
05.html	HTML/05.html
表紙.html	HTML/表紙.html
style.css	HTML/style.css
viewer.exe	program/viewer.exe
patch.exe	program/update/patch.exe
images/top.jpg	HTML/images/top.jpg
images/logo.png	HTML/images/title.png
images/ソラ.png	HTML/images/ソラ.png
images/icons/icon.png	HTML/images/icons/icon.png
media/opening.wav	HTML/media/opening.wav
ソング/歌詞.html	HTML/ソング/歌詞.html
uninst.exe	uninst.dat
EOF
}

# inst_check_files DEST-WINDOWS-PATH CD-FOLDER: the installation folder holds
# exactly the expected files and folders, each file with its source's bytes
# except the two pages whose links are rewritten (check_install.py), and no
# installed file keeps the CD's read-only attribute.
# A third argument names another list (see inst_expected_files; a line
# ending in / is a folder that holds no file).
inst_check_files() {
  local dest_win=$1 cd=$2 list=${3:-} dest paths=() line attrs
  dest=$(inst_unix_path "$dest_win")
  [ -d "$dest" ] || e2e_fail "no installation folder $dest_win"
  if [ -z "$list" ]; then
    list=$E2E_DIR/expected-files.txt
    inst_expected_files >"$list"
  fi
  python3 "$E2E_TESTS_DIR/check_install.py" "$dest" "$cd" "$list" >&2 ||
    e2e_fail "the installed files are not as expected"
  while IFS=$'\t' read -r line _; do
    case $line in */) continue ;; esac
    paths+=("$dest_win\\${line//\//\\}")
  done <"$list"
  attrs=$(inst_inspect attributes "${paths[@]}") || e2e_fail "cannot read the attributes: $attrs"
  printf '%s\n' "$attrs" >"$E2E_DIR/attributes.txt"
  [ "$(wc -l <<<"$attrs")" -eq "${#paths[@]}" ] || e2e_fail "attributes of ${#paths[@]} files wanted, got: $attrs"
  # FILE_ATTRIBUTE_READONLY is bit 0.
  local hex path
  while IFS=$'\t' read -r hex path; do
    (((hex & 1) == 0)) || e2e_fail "still read-only ($hex): $path"
  done <<<"$attrs"
  e2e_log "attributes: none of the ${#paths[@]} installed files is read-only"
}

# inst_check_registry DEST-WINDOWS-PATH: the uninstall key holds both values
# as REG_MULTI_SZ multi-strings of one string each, with the byte counts the
# system keeps for them (UTF-16: the characters and two terminating zeros).
inst_check_registry() {
  local dest_win=$1 got want uninstaller
  uninstaller="$dest_win\\uninst.exe"
  got=$(inst_inspect reg "$E2E_REG_VIEW" "$INST_UNINSTALL_KEY" UninstallString) || e2e_fail "no UninstallString: $got"
  want=$(printf 'type\t7\nbytes\t%d\nterminated\tyes\nstring\t%s' "$(((${#uninstaller} + 2) * 2))" "$uninstaller")
  [ "$got" = "$want" ] || e2e_fail "UninstallString is"$'\n'"$got"$'\n'"wanted"$'\n'"$want"
  got=$(inst_inspect reg "$E2E_REG_VIEW" "$INST_UNINSTALL_KEY" DisplayName) || e2e_fail "no DisplayName: $got"
  want=$(printf 'type\t7\nbytes\t46\nterminated\tyes\nstring\t%s' "$INST_DISPLAY_NAME")
  [ "$got" = "$want" ] || e2e_fail "DisplayName is"$'\n'"$got"$'\n'"wanted"$'\n'"$want"
  got=$(inst_inspect reg-key "$E2E_OTHER_VIEW" "$INST_UNINSTALL_KEY")
  [ "$got" = $'key\tabsent' ] || e2e_fail "the uninstall key is in the $E2E_OTHER_VIEW-bit view too: $got"
  e2e_log "registry: UninstallString and DisplayName as expected, in the $E2E_REG_VIEW-bit view only"
}

# inst_expect_no_registry: the uninstall key exists in neither view.
inst_expect_no_registry() {
  local got view
  for view in 32 64; do
    got=$(inst_inspect reg-key "$view" "$INST_UNINSTALL_KEY")
    [ "$got" = $'key\tabsent' ] || e2e_fail "the uninstall key exists in the $view-bit view: $got"
  done
}

# inst_expect_no_menu: the Start-menu folder Harborlit does not exist.
inst_expect_no_menu() {
  local programs
  programs=$(inst_inspect folder programs) || e2e_fail "cannot find the Programs folder"
  [ ! -e "$(inst_unix_path "${programs#path$'\t'}\\$INST_MENU_FOLDER")" ] || e2e_fail "a Start-menu folder $INST_MENU_FOLDER exists"
}

# inst_check_shortcuts DEST-WINDOWS-PATH: the Start-menu folder holds the two
# shortcuts and nothing else, each with every field as the installer sets it.
inst_check_shortcuts() {
  local dest_win=$1 folder programs got want
  programs=$(inst_inspect folder programs) || e2e_fail "cannot find the Programs folder"
  programs=${programs#path$'\t'}
  folder=$(inst_unix_path "$programs\\$INST_MENU_FOLDER")
  [ -d "$folder" ] || e2e_fail "no Start-menu folder $programs\\$INST_MENU_FOLDER"
  got=$(cd "$folder" && ls -A | sort)
  want=$(printf '%s\n' "$INST_UNINST_LINK" "$INST_CONTENT_LINK" | sort)
  [ "$got" = "$want" ] || e2e_fail "the Start-menu folder holds"$'\n'"$got"$'\n'"wanted"$'\n'"$want"

  got=$(inst_inspect link "$programs\\$INST_MENU_FOLDER\\$INST_CONTENT_LINK") || e2e_fail "cannot read $INST_CONTENT_LINK: $got"
  printf '%s\n' "$got" >"$E2E_DIR/link-content.txt"
  want=$(printf 'path\t%s\ntarget\t%s\narguments\t\ndescription\t\nworkdir\t%s\nicon\t\nicon-index\t1' \
    "$dest_win\\index.html" "$dest_win\\index.html" "$dest_win")
  [ "$got" = "$want" ] || e2e_fail "$INST_CONTENT_LINK holds"$'\n'"$got"$'\n'"wanted"$'\n'"$want"

  got=$(inst_inspect link "$programs\\$INST_MENU_FOLDER\\$INST_UNINST_LINK") || e2e_fail "cannot read $INST_UNINST_LINK: $got"
  printf '%s\n' "$got" >"$E2E_DIR/link-uninst.txt"
  want=$(printf 'path\t%s\ntarget\t%s\narguments\t\ndescription\t\nworkdir\t%s\nicon\t%s\nicon-index\t1' \
    "$dest_win\\uninst.exe" "$dest_win\\uninst.exe" "$dest_win" "$dest_win\\uninst.exe")
  [ "$got" = "$want" ] || e2e_fail "$INST_UNINST_LINK holds"$'\n'"$got"$'\n'"wanted"$'\n'"$want"
  e2e_log "Start menu: $INST_MENU_FOLDER with both shortcuts as expected"
}

# inst_check_installation DEST-WINDOWS-PATH: everything a complete
# installation from the staged CD leaves behind.
inst_check_installation() {
  inst_check_files "$1" "$E2E_CD"
  inst_check_registry "$1"
  inst_check_shortcuts "$1"
}

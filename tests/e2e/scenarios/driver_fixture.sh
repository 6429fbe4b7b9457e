#!/usr/bin/env bash
# The bench itself, on the fixture program: the CD mapping and current
# folder, the exit code coming back, every driver command, and the driver
# failing clearly on unexpected windows, wrong texts and timeouts.
source "$(dirname "$0")/../lib.sh"
e2e_begin driver_fixture

[ -f "${E2E_FIXTURE:-}" ] || e2e_fail "E2E_FIXTURE does not name the built e2e_fixture.exe"
e2e_stage_cd "$E2E_FIXTURE"

backdrop="e2e フィクスチャ"
question="続けますか？\nはい／いいえ"

# run SCRIPT WANTED-STATUS: runs a driver script and requires its exit code.
run() {
  local status=0
  e2e_drive "$1" || status=$?
  [ "$status" -eq "$2" ] || e2e_fail "driver script $1 ended with $status, wanted $2"
}
# log_has SCRIPT TEXT: the driver's log of SCRIPT contains TEXT.
log_has() {
  grep -qF -- "$2" "$E2E_DIR/$1.log" || e2e_fail "the log of $1 lacks: $2"
}
# finish WANTED-EXIT: the fixture has ended with this exit code.
finish() {
  e2e_wait_program 30
  [ "$E2E_EXIT" -eq "$1" ] || e2e_fail "e2e_fixture.exe ended with $E2E_EXIT, wanted $1"
}

# --- A script with errors is refused before anything runs ----------------
e2e_script bad <<'SCRIPT'
wait-window "unterminated
click x 99999
sleep 1
elapsed never
SCRIPT
run bad 2
log_has bad "bad.txt:1: unterminated quote"
log_has bad "bad.txt:2: bad control id '99999'"
log_has bad "bad.txt:4: no mark 'never' on an earlier line"
# An error in an included file is named by that file and its own line.
printf 'sleep 1\nclick x 99999\n' | e2e_script inner
printf 'sleep 1\ninclude inner.txt\n' | e2e_script outer
run outer 2
log_has outer "inner.txt:2: bad control id '99999'"

# --- The window alone: maximised on the virtual desktop, gradient, title --
e2e_start 'Q:\e2e_fixture.exe' 'Q:\'
e2e_script backdrop <<SCRIPT
timeout 30000
wait-window "$backdrop"
expect-maximized "$backdrop"
screenshot "$backdrop" "$E2E_DIR/backdrop.png"
screenshot "$backdrop" "$E2E_DIR/backdrop-window.png" area=window
wait-window 存在しない timeout=300
SCRIPT
run backdrop 1
log_has backdrop "FAIL at backdrop.txt:6: timed out after 300 ms: no visible window \"存在しない\""
# mark and elapsed time the steps between them.
e2e_script close <<SCRIPT
mark closing
sleep 250
close "$backdrop"
expect-no-window "$backdrop"
elapsed closing
SCRIPT
run close 0
ms=$(sed -n 's/^elapsed\tclosing\t\([0-9]*\)$/\1/p' "$E2E_DIR/close.log")
# (Wine's Sleep may end a few milliseconds short of the clock: 240.)
[ -n "$ms" ] && ((ms >= 240)) || e2e_fail "elapsed closing logged '$ms', wanted at least the 250 ms slept"

# run: a program's exit code 0 passes, any other fails the script; its
# output goes to NUL, not into the log.
e2e_script run <<'SCRIPT'
run "cmd /c echo not-in-the-log"
run "cmd /c exit 3"
SCRIPT
run run 1
log_has run "FAIL at run.txt:2: ended with exit code 3"
! grep -q "^not-in-the-log" "$E2E_DIR/run.log" || e2e_fail "the output of run reached the log"
finish 0
read -r w h < <(e2e_size "$E2E_DIR/backdrop-window.png")
[ "$w $h" = "1024 768" ] || e2e_fail "the maximised window is ${w}x$h on screen, wanted the 1024x768 virtual desktop"
e2e_expect_backdrop "$E2E_DIR/backdrop.png" blue

# --- The dialog: where the program runs, texts, notifications, questions --
e2e_start 'Q:\e2e_fixture.exe' 'Q:\' dialog
e2e_script dialog <<SCRIPT
wait-window "$backdrop"
wait-window 入力
expect-text 入力 1002 "Q:\|5|TAVRIN_DRAMACD1|R"
set-text 入力 1001 "日本語 テキスト"
expect-text 入力 1002 "日本語 テキスト"
get-text 入力 1001
click 入力 1003
expect-msgbox "$question" no caption=e2e_fixture
expect-text 入力 1002 いいえ
click 入力 1003
expect-msgbox "$question" yes
expect-text 入力 1002 はい
SCRIPT
run dialog 0
log_has dialog '"日本語 テキスト"'

# Failures name what they saw. A new driver run joins the running program
# with attach, which takes the windows open now as seen.
e2e_script wrong_text <<SCRIPT
attach "$backdrop"
expect-text 入力 1002 違う timeout=300
SCRIPT
run wrong_text 1
log_has wrong_text 'control 1002 holds "はい", expected "違う"'
e2e_script no_control <<SCRIPT
attach "$backdrop"
click 入力 4242
SCRIPT
run no_control 1
log_has no_control "has no control 4242"
e2e_script wrong_box <<SCRIPT
attach "$backdrop"
click 入力 1003
expect-msgbox 違う yes timeout=5000
SCRIPT
run wrong_box 1
log_has wrong_box "unexpected window: class #32770, caption \"e2e_fixture\""
log_has wrong_box "続けますか？"

# The question left open above is answered; Escape cancels the dialog, and
# the program's exit code (the dialog's result, IDCANCEL) comes back.
e2e_script cancel <<SCRIPT
attach "$backdrop"
expect-msgbox "$question" ok timeout=3000
SCRIPT
run cancel 1
log_has cancel "the message box has no OK button"
e2e_script escape <<SCRIPT
attach "$backdrop"
expect-msgbox "$question" yes
key 入力 escape
expect-no-window "$backdrop"
SCRIPT
run escape 0
finish 2

# Return presses the default button: IDOK.
e2e_start 'Q:\e2e_fixture.exe' 'Q:\' dialog
e2e_script return <<SCRIPT
wait-window "$backdrop"
wait-window 入力
key 入力 return
expect-no-window "$backdrop"
SCRIPT
run return 0
finish 1

# A program that ends while the driver waits fails the wait at once, with
# its exit code, instead of running into the timeout.
e2e_start 'Q:\e2e_fixture.exe' 'Q:\' dialog
e2e_script ended <<SCRIPT
wait-window "$backdrop"
wait-window 入力
click 入力 2
wait-window 来ない timeout=60000
SCRIPT
SECONDS=0
run ended 1
log_has ended "has ended with exit code 2"
((SECONDS < 30)) || e2e_fail "the driver took $SECONDS s to notice that the program had ended"
finish 2

# --- A message box nobody expected fails the wait, unless allowed --------
e2e_start 'Q:\e2e_fixture.exe' 'Q:\' surprise
e2e_script surprised <<SCRIPT
wait-window "$backdrop"
wait-window 入力 timeout=10000
SCRIPT
run surprised 1
log_has surprised "unexpected window: class #32770"
log_has surprised "予期しないメッセージ"
# The box is still open. The window the script waits for next never counts
# as unexpected, even while an earlier command is still waiting; allow
# covers a window that no command waits for next.
e2e_script anticipated <<SCRIPT
wait-window "$backdrop"
expect-no-window 入力 timeout=1000
wait-window e2e_fixture
SCRIPT
run anticipated 0
e2e_script allowed <<SCRIPT
allow e2e_fixture
wait-window "$backdrop"
expect-no-window 入力 timeout=1000
wait-window "$backdrop"
expect-msgbox 予期しないメッセージ ok caption=e2e_fixture
close "$backdrop"
expect-no-window "$backdrop"
SCRIPT
run allowed 0
finish 0

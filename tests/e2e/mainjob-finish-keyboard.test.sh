#!/usr/bin/env bash
# The finish page without a mouse, with key presses posted to the focused control as
# the keyboard would send them: the focus starts on Finish, Tab reaches the check box,
# Space ticks and clears it, Enter on the check box ends the page without a restart
# (Finish is not the default button), Esc ends it without a restart, and Enter on the
# focused Finish button presses it (the box clear: a restart).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

start_display
use_prefix win32-win7
mainjob_medium
mainjob_ini </dev/null
# A process that waits for nothing holds the prefix up from run to run: when its last
# process has ended, the prefix's next start runs the RunOnce entries as a restart does.
(exec wine "$TEST_TOOLS_DIR/uidriver.exe" wait 600000 --title "no such window" >/dev/null 2>&1) &
sleep 2
restart_marker

T=(--title "Main Job Test")
page() {  # page N: a run up to its finish page
  new_temp "$1"
  RUN_BACKGROUND=1 run_setup ""
  wait_finish_page; ok $? "run $1: finish page"
}
checked() { uidriver dump "${T[@]}" | sed -n 's/^control id=1016 .* checked=\([01]\).*/\1/p'; }
ended() {  # ended WHAT: the launcher ended without a restart
  wait "$RUN_PID"
  restart_requested 15; ok $((!$?)) "$1: restart requested"
}

page 1
expect_eq "focus starts on Finish" 1001 "$(uidriver focus "${T[@]}")"
uidriver key tab "${T[@]}"
expect_eq "Tab: the check box" 1016 "$(uidriver focus "${T[@]}")"
uidriver key space "${T[@]}"
expect_eq "Space ticks the box" 1 "$(checked)"
uidriver key space "${T[@]}"
expect_eq "Space again clears it" 0 "$(checked)"
uidriver key enter "${T[@]}"
uidriver waitgone 3000 "${T[@]}" >/dev/null; ok $? "Enter on the check box ends the page"
ended "Enter on the check box with the box clear"

page 2
uidriver key esc "${T[@]}"
uidriver waitgone 3000 "${T[@]}" >/dev/null; ok $? "Esc ends the page"
ended "Esc with the box clear"

page 3
uidriver key tab "${T[@]}"
uidriver key tab "${T[@]}"
expect_eq "Tab twice: back on Finish" 1001 "$(uidriver focus "${T[@]}")"
uidriver key enter "${T[@]}"
restart_requested; ok $? "Enter on Finish with the box clear: no restart"
wait "$RUN_PID" 2>/dev/null

finish

#!/usr/bin/env bash
# The finish page without a mouse, with key presses posted to the focused control as
# the keyboard would send them: the focus starts on Finish, Tab reaches the check box,
# Space ticks and clears it, Enter on the check box ends the page without a restart
# (Finish is not the default button), Esc ends it without a restart, and Enter on the
# focused Finish button presses it (the box clear: a restart). The log's last line says
# which: declined, restarting, or refused with the system's text. A user language the
# language map lacks gets the page of a language of the same primary language.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

start_display
use_prefix win32-win7
mainjob_medium
mainjob_ini <<'INI'
[German]
2=Setup abgeschlossen
3=Das Add-on wurde installiert.
4=Nein, ich starte spaeter neu.
5=Klicken Sie auf Fertig stellen.
6=Fertig stellen
INI
sed -i 's/^0x0409=English\r$/&\n0x0407=German\r/' "$MEDIUM/autorun.inf"
# A process that waits for nothing holds the prefix up from run to run: when its last
# process has ended, the prefix's next start runs the RunOnce entries as a restart does.
hold_prefix() {
  (exec wine "$TEST_TOOLS_DIR/uidriver.exe" wait 600000 --title "no such window" >/dev/null 2>&1) &
  sleep 2
  restart_marker
}
hold_prefix

T=(--title "Main Job Test")
page() {  # page N: a run up to its finish page
  new_temp "$1"
  RUN_BACKGROUND=1 run_setup ""
  wait_finish_page; ok $? "run $1: finish page"
}
checked() { uidriver dump "${T[@]}" | sed -n 's/^control id=1016 .* checked=\([01]\).*/\1/p'; }
ended() {  # ended WHAT: the launcher ended without a restart, and its log says so last
  wait "$RUN_PID"
  restart_requested 15; ok $((!$?)) "$1: restart requested"
  expect_eq "$1: last log line" "** Finish: the user declined the restart; the computer must be restarted" \
    "$(log_lines | tail -n 1)"
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
expect_eq "Enter on Finish: last log line" "** Finish: restarting the computer" "$(log_lines | tail -n 1)"

# A restart the system refuses (Wine's wineboot cannot start): the page ends, the log says why.
hold_prefix
cp "$DRIVE_C/windows/system32/wineboot.exe" "$E2E_WORK/wineboot.exe"
echo "not a program" >"$DRIVE_C/windows/system32/wineboot.exe"
RUN_ENV="WINEDLLOVERRIDES=wineboot.exe=n" page 4
uidriver click 1001 "${T[@]}"
wait "$RUN_PID"
restart_requested 15; ok $((!$?)) "refused restart: restart requested"
expect_eq "refused restart: last log line" "## Finish: the restart was refused: Invalid function." \
  "$(log_lines | tail -n 1)"
cp "$E2E_WORK/wineboot.exe" "$DRIVE_C/windows/system32/wineboot.exe"

# Swiss German (0x0807) is not in the map: German (0x0407) is, and its texts show.
LC_ALL=de_CH.UTF-8 LANG=de_CH.UTF-8 page 5
expect_eq "0x0807: the button" "[Fertig stellen]" "$(uidriver dump "${T[@]}" | sed -n 's/^control id=1001 .* text=\(\[[^]]*\]\).*/\1/p')"
expect_eq "0x0807: the box" "[Nein, ich starte spaeter neu.]" \
  "$(uidriver dump "${T[@]}" | sed -n 's/^control id=1016 .* text=\(\[[^]]*\]\).*/\1/p')"
uidriver key esc "${T[@]}"
wait "$RUN_PID"
expect_line "## [LangMap] has no entry for the user's language 0x0807: using 0x0407, the same language"

finish

#!/usr/bin/env bash
# Start-up of the real launcher: the log file (name, numbering, line format, levels),
# the banner, the command-line switches, the single-instance guard and the machine-wide
# lock, and bad input.
# Runs without a display, so the OS-check message box cannot stay open and every run
# ends by itself; only the two-instance case uses a display to keep the first open.
. "$(dirname "$0")/lib.sh"
unset DISPLAY

use_prefix win32-win7
make_medium

# A configuration whose os_list matches nothing: the run ends at the OS check.
write_ini "$MEDIUM/autorun.inf" <<'INI'
[Version]
WindowCaption=Start-up test
[OS_Support]
os_list=999
INI

config_sum=$(md5sum <"$MEDIUM/autorun.inf")
check_rc() { expect_eq "exit code ($1)" 0 "$RUN_RC"; }

# ---- default run: file name, banner, line format -----------------------------
new_temp 1
run_setup ""
check_rc "no arguments"
[ -f "$TEMP_DIR/TarvikLangSetup000.log" ]; ok $? "first log is TarvikLangSetup000.log: $(ls "$TEMP_DIR")"
expect_log_head 0 \
  "+++       Starting : Setup.exe" \
  "+++        Version : 1.0.0.1" \
  "+++    Working Dir : $MEDIUM_WIN" \
  "+++   Command Line : " \
  "$MEDIUM_WIN\\autorun.inf" \
  "Log Level returned FALSE... Using DEFAULT Log Level as HIGH." \
  "This Operating is not Valid. OS: "
log=$(log_path 0)
bad=$(grep -cvE '^\[[0-9]{2}/[0-9]{2}/[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\]' "$log")
expect_eq "lines without a time stamp" 0 "$bad"
expect_eq "lines without CR LF" 0 "$(grep -cv $'\r$' "$log")"
expect_eq "byte-order mark" "" "$(head -c 2 "$log" | od -An -tx1 | tr -d ' ' | grep -E '^(fffe|feff)')"
stamp=$(head -n1 "$log" | cut -c2-11)
expect_eq "time stamp date is local MM/DD/YYYY" "$(date +%m/%d/%Y)" "$stamp"

run_setup ""
check_rc "second run"
[ -f "$TEMP_DIR/TarvikLangSetup001.log" ]; ok $? "second run writes 001: $(ls "$TEMP_DIR")"
mkdir "$TEMP_DIR/TarvikLangSetup002.log"
run_setup ""
[ -f "$TEMP_DIR/TarvikLangSetup003.log" ]; ok $? "a folder named like the next log counts as taken: $(ls "$TEMP_DIR")"

# ---- switches ---------------------------------------------------------------
mkdir -p "$DRIVE_C/my setup"
write_ini "$DRIVE_C/my setup/custom.inf" <<'INI'
[Version]
Log=511
[OS_Support]
os_list=999
INI

# run_case ARGS: a fresh TEMP, one run, exit code checked.
run_case() { new_temp "$((++case_no + 10))"; run_setup "$1"; check_rc "$1"; }
case_no=0

run_case '-F "C:\My Setup\custom.inf"'
expect_line "+++   Command Line : -F \"C:\\My Setup\\custom.inf\""
expect_line 'c:\my setup\custom.inf'
expect_no_line "Log Level is 511"   # read before the level is raised
expect_no_line "--> Enter InitInstance()"
expect_no_line 'Set Inf Filename as c:\my setup\custom.inf'
expect_line "--> Enter ValidateOS( 999, 10032, 0, 0)"

run_case '-f "C:\My Setup\custom.inf" -log 127 -log 511'
expect_line "Service Pack Major Version is 0"
expect_no_line "--> Enter ReadSPVersion()"
expect_no_line "Log Level is 511"

run_case '-log 511 -f'
expect_line "$MEDIUM_WIN\\autorun.inf"
expect_line "--> Enter ReadSPVersion()"

run_case '-f a.inf -f b.inf'
expect_line 'a.inf'

run_case '-f c:\setup-files\a.inf'
expect_line 'c:\setup'

run_case '-f=c:\my setup\custom.inf'
expect_line "$MEDIUM_WIN\\autorun.inf"

args='-f "C:\My Setup\custom.inf"'
for i in $(seq 1 30); do args+=" -x$i $i"; done
run_case "$args"
expect_line "$MEDIUM_WIN\\autorun.inf"   # the 31st switch from the right is not parsed

for level in 2 0 1000 abc; do
  run_case "-f \"C:\\My Setup\\custom.inf\" -log $level"
  expect_no_line "Service Pack Major Version is 0"
  expect_line "This Operating is not Valid. OS: "
done

run_case '-log'
expect_line "Log Level returned FALSE... Using DEFAULT Log Level as HIGH."

# ---- bad configuration files and TEMP folders ----------------------------------
printf '' >"$DRIVE_C/empty.inf"
head -c 200000 /dev/urandom >"$DRIVE_C/binary.inf"
{ echo '[Version]'; printf 'Log=511%0600d\r\n' 0; echo '[OS_Support]'; printf 'os_list=%0700d\r\n' 9;
  for i in $(seq 1 60000); do printf 'k%d=%080d\r\n' "$i" 0; done; } >"$DRIVE_C/huge.inf"
for f in missing.inf empty.inf binary.inf huge.inf; do
  run_case "-f C:\\$f"
  expect_line "c:\\$f"
  expect_line "This Operating is not Valid. OS: "
done
cmp -s "$DRIVE_C/empty.inf" /dev/null; ok $? "the configuration file is never written"
expect_eq "autorun.inf after all runs" "$config_sum" "$(md5sum <"$MEDIUM/autorun.inf")"

new_temp 90
(RUN_ENV="TEMP= TMP=" run_setup ""; exit "$RUN_RC"); RUN_RC=$?
check_rc "TEMP unset"
[ -f "$DRIVE_C/TarvikLangSetup000.log" ]; ok $? "without TEMP the log goes to the root of the current drive"
rm -f "$DRIVE_C"/TarvikLangSetup*.log

(TEMP_WIN='C:\no\such\folder' run_setup ""; exit "$RUN_RC"); RUN_RC=$?
check_rc "TEMP folder missing"

# ---- a lock folder that is not a plain folder: the run does not go on ---------------
LOCK_DIR=$DRIVE_C/windows/TarvikSetupLock
for form in file link; do
  rm -rf "$LOCK_DIR"
  mkdir -p "$DRIVE_C/elsewhere"
  if [ $form = file ]; then : >"$LOCK_DIR"; else ln -s "$DRIVE_C/elsewhere" "$LOCK_DIR"; fi
  run_case ""
  expect_line "## The machine-wide lock C:\\windows\\TarvikSetupLock\\setup.lock is not taken: it is not a plain folder; the setup does not run without it"
  expect_no_line "This Operating is not Valid. OS: "
  [ ! -e "$DRIVE_C/elsewhere/setup.lock" ]; ok $? "lock folder as a $form: the lock was taken through it"
done
rm -rf "$LOCK_DIR" "$DRIVE_C/elsewhere"

new_temp 91
for i in $(seq 0 999); do : >"$TEMP_DIR/TarvikLangSetup$(printf %03d "$i").log"; done
run_setup ""
check_rc "all 1000 names taken"
expect_eq "files after a run with all names taken" 1000 "$(ls "$TEMP_DIR" | wc -l)"
expect_eq "all taken files stay empty" 0 "$(cat "$TEMP_DIR"/* | wc -c)"

# ---- a second instance ------------------------------------------------------------
# Columns: name | a name squatter ("-" none, else event) | the first instance's line
# about the mutex or "-" | the second instance's line. Without a squatter the second
# copy finds the mutex; with an event of the mutex's name the machine-wide lock alone
# keeps the second copy out.
. "$TEST_SOURCE_DIR/tests/e2e/lib-product.sh"
stop_prefix   # the desktop process of the runs without a display cannot show windows
start_display
LOCK_LINE='## Another instance of the setup holds the machine-wide lock C:\windows\TarvikSetupLock\setup.lock'
n=92
while IFS='|' read -r name squatter first second; do
  n=$((n + 1))
  new_temp "$n"
  [ "$squatter" = - ] || hold_file 'event:TARVIK{3f1c9a52-7e04-4b6d-9a21-5c8e0d47b913}'
  RUN_BACKGROUND=1 run_setup ""
  for i in $(seq 1 100); do
    grep -q "This Operating is not Valid" "$(log_path 0)" 2>/dev/null && break
    sleep 0.2
  done
  expect_line "This Operating is not Valid. OS: " 0   # the first instance now shows its message box
  [ "$first" = - ] || expect_line "$first" 0
  run_setup ""
  check_rc "$name: second instance"
  expect_line "$second" 1
  expect_no_line "This Operating is not Valid. OS: " 1
  kill -0 "$RUN_PID" 2>/dev/null; ok $? "$name: the first instance runs on"
  expect_no_line "## Mutex exist: An instance of the same Application is running." 0
  [ "$squatter" = - ] || release_file
  stop_prefix
  wait "$RUN_PID" 2>/dev/null
done <<ROWS
mutex|-|-|## Mutex exist: An instance of the same Application is running.
event squatter|event|## An object with the mutex's name exists that is not a mutex: the machine-wide lock decides|$LOCK_LINE
ROWS

finish

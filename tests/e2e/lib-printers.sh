# Test bed of the printer update step, on top of lib.sh: the imaging product's tray
# application and device service as recording test doubles, printer queues with their
# driver data, and the printui test double in place of the system's rundll32.

PRODUCT_DIR_WIN='C:\Norvale\'
TRAY_WIN='C:\Norvale\Pictora\Bin\pxstatus.exe'

# printers_prefix KIND: a display, a prefix of that kind with the medium, the driver
# INF copy that the launcher's magic keyword finds, and printers_bed.
printers_prefix() {
  start_display
  use_prefix "$1"
  unmanaged_windows
  make_medium
  add_oem_inf oem1.inf '[Strings]
Desc="TarvikPrinterTestKeyword"'
  printers_bed
}

# printers_bed: after use_prefix and make_medium. Installs the product parts:
#   install folder C:\Norvale\ (registry "InstallFolder"), the tray double
#   C:\Norvale\Pictora\Bin\pxstatus.exe, the service "pxlinkd" (C:\pxlinkd\pxlinkd.exe,
#   demand start), the printui double as the system's rundll32.exe (SYSTEM_DIR: the
#   32-bit system folder, syswow64 in a 64-bit prefix; Wine runs it instead of its
#   own with rundll32.exe=n in WINEDLLOVERRIDES) and MEDIUM\x.inf.
# The doubles record into pxstatus.txt, pxlinkd.txt and rundll32.txt beside themselves.
printers_bed() {
  TRAY_DIR="$DRIVE_C/Norvale/Pictora/Bin"
  SERVICE_DIR="$DRIVE_C/pxlinkd"
  mkdir -p "$TRAY_DIR" "$SERVICE_DIR"
  cp "$TEST_TOOLS_DIR/pxstatus.exe" "$TRAY_DIR/"
  cp "$TEST_TOOLS_DIR/pxlinkd.exe" "$SERVICE_DIR/"
  SYSTEM_DIR="$DRIVE_C/windows/system32"
  [ -d "$DRIVE_C/windows/syswow64" ] && SYSTEM_DIR="$DRIVE_C/windows/syswow64"
  cp "$TEST_TOOLS_DIR/rundll32.exe" "$SYSTEM_DIR/"
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rundll32.exe=n"
  printf '; driver package\r\n' >"$MEDIUM/x.inf"
  INF_WIN="$MEDIUM_WIN\\x.inf"
  set_install_folder "$PRODUCT_DIR_WIN"
  install_service
}

set_install_folder() { wine reg add 'HKLM\SOFTWARE\Norvale\Pictora' /v InstallFolder /d "$1" /f >/dev/null 2>&1; }
drop_install_folder() { wine reg delete 'HKLM\SOFTWARE\Norvale\Pictora' /f >/dev/null 2>&1; }

install_service() { wine sc create pxlinkd binPath= 'C:\pxlinkd\pxlinkd.exe' >/dev/null 2>&1; }
remove_service() { wine sc delete pxlinkd >/dev/null 2>&1; }
start_service() { wine sc start pxlinkd >/dev/null 2>&1; }
stop_service() { wine sc stop pxlinkd >/dev/null 2>&1; }
# stop_delay MS: the service double started from now on takes MS milliseconds to stop
# (a pending stop first); 0: it stops at once.
stop_delay() { echo "$1" >"$SERVICE_DIR/pxlinkd.delay"; }
# wait_service_state STATE: up to about ten seconds.
wait_service_state() {
  local i
  for i in $(seq 1 20); do [ "$(service_state)" = "$1" ] && return 0; sleep 0.5; done
  return 1
}
# service_state: RUNNING, STOPPED, ... or MISSING
service_state() {
  local out
  out=$(wine sc query pxlinkd 2>/dev/null | tr -d '\r') || true
  echo "$out" | awk '/STATE/ { print $4; found = 1 } END { if (!found) print "MISSING" }'
}

# printerbed COMMANDS...: see tests/tools/printerbed.cpp (driver, printer, id, value,
# delete, dump, spawn, count, kill).
printerbed() { wine "$TEST_TOOLS_DIR/printerbed.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Started programs keep the standard handles they inherit: no pipe, or it never closes.
start_tray() { wine "$TEST_TOOLS_DIR/printerbed.exe" spawn "$TRAY_WIN" >/dev/null 2>&1; }
stop_tray() { printerbed kill pxstatus.exe; }
tray_count() { printerbed count pxstatus.exe; }

# The doubles' records, one line each; emptied by clear_records.
tray_record() { cat "$TRAY_DIR/pxstatus.txt" 2>/dev/null; }
service_record() { { tr '\n' ' ' <"$SERVICE_DIR/pxlinkd.txt"; } 2>/dev/null | sed 's/ $//'; }
printui_record() { { tr -d '\r' <"$SYSTEM_DIR/rundll32.txt"; } 2>/dev/null; }
clear_records() { rm -f "$TRAY_DIR/pxstatus.txt" "$SERVICE_DIR/pxlinkd.txt" "$SYSTEM_DIR/rundll32.txt" "$SYSTEM_DIR/rundll32-program.txt"; }

# expect_failures COUNT [N]: so many "## " lines in log N besides the reader's own
# "## ReadStrValue() Failed" (a missing numbered key ends every list).
expect_failures() {
  local got
  got=$(log_lines "${2:-0}" | grep '^## ' | grep -vc '^## ReadStrValue() Failed$')
  expect_eq "failure lines" "$1" "$got"
}

# expect_match REGEX [N]: some line of log N matches the extended regular expression.
expect_match() {
  log_lines "${2:-0}" | grep -Eq -- "$1"; ok $? "log ${2:-0} has no line matching [$1]"
}
# expect_count COUNT REGEX [N]: so many lines of log N match.
expect_count() {
  local got
  got=$(log_lines "${3:-0}" | grep -Ec -- "$2")
  expect_eq "lines matching [$2]" "$1" "$got"
}

# update_run: a whole launcher run on the medium (its Run entry reaches the update
# step); every dialog is closed with Esc, so the finish page restarts nothing.
update_run() {
  run_setup_closing ""
  expect_eq "exit code" 0 "$RUN_RC"
  expect_eq "dialogs: the finish page only" 1 "$DIALOG_COUNT"
}

# printer_ini "RUN ENTRY" [UPDATEDRIVERS-LINES]: the medium's autorun.inf, a whole
# launcher configuration whose Run section holds this one entry.
printer_ini() {
  {
    passing_ini_head "Printer update test" TarvikPrinterTestKeyword
    cat <<INI
[English]
2=Done
[Run]
1=$1
[Run.x64]
1=$1
[UpdateDrivers]
${2:-}
INI
  } | write_ini "$MEDIUM/autorun.inf"
}

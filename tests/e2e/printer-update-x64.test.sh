#!/usr/bin/env bash
# The printer update on 64-bit Windows XP (major version 5): the 32-bit launcher takes
# its entry from Run.x64 and re-creates the queue through the 64-bit spooler, reading
# and writing the driver data in the 64-bit registry view; printui is the native system
# folder's (the redirection is off for its start), so the 64-bit printui installs the
# driver. Under Wine the double is a 32-bit program in both folders: which file was
# started is checked here, its bitness only on Windows.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

printers_prefix win64-winxp64
printerbed driver "Model X 100" \
  printer "Office A" "LPT1:" "Model X 100" printer "Desk USB" "USB001" "Model X 100" \
  id "Office A" "ID-A64" >/dev/null
cp "$TEST_TOOLS_DIR/rundll32.exe" "$DRIVE_C/windows/system32/"  # the native folder's, beside the 32-bit one

new_temp 1
printer_ini 'pxnetadj.exe %sourcepath%x.inf' '1=Model X 100'
clear_records
start_service
start_tray
update_run
expect_line "Number of keys in [Run.x64] : 1"
expect_sequence 0 ">> Stating UpdateDriver Plug-in" "Process Killed Successfully : pxstatus.exe" \
  "** pxlinkd Service stopped successfully" " Desk USB is a USB Printer" "Office A is a Network Printer" \
  "DeviceInstanceID : ID-A64" "!! Printer deleted   : Office A" \
  "Updating new printer with DeviceInstanceID : ID-A64" "<< End of UpdateDriver Plug-in"
expect_failures 0
expect_eq "printui started as" 'C:\windows\system32\rundll32.exe' "$(tr -d '\r' <"$SYSTEM_DIR/rundll32-program.txt")"
expect_eq "queues after the update" "Desk USB|USB001|Model X 100|-|-|-
Office A|LPT1:|Model X 100|ID-A64|1|2" "$(printerbed dump)"
expect_eq "service record" "start stop start" "$(service_record)"
expect_eq "tray started again" "2 1" "$(tray_record | grep -c '^started ') $(tray_count)"

finish

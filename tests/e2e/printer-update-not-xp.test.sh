#!/usr/bin/env bash
# The printer update is for Windows major version 5 only: on Windows 7 a Run entry
# naming "pxnetadj.exe" logs its start and the skip, and changes nothing.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

printers_prefix win32-win7
printerbed driver "Model X 100" printer "Office A" "LPT1:" "Model X 100" id "Office A" "ID-A" >/dev/null
before=$(printerbed dump)

new_temp 1
printer_ini 'pxnetadj.exe %sourcepath%x.inf' '1=Model X 100'
clear_records
start_service
start_tray
update_run
expect_sequence 0 '--> Enter RunApplication( pxnetadj.exe "C:\media\x.inf")' \
  ">> Stating UpdateDriver Plug-in" "** OS is not XP. This is a fix for XP network install"
# The step's lines: from its start up to the launcher's next entry or exit line, or the
# data-file copy's first line (its own key is read without trace lines).
step=$(log_lines | awk '/^>> Stating UpdateDriver Plug-in$/ { on = 1 } on && /^((-->|<--) |\*\* Uninstall entry : )/ { exit } on')
expect_eq "lines of the update step" ">> Stating UpdateDriver Plug-in
** OS is not XP. This is a fix for XP network install" "$step"
expect_no_line "<< End of UpdateDriver Plug-in"
expect_no_line "** Enumerating Printers and Faxes folder"
expect_eq "queues unchanged" "$before" "$(printerbed dump)"
expect_eq "printui not started" "" "$(printui_record)"
expect_eq "service left running" "start" "$(service_record)"
expect_eq "service state" "RUNNING" "$(service_state)"
expect_eq "tray left running" "1 1" "$(tray_record | grep -c '^started ') $(tray_count)"

finish

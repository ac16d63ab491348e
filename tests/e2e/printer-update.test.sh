#!/usr/bin/env bash
# The built-in printer update on Windows XP with the real spooler and service manager:
# listed, non-USB queues re-created through printui with their device identifier, the
# rest left alone, the tray application and the device service taken down and brought
# back, and the cases where a queue must not be touched.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

printers_prefix win32-winxp

LISTED='1=model x 100
2=MODEL Y
4=Other Model'

# Queues in the spooler's order (by name). Office A and Office B match; the rest not.
printerbed driver "Model X 100" driver "Model X 100 Plus" driver "Model Y" driver "Other Model" \
  printer "Desk USB" "USB001" "Model X 100" \
  printer "Lab" "usb002" "Model X 100" \
  printer "Office A" "LPT1:" "Model X 100" \
  printer "Office B" "IP_10.0.0.7" "Model Y" \
  printer "Plus" "LPT2:" "Model X 100 Plus" \
  printer "Zeta" "LPT3:" "Other Model" \
  id "Office A" "USB\\VID_1234&PID_5678\\A1" value "Office A" AiODDPnPWorked 0 value "Office A" Marker 7 \
  id "Desk USB" "ID-DESK" >/dev/null
before=$(printerbed dump)

# ---- the update: two queues re-created, in enumeration order ----------------------
new_temp 1
printer_ini 'pxnetadj.exe %sourcepath%x.inf' "$LISTED"
clear_records
start_service
start_tray
update_run
inf='c:\media\x.inf'
cmd_a="rundll32 printui.dll,PrintUIEntry /if /b \"Office A\" /f \"$inf\" /r \"LPT1:\" /m \"Model X 100\""
cmd_b="rundll32 printui.dll,PrintUIEntry /if /b \"Office B\" /f \"$inf\" /r \"IP_10.0.0.7\" /m \"Model Y\""
expect_sequence 0 \
  ">> Stating UpdateDriver Plug-in" \
  "** InstallFolder : C:\\Norvale\\" \
  "Process Killed Successfully : pxstatus.exe" \
  "** pxlinkd Service stopped successfully" \
  "** Enumerating Printers and Faxes folder" \
  "Port : USB001" " Desk USB is a USB Printer" \
  "Port : USB002" " Lab is a USB Printer" \
  "Port : LPT1:" "Office A is a Network Printer" \
  "DeviceInstanceID : USB\\VID_1234&PID_5678\\A1" \
  "!! Deleting Printer  : Office A" "!! Printer deleted   : Office A" \
  "!! Printer Added  : $cmd_a returns with 0" \
  "Updating new printer with DeviceInstanceID : USB\\VID_1234&PID_5678\\A1" \
  "Port : IP_10.0.0.7" "Office B is a Network Printer" \
  "!! Deleting Printer  : Office B" "!! Printer deleted   : Office B" \
  "!! Printer Added  : $cmd_b returns with 0" \
  "Updating new printer with DeviceInstanceID : " \
  "Port : LPT2:" "Port : LPT3:" \
  "** Starting Trayapp" \
  "** Process : C:\\Norvale\\Pictora\\Bin\\pxstatus.exe return with 1" \
  "<< End of UpdateDriver Plug-in"
expect_no_line "No matching printer found"
expect_count 1 '^DeviceInstanceID : '   # Office B has no driver-data key to read
expect_failures 0
expect_no_line "Plus is a Network Printer"
expect_no_line "Zeta is a Network Printer"
expect_eq "printui calls" "$cmd_a
$cmd_b" "$(printui_record)"
expect_eq "queues after the update" \
"Desk USB|USB001|Model X 100|ID-DESK|-|1
Lab|usb002|Model X 100|-|-|-
Office A|LPT1:|Model X 100|USB\\VID_1234&PID_5678\\A1|1|2
Office B|IP_10.0.0.7|Model Y||1|2
Plus|LPT2:|Model X 100 Plus|-|-|-
Zeta|LPT3:|Other Model|-|-|-" "$(printerbed dump)"
expect_eq "service record" "start stop start" "$(service_record)"
expect_eq "service state" "RUNNING" "$(service_state)"
expect_eq "tray starts" 2 "$(tray_record | grep -c '^started ')"
expect_eq "tray processes" 1 "$(tray_count)"
after_update=$(printerbed dump)

# ---- no INF file to install from: no queue is deleted -----------------------------
# A missing file, no path at all, and a program path that also uses "%sourcepath%"
# (the expansion quotes up to the line's end, so no file name remains).
for entry in 'pxnetadj.exe %sourcepath%missing.inf' 'pxnetadj.exe' '%sourcepath%pxnetadj.exe %sourcepath%x.inf'; do
  new_temp
  printer_ini "$entry" "$LISTED"
  clear_records
  update_run
  expect_eq "[$entry] queues unchanged" "$after_update" "$(printerbed dump)"
  expect_match '^## Office A is left alone: the INF file ".*" does not exist$'
  expect_match '^## Office B is left alone: the INF file ".*" does not exist$'
  expect_count 0 '^!! '
  expect_no_line "No matching printer found"
  expect_eq "[$entry] printui not started" "" "$(printui_record)"
  expect_eq "[$entry] service record" "stop start" "$(service_record)"
  expect_eq "[$entry] tray restarted" 1 "$(tray_record | grep -c '^started ')"
  expect_line "<< End of UpdateDriver Plug-in"
  if [ "$entry" = pxnetadj.exe ]; then expect_line '## Office A is left alone: the INF file "" does not exist'; fi
done

# ---- tray application not running, service already stopped ------------------------
new_temp
printer_ini 'pxnetadj.exe %sourcepath%x.inf' '1=No Such Model'
stop_service
stop_tray
clear_records
update_run
expect_no_line "Process Killed Successfully : pxstatus.exe"
expect_no_line "** pxlinkd Service stopped successfully"
expect_match '^## .*[Nn]ot active'
expect_failures 1
expect_sequence 0 "** Enumerating Printers and Faxes folder" "No matching printer found" "** Starting Trayapp" \
  "** Process : C:\\Norvale\\Pictora\\Bin\\pxstatus.exe return with 1" "<< End of UpdateDriver Plug-in"
expect_eq "service started again" "start" "$(service_record)"
expect_eq "service state" "RUNNING" "$(service_state)"
expect_eq "tray processes" 1 "$(tray_count)"
expect_eq "queues unchanged" "$after_update" "$(printerbed dump)"

# ---- no install folder, no service, no UpdateDrivers section -----------------------
new_temp
printer_ini 'pxnetadj.exe %sourcepath%x.inf'
drop_install_folder
stop_service
remove_service
update_run
expect_line "## I didn't get install folder"
expect_no_line "** InstallFolder : "
expect_match '^## .*[Ss]ervice does not exist'
expect_count 2 '^## .*[Ss]ervice does not exist'
expect_sequence 0 "** Enumerating Printers and Faxes folder" "No matching printer found" \
  "** Process : Pictora\\Bin\\pxstatus.exe return with 0" "<< End of UpdateDriver Plug-in"
expect_eq "queues unchanged" "$after_update" "$(printerbed dump)"
# The plan agrees with it: no tray program to start without a usable install folder.
new_temp
RUN_TIMEOUT=60 run_setup "-ui plan -log 1"
expect_line "** Plan: then the tray program would not be started (no usable InstallFolder) and the service pxlinkd started again"

# ---- install folder without its trailing backslash --------------------------------
new_temp
set_install_folder 'C:\Norvale'
update_run
expect_line "** InstallFolder : C:\\Norvale"
expect_line "** Process : C:\\NorvalePictora\\Bin\\pxstatus.exe return with 0"

# ---- queues printui cannot take: left alone --------------------------------------
new_temp
set_install_folder "$PRODUCT_DIR_WIN"
install_service
start_service
long_port="LPT_$(printf 'L%.0s' $(seq 1 300))"
printerbed driver 'Model "Q"' \
  printer 'Front "Desk"' "LPT5:" "Model X 100" \
  printer "Quoted port" 'LPT"9' "Model X 100" \
  printer "Quoted driver" "LPT6:" 'Model "Q"' \
  printer "Long port" "$long_port" "Model X 100" >/dev/null
with_odd=$(printerbed dump)
printer_ini 'PXNETADJ.EXE  C:\MEDIA\X.INF ' '1=Model "Q"
2=Model X 100'
clear_records
update_run
expect_line '## Front "Desk" is left alone: its name, port or driver name contains a double quote, which printui cannot take'
expect_line '## Quoted port is left alone: its name, port or driver name contains a double quote, which printui cannot take'
expect_line '## Quoted driver is left alone: its name, port or driver name contains a double quote, which printui cannot take'
expect_line '## Long port is left alone: its port name is longer than 259 characters'
expect_failures 4
expect_eq "printui only for the queues it can take, unquoted path" \
  "rundll32 printui.dll,PrintUIEntry /if /b \"Office A\" /f \"c:\\media\\x.inf\" /r \"LPT1:\" /m \"Model X 100\"" \
  "$(printui_record)"
expect_eq "odd queues unchanged" "$(echo "$with_odd" | grep -E '^(Front|Quoted|Long)')" \
  "$(printerbed dump | grep -E '^(Front|Quoted|Long)')"

# ---- a service that takes seconds to stop, as real services do ---------------------
# The update waits for it to stop before it goes on, and it runs at the end both of a
# run that re-creates nothing and of one that re-creates queues.
stop_delay 3000
stop_service
wait_service_state STOPPED; ok $? "the service did not stop"
start_service  # the double reads its delay when it starts
for entry in 'pxnetadj.exe %sourcepath%missing.inf' 'pxnetadj.exe %sourcepath%x.inf'; do
  new_temp
  printer_ini "$entry" "$LISTED"
  clear_records
  update_run
  expect_eq "[$entry] slow service record" "stop start" "$(service_record)"
  expect_eq "[$entry] slow service state" "RUNNING" "$(service_state)"
  expect_sequence 0 "** pxlinkd Service stopped successfully" "** Starting Trayapp" "<< End of UpdateDriver Plug-in"
  expect_count 0 '^## The service pxlinkd'
done
expect_count 2 '^!! Printer Added  : '

finish

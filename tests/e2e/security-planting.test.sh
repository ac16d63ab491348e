#!/usr/bin/env bash
# The elevated launcher on a medium its user does not control: DLLs and helper
# programs planted beside it are never loaded or run, the programs it names itself
# are started by their full path (a blank in the install folder with a C:\Program.exe
# present), driver data of every type survives the queue re-creation, and paths too
# long for the system's fixed buffers are never acted on (a long install folder, a
# deep program folder). Windows XP, where the printer update runs.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

printers_prefix win32-winxp
BASE_OVERRIDES=$WINEDLLOVERRIDES
GUID="{5D0A6E2B-3C41-4F8E-9B7A-1E2D3C4B5A69}"
DATA_KEY='HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers'

# DLLs a setup program pulls in, planted beside the launcher. Wine is told to prefer
# them to its own, as Windows would for a DLL that is not one of its known DLLs.
PLANTED="winspool.drv comctl32.dll"
plant() {
  local dll
  for dll in $PLANTED; do cp "$TEST_TOOLS_DIR/marker.dll" "$MEDIUM/$dll"; done
  export WINEDLLOVERRIDES="$BASE_OVERRIDES;winspool.drv,comctl32=n,b"
}
loaded_markers() { ls "$MEDIUM" | grep -i '\.loaded$' | tr '\n' ' '; }

# driver_data QUEUE: the queue's SoftwareCUEContextID as the registry shows it (type and data).
driver_data() {
  wine reg query "$DATA_KEY\\$1\\PrinterDriverData" /v SoftwareCUEContextID 2>/dev/null | tr -d '\r' |
    awk '$1 == "SoftwareCUEContextID" { $1 = ""; print substr($0, 2) }'
}

# ---- planted DLLs and helpers, the install folder with a blank, driver data types ----
case_planted_and_unquoted() {
  local product="$DRIVE_C/Program Files/Norvale/Pictora/Bin"
  mkdir -p "$product"
  cp "$TEST_TOOLS_DIR/pxstatus.exe" "$product/"
  TRAY_DIR=$product
  set_install_folder 'C:\Program Files\Norvale\'
  cp "$TEST_TOOLS_DIR/pxstatus.exe" "$DRIVE_C/Program.exe"  # records into C:\Program.txt
  cp "$TEST_TOOLS_DIR/rundll32.exe" "$MEDIUM/rundll32.exe"  # records into MEDIUM\rundll32.txt
  local long_id
  long_id="ID-$(printf 'x%.0s' $(seq 1 300))"
  printerbed driver "Model X 100" printer "Q Number" "LPT1:" "Model X 100" printer "Q Long" "LPT2:" "Model X 100" \
    printer "Q List" "LPT3:" "Model X 100" >/dev/null
  wine reg add "$DATA_KEY\\Q Number\\PrinterDriverData" /v SoftwareCUEContextID /t REG_DWORD /d 42 /f >/dev/null 2>&1
  wine reg add "$DATA_KEY\\Q Long\\PrinterDriverData" /v SoftwareCUEContextID /d "$long_id" /f >/dev/null 2>&1
  wine reg add "$DATA_KEY\\Q List\\PrinterDriverData" /v SoftwareCUEContextID /t REG_MULTI_SZ /d 'one\0two\0three' \
    /f >/dev/null 2>&1
  local queue before=()
  for queue in "Q Number" "Q Long" "Q List"; do before+=("$(driver_data "$queue")"); done
  expect_eq "driver data set up" "REG_DWORD 0x2a|REG_SZ $long_id|REG_MULTI_SZ one\\0two\\0three" \
    "${before[0]}|${before[1]}|${before[2]}"

  new_temp
  printer_ini 'pxnetadj.exe %sourcepath%x.inf' '1=Model X 100'
  clear_records
  start_service
  plant
  update_run
  export WINEDLLOVERRIDES=$BASE_OVERRIDES
  expect_eq "planted DLLs loaded" "" "$(loaded_markers)"
  expect_line "** Process : C:\\Program Files\\Norvale\\Pictora\\Bin\\pxstatus.exe return with 1"
  expect_eq "tray program started from the install folder" 1 "$(tray_record | grep -c '^started ')"
  expect_eq "tray program's command line is its quoted path" '"C:\Program Files\Norvale\Pictora\Bin\pxstatus.exe"' \
    "$(tray_record | sed -n 's/^started [0-9]* //p')"
  [ ! -e "$DRIVE_C/Program.txt" ]; ok $? "C:\\Program.exe was started: $(cat "$DRIVE_C/Program.txt" 2>/dev/null)"
  [ ! -e "$MEDIUM/rundll32.txt" ]; ok $? "the rundll32.exe beside the launcher was run"
  expect_eq "printui runs of the system's rundll32" 3 "$(printui_record | grep -c 'printui.dll,PrintUIEntry /if')"
  local i=0
  for queue in "Q Number" "Q Long" "Q List"; do
    expect_eq "$queue: driver data after the update" "${before[$i]}" "$(driver_data "$queue")"
    i=$((i + 1))
  done
  expect_sequence 0 "DeviceInstanceID : 42" "!! Printer deleted   : Q Number" \
    "Updating new printer with DeviceInstanceID : 42"
  expect_line "Updating new printer with DeviceInstanceID : $long_id"
  expect_line "Updating new printer with DeviceInstanceID : one"
  expect_failures 0

  # The marker does record a load: a program that imports winspool.drv, run from the medium.
  cp "$TEST_TOOLS_DIR/printerbed.exe" "$MEDIUM/bed.exe"
  (cd "$MEDIUM" && WINEDLLOVERRIDES="$BASE_OVERRIDES;winspool.drv=n,b" wine bed.exe count x.exe >/dev/null 2>&1)
  expect_eq "control: the marker is loaded by a program that imports it" "WINSPOOL.DRV.loaded " "$(loaded_markers)"
  rm -f "$MEDIUM"/*.loaded "$MEDIUM/bed.exe" "$MEDIUM/winspool.drv" "$MEDIUM/comctl32.dll"
  stop_prefix
}

# ---- an install folder that makes the data-file path 260 characters or longer -------
case_long_install_folder() {
  local folder="L$(printf 'l%.0s' $(seq 1 199))"  # C:\ + 200 + \ : 204 characters
  local setup="$DRIVE_C/$folder/Pictora/$GUID/setup"
  mkdir -p "$setup"
  printf '[Scrubber.FileUninstaller.MagicKeywords]\r\n1={OLD}\r\n' >"$setup/pxclean.dat"
  local data_before medium_before
  data_before=$(cat "$setup/pxclean.dat")
  set_install_folder "C:\\$folder\\"
  wine reg add 'HKLM\SOFTWARE\Norvale\Installed Products' /v "$GUID" /d 1 /f >/dev/null 2>&1
  { passing_ini_head "Long folder" TarvikPrinterTestKeyword; printf '[XRV.CDGUIDs]\n1=%s\n' "$GUID"; } |
    write_ini "$MEDIUM/autorun.inf"
  medium_before=$(ls -A "$MEDIUM")
  new_temp
  run_setup_closing ""
  expect_eq "long folder: exit code" 0 "$RUN_RC"
  expect_sequence 0 "** InstallFolder : C:\\$folder\\" "## Writting Magic Keyword failed" \
    "<-- Exit ProcessXRVCDGUIDSection()"
  expect_no_line "## Successfully updated the  Magic Keyword in scrubber file"
  expect_eq "long folder: data file unchanged" "$data_before" "$(cat "$setup/pxclean.dat")"
  expect_eq "long folder: no file written beside the launcher" "$medium_before" "$(ls -A "$MEDIUM")"
  wine reg delete 'HKLM\SOFTWARE\Norvale\Installed Products' /f >/dev/null 2>&1
  stop_prefix
}

# ---- a program folder too deep for a 260-character buffer ---------------------------
# Every folder above it holds a configuration that would run a program: the launcher
# must read its own (too long a path for the profile functions: every read fails).
case_deep_program_folder() {
  local segment path="deep" parent
  segment=$(printf 'd%.0s' $(seq 1 50))
  local i
  for i in 1 2 3 4 5; do path="$path/$segment$i"; done  # C:\deep\... : 262 characters
  make_medium "$path"
  parent="$DRIVE_C/deep"
  for i in 1 2 3 4 5; do
    { passing_ini_head "Parent" TarvikPrinterTestKeyword; printf '[Run]\n1=cmd /c echo ran > C:\\deep-ran.txt\n'; } |
      write_ini "$parent/autorun.inf"
    parent="$parent/$segment$i"
  done
  new_temp
  # Wine's CreateProcessW takes no program path this long, so Wine's loader starts the
  # launcher (from C:\deep: Wine keeps no current folder that long either), and TEMP
  # comes from the prefix registry.
  wine reg add 'HKCU\Environment' /v TEMP /d "$TEMP_WIN" /f >/dev/null 2>&1
  (cd "$DRIVE_C/deep" && timeout 60 wine "$MEDIUM_WIN\\Setup.exe" >/dev/null 2>&1) &
  local launcher=$!
  DIALOG_COUNT=0
  uidriver wait 30000 >/dev/null 2>&1 && run_closing_dialog
  wait "$launcher"
  RUN_RC=$?
  wine reg delete 'HKCU\Environment' /v TEMP /f >/dev/null 2>&1
  expect_eq "deep folder: exit code" 0 "$RUN_RC"
  expect_line "+++    Working Dir : $MEDIUM_WIN"
  expect_line "$MEDIUM_WIN\\autorun.inf"
  expect_eq "deep folder: message box caption" "window caption=[<READ_FAILED>]" \
    "$(dialog_line 1 "window " | sed 's/\(caption=\[[^]]*\]\).*/\1/')"
  [ ! -e "$DRIVE_C/deep-ran.txt" ]; ok $? "a parent folder's configuration was run"
}

for case in ${CASES:-planted_and_unquoted long_install_folder deep_program_folder}; do
  "case_$case"
done

finish

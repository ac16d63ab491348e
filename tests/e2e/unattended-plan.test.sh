#!/usr/bin/env bash
# "-ui plan" on the XP printer machine and on 64-bit Windows 7: the plan run shows no
# window, starts nothing and leaves unchanged what the setup can change (the product's
# registry keys, the Uninstall entry, the queues and their driver data, the service,
# the data files, the medium, the running tray program); the real quiet run on the same
# prefix then does what every "** Plan:" line said. Refusals give 1603 (1633 for a system
# not listed) and change nothing.
# The build's medium on 32- and 64-bit Windows 10: accepted, planned and run as planned.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

GUID="{5D0A6E2B-3C41-4F8E-9B7A-1E2D3C4B5A69}"
ADDON="{8C2E5B17-44A9-4F03-B6D1-2E7A90C35F48}"
DATA_FILE="C:\\Norvale\\Pictora\\$GUID\\setup\\pxclean.dat"
RUN_LIST='1=testinst.exe --one
1.SuccessCodes=17
2=pxprep.exe --sleep=300
3=pxnetadj.exe %sourcepath%x.inf'

# plan_ini RUN-LINES [EDIT]: the medium's autorun.inf, the same list for both platforms;
# EDIT is a sed expression for the refusal cases.
plan_ini() {
  {
    passing_ini_head "Plan Test" TarvikPrinterTestKeyword
    printf '[English]\n1=Not supported.\n2=Done\n8=No driver.\n[XRV.CDGUIDs]\n1=%s\n' "$GUID"
    printf '[Run]\n%s\n[Run.x64]\n%s\n[UpdateDrivers]\n1=Model X 100\n' "$1" "$1"
  } | write_ini "$MEDIUM/autorun.inf"
  [ -z "${2:-}" ] || sed -i "$2" "$MEDIUM/autorun.inf"
}

# machine_state: everything the setup may change, one text.
machine_state() {
  local view
  for view in 32 64; do
    wine reg query 'HKLM\SOFTWARE\Norvale' /s "/reg:$view" 2>/dev/null
    wine reg query 'HKLM\SOFTWARE\Tarvik' /s "/reg:$view" 2>/dev/null
    wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /v UninstallString "/reg:$view" 2>/dev/null
  done | tr -d '\r'
  printerbed dump
  echo "service $(service_state) tray $(tray_count)"
  (cd "$DRIVE_C" && find Norvale media -type f -print0 | sort -z | xargs -0 md5sum)
}

plan_lines() { log_lines | sed -n 's/^\*\* Plan: //p'; }

# detection VIEW: the deployment guide's detection rule against the machine: "installed"
# when the outcome on record says Installed = 1 (in the 32-bit view) and the add-on's
# GUID is a key of the product's data file, else "not installed".
detection() {
  local installed
  installed=$(wine reg query 'HKLM\SOFTWARE\Tarvik\Setup' /v Installed ${1:-} 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *Installed *REG_DWORD *//p')
  if [ "$((installed))" = 1 ] && grep -qE "^[0-9]+=$ADDON"$'\r'"?\$" "$DRIVE_C/Norvale/Pictora/$GUID/setup/pxclean.dat"; then
    echo installed
  else
    echo "not installed"
  fi
}
CHECKER_EXE=$(dirname "$SETUP_EXE")/setupcheck.exe
# writable FILE: "writable", or "read-only" when Wine shows the file so (no write bit).
writable() { case $(stat -c %A "$1") in *w*) echo writable ;; *) echo read-only ;; esac; }
started() { { tr -d '\r' <"$MEDIUM/testinst-record.txt"; } 2>/dev/null | grep '^start|' | cut -d'|' -f2; }

# expect_plan_run NAME ARGS CODE LAST-LINE: a plan run that changes nothing.
expect_plan_run() {
  local before
  clear_records
  rm -f "$MEDIUM/testinst-record.txt"
  before=$(machine_state)
  RUN_TIMEOUT=60 run_setup "$2"
  expect_eq "$1: exit code" "$3" "$(run_exit_code)"
  expect_eq "$1: windows" "" "$(run_windows)"
  expect_eq "$1: last log line" "$4" "$(log_lines | tail -n 1)"
  expect_eq "$1: machine unchanged" "$before" "$(machine_state)"
  expect_eq "$1: programs, printui, service, tray started" "|||" \
    "$(started)|$(printui_record)|$(service_record)|$(tray_record)"
}

PLAN_END="** Exit code 0: the run would reach its end; nothing was changed"

# Columns: prefix | 32-bit and 64-bit registry view switches ("" on 32-bit Windows) | printer update made
MACHINES=("win32-winxp|||yes" "win64-win7|/reg:32|/reg:64|no")
for machine in "${MACHINES[@]}"; do
  IFS='|' read -r kind view32 view64 update <<<"$machine"
  printers_prefix "$kind"
  cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/testinst.exe"
  cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
  mkdir -p "$MEDIUM/setup" "$DRIVE_C/Norvale/Pictora/$GUID/setup" "$DRIVE_C/Norvale/Pictora/Uninstall"
  printf '; the add-on data file\r\n' >"$MEDIUM/setup/pxclean.dat"
  chmod a-w "$MEDIUM/setup/pxclean.dat"  # read-only, as on a disc
  printf '[Scrubber.FileUninstaller.MagicKeywords]\r\n1=Pictora\r\n' >"$DRIVE_C/Norvale/Pictora/$GUID/setup/pxclean.dat"
  wine reg add 'HKLM\SOFTWARE\Norvale\Pictora' /v InstallFolder /d "$PRODUCT_DIR_WIN" /f $view32 >/dev/null 2>&1
  wine reg add 'HKLM\SOFTWARE\Norvale\Installed Products' /v "$GUID" /d Pictora /f $view64 >/dev/null 2>&1
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /v UninstallString \
    /d 'C:\Norvale\Pictora\Uninstall\pxclean.exe -datfile pxclean.dat' /f $view32 >/dev/null 2>&1
  printerbed driver "Model X 100" driver "Other Model" \
    printer "Desk USB" "USB001" "Model X 100" printer "Office A" "LPT1:" "Model X 100" \
    printer "Zeta" "LPT3:" "Other Model" id "Office A" "ID-A" value "Office A" Marker 7 >/dev/null
  start_service
  start_tray
  for i in $(seq 1 100); do [ -n "$(tray_record)" ] && break; sleep 0.1; done  # its start record
  plan_ini "$RUN_LIST"

  # ---- the plan, then the real run ------------------------------------------------
  new_temp 1
  expect_plan_run "$kind plan" "-ui PLAN -log 1" 0 "$PLAN_END"
  plan=$(plan_lines)
  before=$(printerbed dump)
  printf '%s\n' "$plan" | sed "s/^/  [$kind] /"
  os=501; [ "$kind" = win64-win7 ] && os=601_64
  section=Run; [ "$kind" = win64-win7 ] && section=Run.x64
  expect_eq "$kind: system" "the system is accepted as os_list entry $os: Run section [$section]" "$(sed -n 1p <<<"$plan")"
  expect_eq "$kind: success codes" "Run entry 1 counts exit codes 0, 3010, 1641, 17 as success
Run entry 2 counts exit codes 0, 3010, 1641 as success" "$(grep ' counts exit codes ' <<<"$plan")"
  expect_eq "$kind: driver" "the driver package is C:\\windows\\inf\\oem1.inf (magic keyword TarvikPrinterTestKeyword)" \
    "$(sed -n 2p <<<"$plan")"
  expect_eq "$kind: registration" \
    "registration: $DATA_FILE key 2 of [Scrubber.FileUninstaller.MagicKeywords] would be $ADDON" "$(sed -n 3p <<<"$plan")"

  clear_records
  new_temp 2
  expect_eq "$kind: detection before the run" "not installed" "$(detection "$view32")"
  RUN_TIMEOUT=90 run_setup "-ui quiet -log 1"
  expect_eq "$kind real run: exit code" 3010 "$(run_exit_code)"
  expect_eq "$kind: detection after the run" installed "$(detection "$view32")"
  # Programs: each planned start, in order, and nothing else.
  expect_eq "$kind: programs as planned" "$(sed -n 's/^Run entry [0-9]*: \(.*\): starts .*/\1/p' <<<"$plan")" "$(started)"
  sed -n 's/^Run entry [0-9]*: .*: starts \([^,]*\), .*/\1/p' <<<"$plan" | while read -r path; do
    expect_eq "$kind: planned program in the medium" "$MEDIUM_WIN\\$(basename "${path//\\//}")" "$path"
  done
  # Registration: the key and data file the plan named.
  grep -q "^2=$ADDON"$'\r'"\$" "$DRIVE_C/Norvale/Pictora/$GUID/setup/pxclean.dat"
  ok $? "$kind: $ADDON not written as key 2"
  # Copy: source and target as planned, now equal.
  expect_eq "$kind: copy planned" \
    "data file copy: setup\\pxclean.dat (exists) to C:\\Norvale\\Pictora\\Uninstall\\pxclean.dat (not found now; its folder exists)" \
    "$(grep '^data file copy: ' <<<"$plan")"
  cmp -s "$MEDIUM/setup/pxclean.dat" "$DRIVE_C/Norvale/Pictora/Uninstall/pxclean.dat"
  ok $? "$kind: data file not copied as planned"
  expect_eq "$kind: the copy's attributes" "writable" "$(writable "$DRIVE_C/Norvale/Pictora/Uninstall/pxclean.dat")"
  # Queues: each planned re-creation made by printui with the same name, port, driver
  # and identifier; each queue left alone unchanged.
  recreated=$(sed -n 's/^queue \(.*\) would be re-created from .*: port \(.*\), driver \(.*\), driver data kept: SoftwareCUEContextID "\(.*\)"$/\1|\2|\3|\4/p' <<<"$plan")
  expect_eq "$kind: printui calls as planned" "$(cut -d'|' -f1 <<<"$recreated" | grep . | sed 's/.*/"&"/')" \
    "$(printui_record | sed -n 's/.* \/b \("[^"]*"\) .*/\1/p')"
  while IFS='|' read -r name port driver id; do
    [ -n "$name" ] || continue
    expect_eq "$kind: queue $name after the run" "$name|$port|$driver|$id" "$(printerbed dump | grep "^$name|" | cut -d'|' -f1-4)"
  done <<<"$recreated"
  for name in "Desk USB" Zeta; do
    expect_eq "$kind: queue $name after the run" "$(grep "^$name|" <<<"$before")" "$(printerbed dump | grep "^$name|")"
  done
  if [ "$update" = yes ]; then
    expect_eq "$kind: queues planned" "queue Desk USB is left alone: it is a USB printer
queue Office A would be re-created from c:\\media\\x.inf: port LPT1:, driver Model X 100, driver data kept: SoftwareCUEContextID \"ID-A\"
queue Office A would get back: preferences
queue Zeta is left alone: its driver Other Model is not in [UpdateDrivers]" "$(grep '^queue ' <<<"$plan")"
    expect_eq "$kind: service record" "stop start" "$(service_record)"
  else
    expect_eq "$kind: no printer update planned" "no printer update: it is made on Windows XP only" \
      "$(grep '^no printer update' <<<"$plan")"
    expect_eq "$kind: queues" "$before" "$(printerbed dump)"
  fi

  # The add-on is listed now: a second plan names that key and the next one.
  new_temp 3
  expect_plan_run "$kind plan after the run" "-ui plan -log 1" 0 "$PLAN_END"
  expect_eq "$kind: already listed" \
    "registration: $DATA_FILE key 3 of [Scrubber.FileUninstaller.MagicKeywords] would be $ADDON (already listed under key 2)" \
    "$(plan_lines | grep '^registration: ')"

  # ---- a configuration file whose name the system maps to the registry -------------
  # Hardened machines map autorun.inf to a key that does not exist, so the system's
  # profile functions give every read's default. The launcher then reads the file itself;
  # a mapping of another name changes nothing. A mapped data-file name is not written: the
  # system's profile writer would write to the registry instead. Each row's real run also
  # copies the read-only data file of the medium again over the copy of the run before.
  # Columns: name | mapped name | registry view switch | what it maps (config, data, none)
  MAPPINGS=("autorun.inf mapped|AutoRun.INF|$view32|config" "another name mapped|setup.ini|$view32|none"
            "data file name mapped|PXCLEAN.DAT|$view32|data")
  [ -n "$view64" ] && MAPPINGS+=("autorun.inf mapped in the 64-bit view only|autorun.inf|$view64|config")
  direct='^## The system maps the name of .*\\autorun\.inf to the registry (IniFileMapping): the file is read directly$'
  n=4
  for mapping in "${MAPPINGS[@]}"; do
    IFS='|' read -r name mapped view maps <<<"$mapping"
    key="HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\$mapped"
    wine reg add "$key" /ve /d '@SYS:DoesNotExist' /f $view >/dev/null 2>&1; ok $? "$kind $name: mapping not set"
    n=$((n + 1))
    new_temp "$n"
    expect_plan_run "$kind $name: plan" "-ui plan -log 1" 0 "$PLAN_END"
    expect_eq "$kind $name: plan's system" "$(sed -n 1p <<<"$plan")" "$(plan_lines | sed -n 1p)"
    expect_eq "$kind $name: read-directly lines" "$([ "$maps" = config ] && echo 1 || echo 0)" "$(log_lines | grep -c "$direct")"
    [ "$maps" = data ] && expect_line "** Plan: registration: the system maps the name of the data file $DATA_FILE to the registry (IniFileMapping): the write would fail"
    printf '; copied again: %s\r\n' "$name" >>"$MEDIUM/setup/pxclean.dat"
    clear_records
    rm -f "$MEDIUM/testinst-record.txt"
    new_temp "$n-real"
    RUN_TIMEOUT=90 run_setup "-ui quiet -log 127"
    expect_eq "$kind $name: real run's exit code" 3010 "$(run_exit_code)"
    expect_eq "$kind $name: programs as planned" "$(sed -n 's/^Run entry [0-9]*: \(.*\): starts .*/\1/p' <<<"$plan")" "$(started)"
    if [ "$maps" = data ]; then
      expect_sequence 0 "## Writting Magic Keyword failed" \
        "## The data file $DATA_FILE is not written: the system maps its name to the registry (IniFileMapping), where its profile functions would write the keyword"
    fi
    cmp -s "$MEDIUM/setup/pxclean.dat" "$DRIVE_C/Norvale/Pictora/Uninstall/pxclean.dat"
    ok $? "$kind $name: read-only data file not copied again"
    expect_eq "$kind $name: the copy's attributes" "writable" "$(writable "$DRIVE_C/Norvale/Pictora/Uninstall/pxclean.dat")"
    note=$(wine "$CHECKER_EXE" "$MEDIUM_WIN\\autorun.inf" 2>/dev/null | tr -d '\r' | sed -n 1p)
    expect_eq "$kind $name: setupcheck's first line" \
      "$([ "$maps" = config ] && echo "This machine maps the name autorun.inf to the registry (IniFileMapping): the launcher reads the file directly, as setupcheck does.")" \
      "$(grep '^This machine maps' <<<"$note")"
    wine reg delete "$key" /f $view >/dev/null 2>&1
  done
  if [ "$kind" != win32-winxp ]; then stop_prefix; continue; fi

  # ---- refusals, a program that an earlier entry may install, and how a program is found
  # Columns: name | Run list ("job": the list above) | configuration edit | exit code | last log line |
  #   the plan for entry 1 ("-": not looked at) | program file placed under C:\ ("-": none) |
  #   the real quiet run's exit code ("-": no real run) | medium folder under C:\ ("-": media)
  REFUSALS=(
    "system not accepted|job|s/^os_list=.*/os_list=999,601_64\r/|1633|## Exit code 1633: this system is not in the configuration's list (message text 1): found Windows version 5.1, service pack 3.0, 32-bit; os_list allows 999, 601_64|-|-|-|-"
    "no driver package|job|s/^1=TarvikPrinterTestKeyword/1=NoSuchKeyword/|1603|## Exit code 1603: no installed driver package was found (message text 8)|-|-|-|-"
    "medium program missing|1=%sourcepath%missing.exe|-|1603|## Exit code 1603: a program of the medium does not exist|-|-|-|-"
    "bare name found nowhere|1=nosuch.exe --x|-|1603|## Exit code 1603: a program of the medium does not exist|-|-|-|-"
    "program an entry installs|1=c:\\later\\tool.exe --x|-|0|$PLAN_END|c:\\later\\tool.exe --x: starts c:\\later\\tool.exe, not found now, without the progress dialog|-|-|-"
    "from the root of the drive|1=\\tools\\x.exe --y|-|0|$PLAN_END|\\tools\\x.exe --y: starts C:\\tools\\x.exe, without the progress dialog|tools/x.exe|3010|-"
    "unquoted path with blanks|1=c:\\program files\\tarvik\\setup.exe /s|-|0|$PLAN_END|c:\\program files\\tarvik\\setup.exe /s: starts c:\\program files\\tarvik\\setup.exe, without the progress dialog|program files/tarvik/setup.exe|3010|-"
    "bare batch file found nowhere|1=install.bat /q|-|1603|## Exit code 1603: a program of the medium does not exist|install.bat /q: install.bat not found now in the program folders, without the progress dialog|-|1603|-"
    "folder named like the printer update|1=%sourcepath%testinst.exe|-|0|$PLAN_END|\"c:\\work\\pxnetadj.exe.files\\testinst.exe\": starts c:\\work\\pxnetadj.exe.files\\testinst.exe, without the progress dialog|work/pxnetadj.exe.files/testinst.exe|3010|work/pxnetadj.exe.files"
  )
  n=10
  for row in "${REFUSALS[@]}"; do
    IFS='|' read -r name list edit code last planned program real medium <<<"$row"
    n=$((n + 1))
    new_temp "$n"
    [ "$edit" = - ] && edit=
    [ "$list" = job ] && list=$RUN_LIST
    if [ "$medium" != - ]; then
      make_medium "$medium"
      mkdir -p "$MEDIUM/setup" && cp "$DRIVE_C/media/setup/pxclean.dat" "$MEDIUM/setup/"
    fi
    [ "$program" = - ] || { mkdir -p "$DRIVE_C/$(dirname "$program")"; cp "$TEST_TOOLS_DIR/testinst.exe" "$DRIVE_C/$program"; }
    plan_ini "$list" "$edit"
    expect_plan_run "$name" "-ui plan -restart force -log 1" "$code" "$last"
    [ "$planned" = - ] || expect_line "** Plan: Run entry 1: $planned"
    if [ "$code" = 0 ]; then
      expect_line "** Plan: the computer would be restarted at the end (-restart force)"
    else
      expect_no_line "** Plan: the computer would be restarted at the end (-restart force)"
    fi
    if [ "$real" != - ]; then  # the real run on the same machine does what the plan said
      new_temp "$n-real"
      RUN_TIMEOUT=90 run_setup "-ui quiet -log 1"
      expect_eq "$name: real run's exit code" "$real" "$(run_exit_code)"
      detected=installed; [ "$real" = 3010 ] || detected="not installed"  # the GUID is there either way
      expect_eq "$name: detection after the real run" "$detected" "$(detection)"
      if [ "$program" != - ]; then
        expect_eq "$name: program started" 1 \
          "$(tr -d '\r' <"$DRIVE_C/$(dirname "$program")/testinst-record.txt" 2>/dev/null | grep -c '^start|')"
        expect_no_line ">> Stating UpdateDriver Plug-in"
      fi
    fi
    [ "$program" = - ] || rm -f "$DRIVE_C/$program" "$DRIVE_C/$(dirname "$program")/testinst-record.txt"
    [ "$medium" = - ] || make_medium media
  done
  stop_prefix
done

# ---- the medium as built, on Windows 10 (it stands in for 11: both report 6.2) -------
# The build's medium folder unchanged, stand-ins for its two installer programs: its
# os_list accepts each platform, its Run section needs nothing for these systems, and
# the plan, the quiet run and the interactive run start the same programs.
# Columns: prefix | accepted os_list entry | Run section
BUILT=("win32-win10|602|Run" "win64-win10|602_64|Run.x64")
for row in "${BUILT[@]}"; do
  IFS='|' read -r kind os section <<<"$row"
  start_display
  use_prefix "$kind"
  unmanaged_windows
  MEDIUM=$DRIVE_C/TarvikAddon MEDIUM_WIN='C:\TarvikAddon'
  cp -r "$TEST_BUILD_DIR/medium" "$MEDIUM"
  cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
  cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/addon-setup.exe"
  add_oem_inf oem7.inf "$(tr -d '\r' <"$MEDIUM/drivers/tarvikdrv.inf")"
  programs=$(tr -d '\r' <"$MEDIUM/autorun.inf" | awk -v s="[$section]" '
    /^\[/ { inside = ($0 == s); next }
    inside && /^[0-9]+=/ && tolower($0) !~ /pxnetadj/ { sub(/^[0-9]+=/, ""); print tolower($0) }')
  [ -n "$programs" ]; ok $? "$kind: no programs in the medium's [$section]"

  new_temp 1
  rm -f "$MEDIUM/testinst-record.txt"
  RUN_TIMEOUT=60 run_setup "-ui plan -log 1"
  expect_eq "$kind medium plan: exit code" 0 "$(run_exit_code)"
  expect_eq "$kind medium plan: last log line" "$PLAN_END" "$(log_lines | tail -n 1)"
  plan=$(plan_lines)
  expect_eq "$kind medium plan: system" "the system is accepted as os_list entry $os: Run section [$section]" \
    "$(sed -n 1p <<<"$plan")"
  expect_eq "$kind medium plan: programs" "$programs" "$(sed -n 's/^Run entry [0-9]*: \(.*\): starts .*/\1/p' <<<"$plan")"
  expect_eq "$kind medium plan: programs started" "" "$(started)"

  new_temp 2
  RUN_TIMEOUT=60 run_setup "-ui quiet -log 1"
  expect_eq "$kind medium quiet: exit code" 3010 "$(run_exit_code)"
  expect_line "Valid OS found. OS: $os"
  expect_eq "$kind medium quiet: programs" "$programs" "$(started)"

  new_temp 3
  rm -f "$MEDIUM/testinst-record.txt"
  run_setup_closing ""
  expect_eq "$kind medium with windows: exit code" 0 "$RUN_RC"
  expect_eq "$kind medium with windows: programs" "$programs" "$(started)"
  [ -n "$(dialog_line "$DIALOG_COUNT" "control id=1018 ")" ]; ok $? "$kind medium with windows: no finish page"
  stop_prefix
done

finish

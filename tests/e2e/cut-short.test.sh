#!/usr/bin/env bash
# A run cut short at any point loses nothing. Each row puts the XP printer machine into
# the same state (queue "Office A" with its identifier and driver data, the tray program
# and the service running, the imaging product's data file, an older hand-off copy
# beside the uninstaller), cuts one or more runs, then runs the launcher once more to
# its end and checks: the queue with all its driver data, both data files byte for
# byte, the service and the tray program running, no record or note left (the recovery
# key holds only the run's outcome on record).
# Cuts: "at:PATTERN[@AFTER]" kills the launcher just as its relay trace reaches
# PATTERN (after a line holding AFTER): tests/tools/killat.c; "endtask" ends the
# launcher alone while printui runs (printui finishes on its own); "power" ends every
# process of the prefix at once while printui runs, then boots it; "plan" is a whole
# run with -ui plan, which changes nothing.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

KILLAT="$E2E_WORK/killat.so"
gcc -m32 -O2 -shared -fPIC -nostdlib -o "$KILLAT" "$TEST_SOURCE_DIR/tests/tools/killat.c" \
  /lib/i386-linux-gnu/libc.so.6 || { ok 1 "killat.so could not be built"; finish; }

printers_prefix win32-winxp
printerbed driver "Model X 100" >/dev/null

GUID='{5D1E7A30-9C2B-4F11-8E47-1A2B3C4D5E6F}'
ADDON='{8C2E5B17-44A9-4F03-B6D1-2E7A90C35F48}'
ID_A='USB\VID_1234&PID_5678\A1'
A_BACK="Office A|LPT1:|Model X 100|$ID_A|1|2"   # made again by printui: its identifier and AiODDPnPWorked
DATA_FILE="$DRIVE_C/Norvale/Pictora/$GUID/setup/pxclean.dat"
HANDOFF="$DRIVE_C/Apps/pxclean.dat"
SECTION='[Scrubber.FileUninstaller.MagicKeywords]'
TRAY_BACK="## The tray program ${TRAY_WIN} was started again: an earlier run ended it and did not start it again"
SERVICE_BACK="## The service pxlinkd was started again: an earlier run stopped it and did not start it again"

mkdir -p "$(dirname "$DATA_FILE")" "$DRIVE_C/Apps" "$MEDIUM/setup"
printf 'add-on data, new\r\n' >"$MEDIUM/setup/pxclean.dat"
wine reg add 'HKLM\SOFTWARE\Norvale\Installed Products' /v "$GUID" /d 1 /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /v UninstallString \
  /d 'C:\Apps\pxclean.exe -datfile pxclean.dat' /f >/dev/null 2>&1
printer_ini 'pxnetadj.exe %sourcepath%x.inf' "1=Model X 100
[XRV.CDGUIDs]
1=$GUID"

# data_file N: the product's data file after N runs got past the registration.
data_file() {
  printf '%s\r\n1={PICTORA-CORE}\r\n' "$SECTION"
  local i
  for ((i = 2; i <= $1 + 1; i++)); do printf '%d=%s\r\n' "$i" "$ADDON"; done
}

# The machine as every row starts from.
reset_machine() {
  printerbed delete "Office A" >/dev/null
  printerbed printer "Office A" "LPT1:" "Model X 100" \
    id "Office A" "$ID_A" value "Office A" AiODDPnPWorked 0 >/dev/null
  wine reg delete 'HKLM\Software\Tarvik' /f >/dev/null 2>&1
  data_file 0 >"$DATA_FILE"
  printf 'add-on data, old\r\n' >"$HANDOFF"
  clear_records
  stop_tray
  start_tray
  start_service
}

# cut_run CUT: one run of the launcher (-ui quiet), cut as CUT says.
cut_run() {
  new_temp
  case $1 in
    at:*)
      local spec=${1#at:} hit="$E2E_WORK/hit.txt"
      rm -f "$hit"
      FK_PAT=${spec%%@*} FK_AFTER=$([[ $spec == *@* ]] && echo "${spec#*@}") FK_PROC=Setup.exe FK_HIT=$hit \
        LD_PRELOAD=$KILLAT RUN_ENV="WINEDEBUG=+relay" RUN_ERR="$E2E_WORK/relay.txt" run_setup "-ui quiet" 2>/dev/null
      grep -Fq -- "${spec%%@*}" "$hit" 2>/dev/null; ok $? "[$name] not cut at [$spec]"
      rm -f "$E2E_WORK/relay.txt" ;;
    plan)  # reports what an earlier run left stopped, and keeps the note
      run_setup "-ui plan"
      expect_line "** Plan: the tray program pxstatus.exe that an earlier run ended would be started again first"
      expect_line "** Plan: the service pxlinkd that an earlier run stopped would be started again first"
      wine reg query 'HKLM\Software\Tarvik\Setup' /v ProductStopped >/dev/null 2>&1
      ok $? "[$name] the plan run removed the note" ;;
    endtask | power)
      RUN_ENV="PRINTUI_TEST_SLEEP=4000" RUN_BACKGROUND=1 run_setup "-ui quiet"
      for _ in $(seq 1 300); do [ -n "$(printui_record)" ] && break; sleep 0.2; done
      expect_eq "[$name] printui started" 1 "$(printui_record | wc -l)"
      if [ "$1" = endtask ]; then
        printerbed kill Setup.exe
        for _ in $(seq 1 100); do [ "$(printerbed count rundll32.exe)" = 0 ] && break; sleep 0.2; done
      else
        stop_prefix
        wine wineboot >/dev/null 2>&1
      fi
      wait "$RUN_PID" 2>/dev/null ;;
  esac
  # Whatever the cut, neither data file is ever a part of itself.
  local data handoff
  data=$(head -c $(($(data_file 0 | wc -c))) "$DATA_FILE")
  expect_eq "[$name] the data file right after the cut begins as before" "$(data_file 0)" "$data"
  handoff=$(cat "$HANDOFF")
  [[ $handoff == $'add-on data, old\r' || $handoff == $'add-on data, new\r' ]]
  ok $? "[$name] the hand-off copy right after the cut: [$handoff]"
}

# Columns: name | cuts (";") | add-on keys in the data file at the end | lines the
# complete run writes (";"; "no:LINE": not written).
ROWS=(
  "End Task while printui runs|endtask|2|$TRAY_BACK;$SERVICE_BACK;no:## Office A restored as it was: an earlier run deleted it and ended before it came back"
  "after printui returns, before the identifier is written|at:Call KERNEL32.GetExitCodeProcess@printui.dll|2|$TRAY_BACK;$SERVICE_BACK"
  "inside the start-up recovery, after AddPrinterW|at:Ret  winspool.drv.DeletePrinter;at:Ret  winspool.drv.AddPrinterW|2|$TRAY_BACK;$SERVICE_BACK"
  "inside the data-file write|at:Call ntdll.NtWriteFile@Call KERNEL32.WritePrivateProfileStringW|1|no:$TRAY_BACK;no:$SERVICE_BACK"
  "inside the hand-off copy|at:Call ntdll.NtWriteFile@L\"setup\\\\pxclean.dat\"|2|no:$TRAY_BACK;no:$SERVICE_BACK"
  "while the service is stopped, then a plan run|at:Ret  advapi32.ControlService;plan|2|$TRAY_BACK;$SERVICE_BACK"
  "power cut while printui runs|power|2|$TRAY_BACK;$SERVICE_BACK;## Office A restored as it was: an earlier run deleted it and ended before it came back"
)

for row in "${ROWS[@]}"; do
  IFS='|' read -r name cuts keys lines <<<"$row"
  reset_machine
  IFS=';' read -r -a steps <<<"$cuts"
  for step in "${steps[@]}"; do cut_run "$step"; done
  new_temp
  run_setup "-ui quiet"
  expect_eq "[$name] exit code of the complete run" 3010 "$(run_exit_code)"
  IFS=';' read -r -a items <<<"$lines"
  for item in "${items[@]}"; do
    case $item in
      no:*) expect_no_line "${item#no:}" ;;
      *) expect_line "$item" ;;
    esac
  done
  dump=$(printerbed dump)
  grep -Fxq -- "$A_BACK" <<<"$dump"; ok $? "[$name] the queue is not [$A_BACK]: $dump"
  cmp -s <(data_file "$keys") "$DATA_FILE"; ok $? "[$name] data file: $(cat -A "$DATA_FILE")"
  cmp -s "$MEDIUM/setup/pxclean.dat" "$HANDOFF"; ok $? "[$name] hand-off copy: $(cat -A "$HANDOFF")"
  expect_eq "[$name] service" RUNNING "$(service_state)"
  expect_eq "[$name] tray programs" 1 "$(tray_count)"
  expect_eq "[$name] recovery key left" "HKEY_LOCAL_MACHINE\\Software\\Tarvik\\Setup" \
    "$(wine reg query 'HKLM\Software\Tarvik' /s 2>/dev/null | tr -d '\r' | grep . |
      grep -vE '^ +(LastExitCode|LastRunTime|LastLog|LastRunEntry|Installed) +REG_')"
  ls "$(dirname "$DATA_FILE")"/*.tarvik-new "$DRIVE_C"/Apps/*.tarvik-new >/dev/null 2>&1
  expect_eq "[$name] temporary file left" 2 "$?"
done

finish

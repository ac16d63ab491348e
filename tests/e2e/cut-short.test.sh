#!/usr/bin/env bash
# A run cut short at any point loses nothing. Each row puts the XP printer machine into
# the same state (queue "Office A" with its identifier and driver data, the tray program
# and the service running, the imaging product's data file, an older hand-off copy
# beside the uninstaller), cuts one or more runs, then runs the launcher once more to
# its end and checks: the queue with all its driver data, both data files byte for
# byte, the service and the tray program running, no record or note left (the recovery
# key holds only the run's outcome on record).
# Cuts: "at:PATTERN[@AFTER][#N]" kills the launcher just as its relay trace reaches
# PATTERN the Nth time (after a line holding AFTER): tests/tools/killat.c; "printui-at:..."
# kills the printui double (rundll32) that way, and the launcher goes on; "endtask" ends the
# launcher alone while printui runs (printui finishes on its own); "power" ends every
# process of the prefix at once while printui runs, then boots it; "plan" is a whole
# run with -ui plan, which changes nothing; "plant:folder" and "plant:link" put a folder,
# or a host-made link to another program's file, in the place of the temporary whose
# name the cut run recorded for the data file (Wine's ReplaceFileW works inside kernelbase:
# its steps show as ntdll calls, NtSetInformationFile for each rename).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"
. "$(dirname "$0")/lib-product.sh"

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
    at:* | printui-at:*)
      local spec=${1#*at:} hit="$E2E_WORK/hit.txt" count=1 proc=Setup.exe
      [[ $1 == printui-* ]] && proc=rundll32
      [[ $spec == *'#'* ]] && count=${spec##*#} && spec=${spec%#*}
      rm -f "$hit"
      FK_PAT=${spec%%@*} FK_AFTER=$([[ $spec == *@* ]] && echo "${spec#*@}") FK_N=$count FK_PROC=$proc FK_HIT=$hit \
        LD_PRELOAD=$KILLAT RUN_ENV="WINEDEBUG=+relay" RUN_ERR="$E2E_WORK/relay.txt" run_setup "-ui quiet" 2>/dev/null
      grep -Fq -- "${spec%%@*}" "$hit" 2>/dev/null; ok $? "[$name] not cut at [$spec]"
      if [[ $spec == *ReplaceFileW* ]]; then  # the new file is on disk before the old one is moved away
        grep -a -m1 -E ':Call KERNEL32\.(FlushFileBuffers|ReplaceFileW)\(' "$E2E_WORK/relay.txt" | grep -q FlushFileBuffers
        ok $? "[$name] the temporary is not flushed before ReplaceFileW"
      fi
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
    hold)  # no run: another program holds the data file open, without sharing, through the next run
      hold_file "$DATA_FILE_WIN"
      return ;;
    plant:*)  # no run: the recorded temporary's place is taken
      local temp
      temp=$(wine reg query 'HKLM\Software\Tarvik\Setup\ReplacedFiles' 2>/dev/null | tr -d '\r' |
        sed -n 's/.*REG_SZ *\([^|]*\)|.*/\1/p' | grep 'setup\\pxclean\.dat\.' | head -1)
      [ -n "$temp" ]; ok $? "[$name] no temporary recorded"
      [ -n "$temp" ] || return
      planted="$DRIVE_C/$(echo "${temp#C:\\}" | tr '\\' /)"
      planted_line="## The data file ${DATA_FILE_WIN} is left as it was: something that is not the setup's own stands at $temp (a folder or a link): it is left alone"
      rm -f "$planted"
      if [ "$1" = plant:folder ]; then mkdir "$planted"; else ln -s "$OTHER_FILE" "$planted"; fi
      return ;;
  esac
  # Whatever the cut, neither data file is ever a part of itself: a cut inside the
  # replacement leaves the old one whole under its recorded backup name.
  local data handoff data_now=$DATA_FILE handoff_now=$HANDOFF
  [ -e "$data_now" ] || data_now=$(ls "$DATA_FILE".*.tarvik-old 2>/dev/null | head -1)
  [ -e "$handoff_now" ] || handoff_now=$(ls "$HANDOFF".*.tarvik-old 2>/dev/null | head -1)
  data=$(head -c $(($(data_file 0 | wc -c))) "$data_now")
  expect_eq "[$name] the data file right after the cut begins as before" "$(data_file 0)" "$data"
  handoff=$(cat "$handoff_now")
  [[ $handoff == $'add-on data, old\r' || $handoff == $'add-on data, new\r' ]]
  ok $? "[$name] the hand-off copy right after the cut: [$handoff]"
}

DATA_FILE_WIN="C:\\Norvale\\Pictora\\$GUID\\setup\\pxclean.dat"
OTHER_FILE="$DRIVE_C/Other/settings.dat"
mkdir -p "$(dirname "$OTHER_FILE")"
REPLACE_DATA="Call ntdll.NtSetInformationFile@Call KERNEL32.ReplaceFileW"
DRIVER_WRITE='L"Printer Driver",00000000,00000001,'  # Wine's AddPrinterW writes the port before it
REFUSED="## Exit code 1603: a data file was not written: something that is not the setup's own stands in the way"

# Columns: name | cuts (";") | add-on keys in the data file at the end | lines the
# complete run writes (";"; "no:LINE": not written) | its exit code (3010 when empty).
ROWS=(
  "End Task while printui runs|endtask|2|$TRAY_BACK;$SERVICE_BACK;no:## Office A restored as it was: an earlier run deleted it and ended before it came back"
  "after printui returns, before the identifier is written|at:Call KERNEL32.GetExitCodeProcess@printui.dll|2|$TRAY_BACK;$SERVICE_BACK"
  "inside the start-up recovery, after AddPrinterW|at:Ret  winspool.drv.DeletePrinter;at:Ret  winspool.drv.AddPrinterW|2|$TRAY_BACK;$SERVICE_BACK"
  "inside the data-file write|at:Call ntdll.NtWriteFile@Call KERNEL32.WritePrivateProfileStringW|1|no:$TRAY_BACK;no:$SERVICE_BACK"
  "inside the hand-off copy|at:Call ntdll.NtWriteFile@L\"setup\\\\pxclean.dat\"|2|no:$TRAY_BACK;no:$SERVICE_BACK"
  "while the service is stopped, then a plan run|at:Ret  advapi32.ControlService;plan|2|$TRAY_BACK;$SERVICE_BACK"
  "power cut while printui runs|power|2|$TRAY_BACK;$SERVICE_BACK;## Office A restored as it was: an earlier run deleted it and ended before it came back"
  "inside the data file's replacement, before the old file is moved away|at:$REPLACE_DATA|1|no:$TRAY_BACK;** $DATA_FILE_WIN: what an earlier run cut short left while replacing it is removed"
  "inside the data file's replacement, after the old file is moved away|at:${REPLACE_DATA/Call /Ret  }|2|## $DATA_FILE_WIN was put in place whole: an earlier run was cut short while replacing it"
  "inside the data file's replacement, before the new file is moved in|at:$REPLACE_DATA#2|2|## $DATA_FILE_WIN was put in place whole: an earlier run was cut short while replacing it"
  "inside the replacement, then inside its recovery before MoveFileExW|at:$REPLACE_DATA#2;at:Call KERNEL32.MoveFileExW|2|## $DATA_FILE_WIN was put in place whole: an earlier run was cut short while replacing it"
  "inside the hand-off copy's replacement|at:Ret  ntdll.NtSetInformationFile@Apps\\\\pxclean.dat.|2|## C:\\Apps\\pxclean.dat was put in place whole: an earlier run was cut short while replacing it"
  "inside the start-up recovery's AddPrinterW, after the port, before the driver|at:Ret  winspool.drv.DeletePrinter;at:$DRIVER_WRITE@Call winspool.drv.AddPrinterW|2|$TRAY_BACK;$SERVICE_BACK;## Office A repaired as it was saved: a run cut short while creating it left it without its driver"
  "inside printui's AddPrinterW, after the port, before the driver|printui-at:$DRIVER_WRITE|2|no:$TRAY_BACK;no:$SERVICE_BACK"
  "the data file held open by another program|hold|0|## Writting Magic Keyword failed;no:## Successfully updated the  Magic Keyword in scrubber file"
  "a folder planted under the recorded temporary's name|at:Call KERNEL32.WritePrivateProfileStringW;plant:folder|0|$REFUSED|1603"
  "a link planted under the recorded temporary's name|at:Call KERNEL32.WritePrivateProfileStringW;plant:link|0|$REFUSED|1603"
)

for row in "${ROWS[@]}"; do
  IFS='|' read -r name cuts keys lines code <<<"$row"
  planted="" HOLD_PID=""
  reset_machine
  printf 'another program\r\n' >"$OTHER_FILE"
  IFS=';' read -r -a steps <<<"$cuts"
  for step in "${steps[@]}"; do cut_run "$step"; done
  new_temp
  run_setup "-ui quiet"
  expect_eq "[$name] exit code of the complete run" "${code:-3010}" "$(run_exit_code)"
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
  if [ -n "$planted" ]; then  # refused with its line, and left as it was
    expect_line "$planted_line"
    [ -d "$planted" ] || [ -L "$planted" ]; ok $? "[$name] what was planted is gone"
    expect_eq "[$name] the other program's file" "another program" "$(tr -d '\r' <"$OTHER_FILE")"
    rm -rf "$planted"
  fi
  ls "$(dirname "$DATA_FILE")"/*.tarvik-* "$DRIVE_C"/Apps/*.tarvik-* >/dev/null 2>&1
  expect_eq "[$name] temporary or backup file left" 2 "$?"
  [ -z "$HOLD_PID" ] || release_file
done

finish

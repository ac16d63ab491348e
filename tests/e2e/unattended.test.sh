#!/usr/bin/env bash
# Unattended mode: "-ui quiet" shows no window of the launcher's process at any time
# (runenv watches its visible top-level windows every 10 ms; the stand-in "pxprep"
# probes for dialogs too), ends with the installer exit codes and names the code in the
# log's last level-1 line, the Run entries' own exit codes included (a failing entry
# gives 1603 and is named, 1618 from an entry 1618, 3010 and 1641 3010); "-restart
# force" restarts, nothing else does; "-ui full" and no switch keep the dialogs and exit
# code 0, and only log an entry's failing exit code; a "-ui" or "-restart" not understood
# exactly ends the run before anything starts (1639); a system not listed gives 1633, an
# unreadable configuration 1619, a data file not handed to the uninstaller (started from
# another folder) 1603, in the plan too. At level 511 the Run step's trace of an entry
# that cannot start runs on into the next entry's, as it always has. A run without a window loads none of the window and
# shell DLLs (comctl32, shell32, ole32); one with a window loads the common controls of
# version 6 from the side-by-side store, and declares the process DPI aware before its
# first window (Wine's call trace shows it: under Wine every process is DPI aware from
# its start). A run without a window turns the system's error boxes off before it reads
# its first path, and starts its programs, batch files included, without a console
# window (CREATE_NO_WINDOW); a run with windows changes neither. A restart the system
# refuses is named in the last line, and the exit code stays 3010.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

start_display
use_prefix win32-win7
mainjob_medium
restart_marker

TEXT1='This system is not supported.\nThe setup ends.'
TEXT8='No printer driver package.\nInstall the driver first.'

# unattended_ini KIND: the medium's autorun.inf. job: a "pxprep" program and another
# one; bad-entry: a program that cannot be started, then one that can; slow: one
# program of 6 s; no-os: no system accepted; no-driver: no magic keyword found. Exit
# codes of the programs: fails: 1603, then 0; restarts: 3010 and 1641; busy: 1618,
# then 0; busy-bad: 1618, then a program that cannot be started; own-codes: 17 with
# its own success codes, then 5 with a list the launcher cannot read; codes-bad-entry:
# bad-entry with success codes for both; other-folder: the product's Uninstall entry
# names a data file, the medium has it, and the run starts from C:\; cut-codes: 1234
# with a list of 503 characters ending in 12345678 (the read cuts it to ...,1234).
unattended_ini() {
  local run
  case $1 in
    bad-entry) run=$'1=nosuch.exe --Missing\n2=testinst.exe --after' ;;
    slow) run=$'1=testinst.exe --sleep=6000' ;;
    fails) run=$'1=testinst.exe --Exit=1603\n2=testinst.exe --after' ;;
    restarts) run=$'1=testinst.exe --exit=3010\n2=testinst.exe --exit=1641' ;;
    busy) run=$'1=testinst.exe --exit=1618\n2=testinst.exe --after' ;;
    busy-bad) run=$'1=testinst.exe --exit=1618\n2=nosuch.exe --Missing' ;;
    own-codes) run=$'1=testinst.exe --exit=17\n1.SuccessCodes=1, 17\n2=testinst.exe --exit=5\n2.SuccessCodes=5;6' ;;
    codes-bad-entry) run=$'1=nosuch.exe --Missing\n1.SuccessCodes=5\n2=testinst.exe --after\n2.SuccessCodes=7' ;;
    other-folder) run=$'1=testinst.exe --after' ;;
    cut-codes) run="1=testinst.exe --exit=1234"$'\n'"1.SuccessCodes=$(printf '1,%.0s' {1..247}) 12345678" ;;
    batch) run=$'1=step.bat'
      printf '@echo off\r\ntestinst.exe --from-batch\r\n' >"$MEDIUM/step.bat" ;;
    *) run=$'1=pxprep.exe --probe=700 --sleep=1500\n2=testinst.exe --step=two' ;;
  esac
  {
    passing_ini_head "Main Job Test" TarvikMainJobKeyword
    printf '[English]\n1=%s\n2=Setup has finished\n3=Restart needed.\n4=No restart\n5=Click Finish.\n6=Finish\n8=%s\n[Run]\n%s\n' \
      "$TEXT1" "$TEXT8" "$run"
  } | write_ini "$MEDIUM/autorun.inf"
  case $1 in
    no-os) sed -i 's/^os_list=.*/os_list=999\r/' "$MEDIUM/autorun.inf" ;;
    no-driver) sed -i 's/^1=TarvikMainJobKeyword/1=NoSuchKeyword/' "$MEDIUM/autorun.inf" ;;
    other-folder)
      mkdir -p "$MEDIUM/setup" "$DRIVE_C/Program Files/Norvale/Pictora/Uninstall"
      printf '; the add-on data file\r\n' >"$MEDIUM/setup/pxclean.dat"
      uninstall_string "C:\\Program Files\\Norvale\\Pictora\\Uninstall\\pxclean.exe -datfile pxclean.dat" ;;
  esac
}

EXIT_DONE="** Exit code 3010: the Run list ran to its end; the computer must be restarted"
EXIT_NOT_STARTED="## Exit code 1603: a Run entry could not be started"
EXIT_OS="## Exit code 1633: this system is not in the configuration's list (message text 1): found Windows version 6.1, service pack 1.0, 32-bit; os_list allows 999"
EXIT_REFUSED="## Exit code 1639: the command line is not understood; nothing was changed"
REFUSED="## Command line not understood:"
REFUSED_END="(the run ends before any change)"
MORE_30=$(printf ' -x%.0s' $(seq 1 29))
EXIT_DRIVER="## Exit code 1603: no installed driver package was found (message text 8)"
QUIET_TEXT1="## This system is not supported. The setup ends."
QUIET_TEXT8="## No printer driver package. Install the driver first."
FAILED_1603="Run entry 1 ended with exit code 1603: testinst.exe --Exit=1603"

# The system texts after an exit code are what Wine 8 has for them: Windows has others.
# Columns: name | arguments | configuration | exit code | windows (visible top-level
# windows of the launcher: quiet 0; with the user interface the dialogs it showed) |
# last log line (every line is level 1: "-log 1") or "-" | another log line or "-"
# (two lines joined by " >> ": the second follows the first at once; the log writes
# characters beyond Latin-1 as "?") | the programs started, in order | the outcome on
# record: LastExitCode|Installed ("=": as before the run)|LastRunEntry, or "-": none
# written, the key as before, and no event.
ROWS=(
  "quiet job|-ui quiet -log 1|job|3010|0|$EXIT_DONE|-|pxprep.exe --probe=700 --sleep=1500,testinst.exe --step=two|3010|1|"
  "quiet, restart no, upper case|-UI QUIET -RESTART NO -log 1|bad-entry|1603|0|$EXIT_NOT_STARTED|## Run entry could not be started (error 2): nosuch.exe --Missing|testinst.exe --after|1603|0|Run entry 1: nosuch.exe --Missing"
  "quiet, unknown restart value|-ui quiet -restart later -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED -restart later: not a value of -restart: force or no $REFUSED_END||1639|=|command line"
  "quiet, system not accepted|-ui quiet -log 1|no-os|1633|0|$EXIT_OS|$QUIET_TEXT1||1633|=|system check"
  "plan, system not accepted|-ui plan -log 1|no-os|1633|0|$EXIT_OS|$QUIET_TEXT1||-"
  "plan, configuration unreadable|-ui plan -f c:\nosuch.inf -log 1|bad-entry|1619|0|## Exit code 1619: the configuration file c:\nosuch.inf could not be read|-||-"
  "quiet, restart force, no driver|-ui quiet -restart force -log 1|no-driver|1603|0|$EXIT_DRIVER|$QUIET_TEXT8||1603|0|driver package search"
  "full, restart force ignored|-ui full -restart force -log 1|job|0|2|-|** -restart force is used only with -ui quiet; the finish page decides|pxprep.exe --probe=700 --sleep=1500,testinst.exe --step=two|3010|1|"
  "full, batch entry|-log 1|batch|0|1|** Finish: the user declined the restart; the computer must be restarted|-|testinst.exe --from-batch|3010|1|"
  "unknown ui value: nothing runs, no window|-ui=plan -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED -ui=plan: its value is written after a blank: -ui VALUE $REFUSED_END||1639|=|command line"
  "/ui plan|/ui plan -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED /ui plan: the launcher's switches are written with the hyphen-minus - $REFUSED_END||1639|=|command line"
  "en dash|–ui plan -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED ?ui plan: the launcher's switches are written with the hyphen-minus - $REFUSED_END||1639|=|command line"
  "-ui -plan|-ui -plan -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED -ui: -ui needs a value: quiet, plan or full $REFUSED_END||1639|=|command line"
  "-ui plan and 30 more switches|-ui plan$MORE_30 -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED -ui plan: only the 30 right-most switches are read $REFUSED_END||1639|=|command line"
  "-ui quiet -ui plan|-ui quiet -ui plan -log 1|bad-entry|1639|0|$EXIT_REFUSED|$REFUSED -ui plan: -ui is given twice with different values $REFUSED_END||1639|=|command line"
  "full, entry fails|-log 1|fails|0|1|-|## $FAILED_1603 (Installation failure.)|testinst.exe --exit=1603,testinst.exe --after|1603|0|Run entry 1: testinst.exe --Exit=1603"
  "full, level 511, a start fails|-log 511|codes-bad-entry|0|1|-|Call CreateProcess with nosuch.exe --missing >> --> Enter RunApplication( testinst.exe --after)|testinst.exe --after|1603|0|Run entry 1: nosuch.exe --Missing"
  "no switch, no driver|-log 1|no-driver|0|1|-|-||1603|0|driver package search"
  "quiet, entry fails|-ui quiet -log 1|fails|1603|0|## Exit code 1603: $FAILED_1603|## $FAILED_1603 (Installation failure.)|testinst.exe --exit=1603,testinst.exe --after|1603|0|Run entry 1: testinst.exe --Exit=1603"
  "quiet, entries ask for a restart|-ui quiet -log 1|restarts|3010|0|$EXIT_DONE|-|testinst.exe --exit=3010,testinst.exe --exit=1641|3010|1|"
  "quiet, another installation|-ui quiet -log 1|busy|1618|0|## Exit code 1618: Run entry 1 ended with exit code 1618: testinst.exe --exit=1618|## Run entry 1 ended with exit code 1618: testinst.exe --exit=1618 (Installation already running.)|testinst.exe --exit=1618,testinst.exe --after|1618|0|Run entry 1: testinst.exe --exit=1618"
  "quiet, another installation and a failure|-ui quiet -log 1|busy-bad|1603|0|$EXIT_NOT_STARTED|## Run entry could not be started (error 2): nosuch.exe --Missing|testinst.exe --exit=1618|1603|0|Run entry 2: nosuch.exe --Missing"
  "quiet, batch entry|-ui quiet -log 1|batch|3010|0|$EXIT_DONE|-|testinst.exe --from-batch|3010|1|"
  "quiet, own success codes|-ui quiet -log 1|own-codes|1603|0|## Exit code 1603: Run entry 2 ended with exit code 5: testinst.exe --exit=5|## 2.SuccessCodes in [Run] is ignored: \"5;6\" is not a whole number|testinst.exe --exit=17,testinst.exe --exit=5|1603|0|Run entry 2: testinst.exe --exit=5"
  "plan from another folder|-ui plan -log 1|other-folder|1603|0|## Exit code 1603: the data file would not be handed to the uninstaller: setup\\pxclean.dat not found now|## The data file copy would fail: setup\\pxclean.dat not found now||-"
  "quiet from another folder|-ui quiet -log 1|other-folder|1603|0|## Exit code 1603: the data file could not be handed to the uninstaller: setup\\pxclean.dat to C:\\Program Files\\Norvale\\Pictora\\Uninstall\\pxclean.dat: Path not found.|-|testinst.exe --after|1603|0|data file copy"
  "quiet, own success codes cut by the read|-ui quiet -log 1|cut-codes|1603|0|## Exit code 1603: Run entry 1 ended with exit code 1234: testinst.exe --exit=1234|## 1.SuccessCodes in [Run] is ignored: it has 499 characters or more, and a longer value is cut short by the read|testinst.exe --exit=1234|1603|0|Run entry 1: testinst.exe --exit=1234"
)

# outcome_record: the outcome values of the launcher's recovery key,
# LastExitCode|Installed|LastRunEntry|LastRunTime|LastLog (numbers in decimal).
outcome_record() {
  local l name type data
  declare -A v=()
  while IFS= read -r l; do
    [[ $l =~ ^\ +([A-Za-z]+)\ +(REG_[A-Z_]+)\ *(.*)$ ]] || continue
    name=${BASH_REMATCH[1]} type=${BASH_REMATCH[2]} data=${BASH_REMATCH[3]}
    [ "$type" = REG_DWORD ] && data=$((data))
    v[$name]=$data
  done < <(wine reg query 'HKLM\SOFTWARE\Tarvik\Setup' 2>/dev/null | tr -d '\r')
  echo "${v[LastExitCode]:-}|${v[Installed]:-}|${v[LastRunEntry]:-}|${v[LastRunTime]:-}|${v[LastLog]:-}"
}

# wine_text TEXT: TEXT as Wine's traces quote a wide string (backslashes and quotes escaped).
wine_text() {
  local t=${1//\\/\\\\}
  t=${t//\"/\\\"} t=${t//$'\r'/\\r} t=${t//$'\n'/\\n}
  printf 'L"%s"' "$t"
}

COMCTL32_6='c:\windows\winsxs\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0.'  # ...\comctl32.dll
relay_only 'SetProcessDPIAware;CreateWindowExW;CreateWindowExA;SetErrorMode;GetPrivateProfileStringW;CreateProcessW'
# creation_flags FILE: the creation flags of each CreateProcessW call of the launcher.
creation_flags() {
  local pid
  pid=$(launcher_pid "$1")
  [ -n "$pid" ] && grep -a "^$pid:[0-9a-f]*:Call KERNEL32.CreateProcessW(" "$1" |
    sed 's/.*,\([0-9a-f]\{8\}\)\(,[0-9a-f]\{8\}\)\{4\}) ret=.*/\1/'
}
n=0
for row in "${ROWS[@]}"; do
  IFS='|' read -r name args ini code windows last line programs record <<<"$row"
  n=$((n + 1))
  unattended_ini "$ini"
  new_temp "$n"
  clear_records
  before=$(outcome_record)
  # A file of its own for each run: the prefix's own processes keep writing their trace
  # into the file of the run that started them.
  LOADDLL=$E2E_WORK/loaddll-$n.txt
  RUN_ENV="WINEDEBUG=+loaddll,+pid,+relay,+eventlog" RUN_ERR=$LOADDLL
  [ "$ini" = other-folder ] && RUN_CWD=$DRIVE_C
  if [ "$code" = 0 ]; then
    run_setup_closing "$args"  # closes each dialog with Esc: no restart
  else
    RUN_TIMEOUT=60 run_setup "$args"
  fi
  unset RUN_ENV RUN_ERR RUN_CWD
  expect_eq "$name: exit code" "$code" "$(run_exit_code)"
  dlls=$(launcher_dlls "$LOADDLL")
  [ -n "$dlls" ]; ok $? "$name: no module list of the launcher in $LOADDLL"
  if [ "$windows" = 0 ]; then
    expect_eq "$name: windows" "" "$(run_windows)"
    expect_eq "$name: comctl32, shell32, ole32 loaded" "" "$(grep -E '\\(comctl32|shell32|ole32)\.dll$' <<<"$dlls")"
  else
    expect_eq "$name: dialogs" "$windows" "$(run_windows | grep -c '^window|#32770|Main Job Test$')"
    comctl=$(grep -E '\\comctl32\.dll$' <<<"$dlls")
    [[ $comctl == "$COMCTL32_6"*'\comctl32.dll' ]]; ok $? "$name: comctl32 loaded: [$comctl], not version 6"
    expect_eq "$name: the call before the first window" SetProcessDPIAware \
      "$(launcher_calls "$LOADDLL" | grep -m1 -E '^(SetProcessDPIAware|CreateWindowEx[AW])$')"
  fi
  calls=$(launcher_calls "$LOADDLL")
  flags=$(creation_flags "$LOADDLL" | sort -u)
  if [ "$windows" = 0 ]; then
    expect_eq "$name: the call before the first configuration read" SetErrorMode \
      "$(grep -m1 -E '^(SetErrorMode|GetPrivateProfileStringW)$' <<<"$calls")"
    [ -z "$programs" ] || expect_eq "$name: creation flags (CREATE_NO_WINDOW)" 08000000 "$flags"
  else
    expect_eq "$name: error mode calls" "" "$(grep -x SetErrorMode <<<"$calls")"
    [ -z "$programs" ] || expect_eq "$name: creation flags" 00000000 "$flags"
  fi
  [ "$last" = - ] || expect_eq "$name: last log line" "$last" "$(log_lines | tail -n 1)"
  [ "$code" = 0 ] && { log_lines | grep -q '^.. Exit code'; ok $((!$?)) "$name: exit code line without -ui quiet"; }
  if [[ $line == *" >> "* ]]; then
    expect_eq "$name: the line after [${line%% >> *}]" "${line#* >> }" \
      "$(log_lines | grep -A1 -Fx -- "${line%% >> *}" | sed -n 2p)"
  elif [ "$line" != - ]; then
    expect_line "$line"
  fi
  expect_eq "$name: programs" "$programs" "$(record_lines start | cut -d'|' -f1 | paste -sd,)"
  [ ! -f "$DRIVE_C/restart-marker.txt" ]; ok $? "$name: restarted"
  after=$(outcome_record)
  events=$(sed -nE 's/^([0-9a-f]+:)+(err|trace):eventlog:ReportEventW /\2 /p
    s/^([0-9a-f]+:)+fixme:advapi:ReportEventW \([^,]*,(0x[0-9a-f]+),0x0000,(0x[0-9a-f]+),.*/type \2 id \3/p' "$LOADDLL")
  if [ "$record" = - ]; then
    expect_eq "$name: outcome on record" "$before" "$after"
    expect_eq "$name: events" "" "$events"
  else
    IFS='|' read -r rcode rinstalled rentry <<<"$record"
    [ "$rinstalled" = = ] && rinstalled=$(cut -d'|' -f2 <<<"$before")
    expect_eq "$name: outcome on record" "$rcode|$rinstalled|$rentry|$TEMP_WIN\\TarvikLangSetup000.log" \
      "$(cut -d'|' -f1-3,5 <<<"$after")"
    [[ $(cut -d'|' -f4 <<<"$after") =~ ^20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]Z$ ]]
    ok $? "$name: LastRunTime [$(cut -d'|' -f4 <<<"$after")]"
    kind=err; [ "$rcode" = 0 ] || [ "$rcode" = 3010 ] && kind=trace
    type=0x0001; [ "$kind" = trace ] && type=0x0004
    # A quiet run's last line; the interactive run's is the last before the finish page.
    eventline=$(log_lines | tail -n 1)
    if [ "$windows" != 0 ]; then
      eventline=$(sed -n 's/^[a-z]* L"\(.*\)\\r\\nLog: .*/\1/p' <<<"$events" | sed 's/\\\\/\\/g; s/\\"/"/g')
      expect_line "$eventline"
    fi
    expect_eq "$name: the event" "type $type id $(printf 0x%08x "$rcode")|$kind $(wine_text "$eventline"$'\r\n'"Log: $TEMP_WIN\\TarvikLangSetup000.log")" \
      "$(paste -sd'|' <<<"$events")"
  fi
  if [ "$windows" = 0 ] && [ "$ini" = job ]; then
    expect_eq "$name: dialogs the pxprep program saw" 0 "$(probe_dialogs 700)"
  fi
done
wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /v UninstallString /f >/dev/null 2>&1
expect_eq "message box text 8 (no switch)" "[No printer driver package.\\nInstall the driver first.]" \
  "$(dump_field 1 65535 text)"

# Without -ui quiet in a window station no one sees (a service's, where a deployment
# agent runs programs as SYSTEM): the run goes as -ui quiet would, instead of waiting
# for ever on its finish page.
unattended_ini job
new_temp 35
clear_records
RUN_OPTS=--hidden-station RUN_TIMEOUT=60 run_setup "-log 1"
expect_eq "hidden station: exit code" 3010 "$(run_exit_code)"
expect_eq "hidden station: the reason, then the exit line" \
  "## The window station is not visible, so no one can answer a window: running as -ui quiet|$EXIT_DONE" \
  "$(log_lines | grep -E '^(## The window station|.. Exit code)' | paste -sd'|')"
expect_eq "hidden station: programs" "pxprep.exe --probe=700 --sleep=1500,testinst.exe --step=two" \
  "$(record_lines start | cut -d'|' -f1 | paste -sd,)"

# A second copy while a quiet run is busy: 1618 at once; the first ends with 3010.
unattended_ini slow
new_temp 30
clear_records
RUN_BACKGROUND=1 RUN_OUT="$E2E_WORK/first.txt" run_setup "-ui quiet -log 1"
first=$RUN_PID
for i in $(seq 1 100); do [ -f "$MEDIUM/testinst-record.txt" ] && break; sleep 0.1; done
before=$(outcome_record)
RUN_TIMEOUT=60 run_setup "-ui quiet -log 1"
expect_eq "second copy: exit code" 1618 "$(run_exit_code)"
expect_eq "second copy: outcome on record" "$before" "$(outcome_record)"
expect_eq "second copy: windows" "" "$(run_windows)"
expect_sequence 1 "## Mutex exist: An instance of the same Application is running." \
  "## Exit code 1618: another instance of the setup is running"
expect_eq "second copy: last log line" "## Exit code 1618: another instance of the setup is running" \
  "$(log_lines 1 | tail -n 1)"
wait "$first"
expect_eq "first copy: exit code" 3010 "$(run_exit_code "$E2E_WORK/first.txt")"

# "-restart force" after the whole job: the exit line, then the restart (the RunOnce
# marker); Wine ends every process of the prefix, the launcher included.
unattended_ini job
new_temp 40
RUN_TIMEOUT=60 run_setup "-ui quiet -restart force -log 1"
restart_requested; ok $? "quiet, restart force: no restart"
expect_eq "quiet, restart force: windows" "" "$(run_windows)"
expect_eq "quiet, restart force: last log line" \
  "** Exit code 3010: the Run list ran to its end; restarting the computer (-restart force)" \
  "$(log_lines | tail -n 1)"

# A restart the system refuses (Wine's wineboot cannot start): 3010 all the same, and the
# last line gives the system's text. A process that waits for nothing holds the prefix
# up: its next start would run the RunOnce entries as a restart does.
(exec wine "$TEST_TOOLS_DIR/uidriver.exe" wait 600000 --title "no such window" >/dev/null 2>&1) &
sleep 2
restart_marker
cp "$DRIVE_C/windows/system32/wineboot.exe" "$E2E_WORK/wineboot.exe"
echo "not a program" >"$DRIVE_C/windows/system32/wineboot.exe"
new_temp 41
RUN_ENV="WINEDLLOVERRIDES=wineboot.exe=n" RUN_TIMEOUT=60 run_setup "-ui quiet -restart force -log 1"
cp "$E2E_WORK/wineboot.exe" "$DRIVE_C/windows/system32/wineboot.exe"
expect_eq "quiet, restart refused: exit code" 3010 "$(run_exit_code)"
expect_eq "quiet, restart refused: last log line" \
  "** Exit code 3010: the Run list ran to its end; the computer must be restarted; the restart (-restart force) was refused: Invalid function." \
  "$(log_lines | tail -n 1)"
restart_requested 15; ok $((!$?)) "quiet, restart refused: restarted"

finish

#!/usr/bin/env bash
# The demo: builds the launcher and its installation medium (build/windows-x86/medium/),
# prepares a fresh Wine prefix like a customer's machine, checks the medium's
# autorun.inf with the medium's own setupcheck.exe, prints what "Setup.exe -ui plan" says
# the setup would do on this machine (a run that changes nothing), then runs Setup.exe
# from the medium under a private Xvfb display and clicks through it like a user: photographs the
# progress dialog and the finish page, ticks "no restart" and presses Finish. Ends with a
# short report: the checks that passed, the programs that ran, what changed on the
# machine, where the log and the screenshots are. Exit code 0 when every check passed.
#
#   bash scripts/run-example.sh             Windows XP SP3, 32-bit (the printer update runs)
#   bash scripts/run-example.sh --win7-64   Windows 7 SP1, 64-bit
#   bash scripts/run-example.sh --win10     Windows 10, 32-bit (it stands in for 11 too:
#   bash scripts/run-example.sh --win10-64  Windows 10, 64-bit  both report 6.2 to the launcher)
#   bash scripts/run-example.sh --quiet     unattended, as a deployment tool starts it:
#                                           "Setup.exe -ui quiet" (no window; exit code 3010)
#
# The customer's machine: the printer driver package's INF copy in %windir%\inf, the
# imaging product installed under C:\Program Files\Norvale\ (C:\Program Files (x86)\ on
# 64-bit Windows) with its installed disc, the disc's uninstaller data file and its
# Uninstall entry, two printer queues of a driver the medium lists (one on a USB port),
# the product's tray program and its device service running. The medium's installer
# programs (pxprep.exe, addon-setup.exe) and the system's printui are stand-ins that
# record how they were started.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
kind=win32-winxp system="Windows XP SP3, 32-bit" syswow=system32 view32="" view64="" os_entry=501 programs='Program Files'
quiet=0
for arg in "$@"; do
  case "$arg" in
    --win7-64) kind=win64-win7 system="Windows 7 SP1, 64-bit" syswow=syswow64 view32=32 view64=64 os_entry=601_64 programs='Program Files (x86)' ;;
    --win10) kind=win32-win10 system="Windows 10, 32-bit" os_entry=602 ;;
    --win10-64) kind=win64-win10 system="Windows 10, 64-bit" syswow=syswow64 view32=32 view64=64 os_entry=602_64 programs='Program Files (x86)' ;;
    --quiet) quiet=1 ;;
    *) echo "usage: $0 [--win7-64|--win10|--win10-64] [--quiet]" >&2; exit 2 ;;
  esac
done
bash scripts/setup.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86

export TEST_BUILD_DIR=$root/build/windows-x86 TEST_SOURCE_DIR=$root
export TEST_TOOLS_DIR=$TEST_BUILD_DIR/tools SETUP_EXE=$TEST_BUILD_DIR/Setup.exe OBJDUMP=i686-w64-mingw32-objdump
suffix=$(echo "$*" | tr -d '-' | tr ' ' '-')
out=$TEST_BUILD_DIR/example${suffix:+-$suffix}
[ -d "$out" ] && find "$out" -maxdepth 2 -name 'prefix-*' -exec env WINEPREFIX={} wineserver -k \; 2>/dev/null
rm -rf "$out" && mkdir -p "$out"
export TMPDIR=$out KEEP_E2E_WORK=1  # the prefix lives under $out and stays for a look
set +e +u
. tests/e2e/lib.sh
. tests/e2e/lib-mainjob.sh
. tests/e2e/lib-printers.sh
. tests/e2e/lib-product.sh
medium_src=$TEST_BUILD_DIR/medium
# ini_value SECTION KEY: a value of the medium's autorun.inf.
ini_value() {
  tr -d '\r' <"$medium_src/autorun.inf" | awk -v s="[$1]" -v k="$2" '
    /^\[/ { inside = ($0 == s); next }
    inside && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }'
}
caption=$(ini_value Version WindowCaption)
uninstall_key=$(ini_value Version UninstallKey)
cd_guid=$(ini_value XRV.CDGUIDs 1)
driver=$(ini_value UpdateDrivers 1)
export MAINJOB_TITLE=$caption

REPORT_FAILED=0
check() {  # check CONDITION-EXIT-CODE TEXT: one line of the report's checks
  if [ "$1" -eq 0 ]; then echo "  [ok]   $2"; else echo "  [FAIL] $2"; REPORT_FAILED=1; fi
}

echo "==== Preparing a customer's machine: $system"
start_display
use_prefix "$kind"
unmanaged_windows
echo "Wine prefix: $WINEPREFIX"

# The installed driver package: Windows keeps a UTF-16 copy of its INF file.
add_oem_inf oem7.inf "$(tr -d '\r' <"$medium_src/drivers/tarvikdrv.inf")"

# The imaging product: install folder (32-bit registry view), installed disc (native
# view), the disc's uninstaller data file, the uninstaller with its Uninstall entry.
install_win="C:\\$programs\\Norvale\\"
pictora="$DRIVE_C/$programs/Norvale/Pictora"
pictora_win="${install_win}Pictora"
data_file="$pictora/$cd_guid/setup/pxclean.dat"
mkdir -p "$pictora/$cd_guid/setup" "$pictora/Uninstall" "$pictora/Bin"
reg_add 'HKLM\SOFTWARE\Norvale\Pictora' InstallFolder "$install_win" REG_SZ "$view32"
reg_add 'HKLM\SOFTWARE\Norvale\Installed Products' "$cd_guid" "Pictora 8" REG_SZ "$view64"
printf '[Scrubber.FileUninstaller.MagicKeywords]\r\n1={3B6F0D2C-9E41-4A7B-8C15-D2E4F6A80B13}\r\n2={A41C7E95-2D08-4F6B-B3A9-5E7D1C0F2864}\r\n' >"$data_file"
cp "$TEST_TOOLS_DIR/testinst.exe" "$pictora/Uninstall/pxclean.exe"
entry="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$uninstall_key"
reg_add "$entry" DisplayName "Norvale Pictora" REG_SZ "$view32"
# Quoted, as an uninstaller under "Program Files" is registered on a real machine.
reg_add "$entry" UninstallString "\"$pictora_win\\Uninstall\\pxclean.exe\" -datfile pxclean.dat" REG_SZ "$view32"

# The product's tray program and device service, running.
cp "$TEST_TOOLS_DIR/pxstatus.exe" "$TEST_TOOLS_DIR/pxlinkd.exe" "$pictora/Bin/"
wine sc create pxlinkd binPath= "\"$pictora_win\\Bin\\pxlinkd.exe\"" >/dev/null 2>&1
wine sc start pxlinkd >/dev/null 2>&1
wine "$TEST_TOOLS_DIR/printerbed.exe" spawn "\"$pictora_win\\Bin\\pxstatus.exe\"" >/dev/null 2>&1

# Two queues of the listed driver, one on a USB port, each with its device identifier.
printerbed driver "$driver" \
  printer "Tarvik Desk" "USB001" "$driver" id "Tarvik Desk" "TARVIK-DESK-0C42" \
  printer "Tarvik Office" "LPT1:" "$driver" id "Tarvik Office" "TARVIK-OFFICE-7F31" \
  value "Tarvik Office" AiODDPnPWorked 0 >/dev/null

# The system's printui: the stand-in replaces rundll32.exe in the system folder.
cp "$TEST_TOOLS_DIR/rundll32.exe" "$DRIVE_C/windows/$syswow/rundll32.exe"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rundll32.exe=n"

# The medium, copied as it is, plus stand-ins of the installer programs it names.
MEDIUM="$DRIVE_C/TarvikAddon" MEDIUM_WIN='C:\TarvikAddon'
cp -r "$medium_src" "$MEDIUM"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/addon-setup.exe"

sleep 1
queues_before=$(printerbed dump)
keys_before=$(data_file_keys "$data_file")
restart_marker

# The whole report goes to a file; the screen shows the plan for this system.
echo "==== 1. The configuration checker: $MEDIUM_WIN\\setupcheck.exe autorun.inf"
(cd "$MEDIUM" && wine setupcheck.exe autorun.inf) 2>/dev/null | tr -d '\r' >"$out/setupcheck.txt"
check_rc=${PIPESTATUS[0]}
(cd "$MEDIUM" && wine setupcheck.exe --os "$os_entry" autorun.inf) 2>/dev/null | tr -d '\r' | tee "$out/setupcheck-plan.txt"

echo "==== 2. The plan on this machine: $MEDIUM_WIN\\Setup.exe -ui plan (changes nothing)"
new_temp plan
RUN_OUT="$out/plan-runenv.txt" run_setup "-ui plan"
plan_rc=$(run_exit_code "$out/plan-runenv.txt")
cp "$(log_path 0)" "$out/plan.log"
log_lines | sed -n 's/^\*\* Plan: /  /p' | tee "$out/plan.txt"
echo "  $(log_lines | tail -n 1)"
plan_changed=""
[ "$(printerbed dump)" = "$queues_before" ] || plan_changed+=" queues"
[ "$(data_file_keys "$data_file")" = "$keys_before" ] || plan_changed+=" data-file"
[ -e "$pictora/Uninstall/pxclean.dat" ] && plan_changed+=" copy"
[ -e "$MEDIUM/testinst-record.txt" ] && plan_changed+=" programs"

echo "==== 3. The launcher: $MEDIUM_WIN\\Setup.exe"
new_temp 0
if [ "$quiet" = 1 ]; then
  RUN_ENV="TESTINST_SLEEP=5000" run_setup "-ui quiet"
  run_rc=$(run_exit_code)
  echo "--- unattended: windows of the launcher: $(run_windows | wc -l); exit code $run_rc"
else
  RUN_ENV="TESTINST_SLEEP=5000" RUN_BACKGROUND=1 run_setup ""
  if uidriver wait 30000 --title "$caption" >/dev/null; then
    sleep 3
    uidriver dump --title "$caption" >"$out/progress-dialog.txt"
    screenshot "$out/progress-dialog.png"
    echo "--- progress dialog:"
    tr -d '\r' <"$out/progress-dialog.txt"
  fi
  if wait_finish_page 90; then
    sleep 1  # past the page's brief topmost phase
    echo "--- finish page, \"no restart\" ticked:"
    uidriver check 1016 --title "$caption" >/dev/null
    sleep 0.5
    uidriver dump --title "$caption" >"$out/finish-page.txt"
    screenshot "$out/finish-page.png"
    tr -d '\r' <"$out/finish-page.txt"
    echo "--- pressing Finish"
    uidriver click 1001 --title "$caption" >/dev/null
  fi
  wait "$RUN_PID"
  run_rc=$?
fi
sleep 1
log=$(log_path 0)
cp "$log" "$out/"
line() { log_lines | grep -m1 -E "$1"; }

echo
echo "==== Demo report: $system"
echo "Checks passed:"
check $((plan_rc != 0)) "Setup.exe -ui plan ended with exit code $plan_rc (0: the setup would reach its end) and no window ($(run_windows "$out/plan-runenv.txt" | wc -l))"
check $((${#plan_changed} != 0)) "the plan run changed nothing (queues, data file, copy, programs)${plan_changed:+: changed:$plan_changed}"
check $((check_rc != 0)) "setupcheck: the medium's autorun.inf is clean: $(grep -m1 '^Findings' "$out/setupcheck.txt") (exit code $check_rc)"
os=$(line '^Valid OS found')
check $((${#os} == 0)) "system accepted: ${os:-no}; $(line '^Service Pack Version')"
found=$(line '^\*\* Magic key word')
check $((${#found} == 0)) "driver package found: ${found#\*\* }"
registered=$(line 'Magic Keyword in scrubber file|Writting Magic Keyword')
check $([[ $registered == *Successfully* ]]; echo $?) "product registration: ${registered#\#\# }"
if [ "$quiet" = 1 ]; then
  check $((run_rc != 3010)) "Setup.exe -ui quiet ended with exit code $run_rc (3010: done, restart needed)"
  check $(($(run_windows | wc -l) != 0)) "no window of the launcher at any time"
else
  check $((run_rc != 0)) "Setup.exe ended with exit code $run_rc"
fi
restart_requested 10
check $((!$?)) "no restart ($([ "$quiet" = 1 ] && echo "no -restart force" || echo "Finish with the box ticked"))"

predicted=$(sed -n 's/^    [0-9]*\. //p' "$out/setupcheck-plan.txt" | grep -v '^printer update')
started=$(records | awk -F'|' '$1 == "start" { print $2 }')
[ -n "$started" ] && [ "$predicted" = "$started" ]
check $? "the programs that ran are the ones setupcheck's plan for $os_entry names"
planned=$(sed -n 's/^  Run entry [0-9]*: \(.*\): starts .*/\1/p' "$out/plan.txt")
[ -n "$started" ] && [ "$planned" = "$started" ]
check $? "the programs that ran are the ones Setup.exe -ui plan named on this machine"
echo "Programs run, in order:"
records | awk -F'|' -v quiet="$quiet" '$1 == "start" { print "  " $2 "   (current directory " $3 ($2 ~ /pxprep/ && !quiet ? "; progress dialog)" : ")") }'
not_xp=$(line '^\*\* OS is not XP')
if [ -n "$not_xp" ]; then
  echo "  printer update (pxnetadj.exe entry): skipped: $not_xp"
else
  echo "  printer update (pxnetadj.exe entry), the queue changes in the log:"
  log_lines | grep '^!! ' | sed 's/^/    /'
fi
printui=$({ tr -d '\r' <"$DRIVE_C/windows/$syswow/rundll32.txt"; } 2>/dev/null | grep -c .)
echo "  printui (the system's rundll32.exe, a stand-in here): started $printui times"
{ tr -d '\r' <"$pictora/Bin/pxstatus.txt"; } 2>/dev/null | sed -n '2,$s/^/  tray program: /p'

echo "What changed on the machine:"
keys_after=$(data_file_keys "$data_file")
added=$(comm -13 <(echo "$keys_before" | sort) <(echo "$keys_after" | sort))
check $((${#added} == 0)) "uninstaller data file $pictora_win\\$cd_guid\\setup\\pxclean.dat: key added: ${added:-none}"
copied="$pictora/Uninstall/pxclean.dat"
cmp -s "$medium_src/setup/pxclean.dat" "$copied"
check $? "add-on data file copied to $pictora_win\\Uninstall\\pxclean.dat (Uninstall entry $uninstall_key)"
queues_after=$(printerbed dump)
echo "  printer queues (name|port|driver|device identifier|AiODDPnPWorked|driver-data values):"
echo "    before: ${queues_before//$'\n'/$'\n'            }"
echo "    after:  ${queues_after//$'\n'/$'\n'            }"
if [ "$kind" = win32-winxp ]; then
  [[ $queues_after == *"Tarvik Office|LPT1:|$driver|TARVIK-OFFICE-7F31|1|"* && $queues_after == *"Tarvik Desk|USB001|$driver|TARVIK-DESK-0C42|-|"* ]]
  check $? "queue Tarvik Office re-created with its identifier and AiODDPnPWorked=1; USB queue Tarvik Desk left alone"
else
  [ "$queues_before" = "$queues_after" ]
  check $? "queues unchanged (the printer update is for Windows XP only)"
fi
tray=$(printerbed count pxstatus.exe)
check $((tray != 1)) "tray program pxstatus.exe running ($tray process; started $(grep -c '^started ' "$pictora/Bin/pxstatus.txt") times)"
state=$(service_state)
check $([ "$state" = RUNNING ]; echo $?) "service pxlinkd $state (record: $(tr '\n' ' ' <"$pictora/Bin/pxlinkd.txt" | sed 's/ $//'))"

echo "Log: $log"
echo "     (copied to $out/$(basename "$log"))"
echo "Checker output: $out/setupcheck.txt"
[ "$quiet" = 1 ] || echo "Screenshots: $out/progress-dialog.png $out/finish-page.png"
echo "Wine prefix (kept): $WINEPREFIX"
exit "$REPORT_FAILED"

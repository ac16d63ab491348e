#!/usr/bin/env bash
# The configuration checker against the launcher: for each configuration and system,
# the command lines setupcheck predicts for the accepted os_list entry are exactly the
# ones the launcher starts, in order, its printer-update entries are exactly the
# entries the launcher hands to the printer update, and as many progress dialogs show
# as it marks programs for one.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

CHECKER_EXE=$(dirname "$SETUP_EXE")/setupcheck.exe
start_display

# Variants that replace entries but cannot add any, a gap, %sourcepath%, letter case,
# pxprep in two spellings and the printer update in both platform lists.
config_variants() {
  cat <<'INI'
[Run]
1=TestInst.exe --Plain-One
2=pxprep.exe --sleep=1500
3=%sourcepath%testinst.exe
4=pxnetadj.exe %sourcepath%drivers\printer.inf
6=testinst.exe --after-gap
[Run.501]
3=testinst.exe --XP-Three
5=testinst.exe --beyond-the-list
[Run.x64]
1=testinst.exe --x64-one
2=PXNETADJ.EXE "c:\drivers\printer.inf"
3=PxPrep.exe --sleep=1500
[Run.x64.601_64]
1=testinst.exe --Win7-64
[UpdateDrivers]
1=Tarvik Demo Printer
INI
}

# Odd os_list entries in front of the real ones, arguments behind %sourcepath% (a path
# that cannot start), a command line longer than 260 characters.
config_odd() {
  cat <<INI
[OS_Support.501]
ServicePack_MajorVersion=2
[Run]
1=testinst.exe --pad=$(printf 'p%.0s' $(seq 1 280))
2=%sourcepath%testinst.exe --args-inside
[Run.x64]
1=%sourcepath%testinst.exe --args-inside
2=testinst.exe --last
INI
}

# What the launcher did, from its log: start|COMMAND LINE for each process start,
# update|ENTRY (lower-cased) for each entry handed to the printer update.
launcher_actions() {
  log_lines | awk '
    index($0, "--> Enter RunApplication( ") == 1 { entry = substr($0, 27, length($0) - 27) }
    index($0, "Call CreateProcess with ") == 1 { print "start|" substr($0, 25) }
    $0 == ">> Stating UpdateDriver Plug-in" { print "update|" tolower(entry) }'
}

# What the checker predicts for ENTRY, in the same form; with "dialogs", the number of
# programs that run with the progress dialog.
checker_actions() {
  wine "$CHECKER_EXE" --json --os "$1" "$MEDIUM_WIN\\autorun.inf" 2>/dev/null | python3 -c '
import json, sys
plan = json.load(sys.stdin)["plan"][0]
for p in plan["programs"]:
    line = p["commandLine"].replace("<medium>", sys.argv[1])
    if sys.argv[2] != "dialogs":
        print(("update|" if p["printerUpdate"] else "start|") + line)
if sys.argv[2] == "dialogs":
    print(sum(p["progressDialog"] for p in plan["programs"]))' "${MEDIUM_WIN,,}" "${2:-}"
}

crosscheck() {  # crosscheck NAME CONFIG-FUNCTION [OS-LIST]
  mainjob_ini < <(${2})
  [ -n "${3:-}" ] && sed -i "s/^os_list=.*/os_list=$3\r/" "$MEDIUM/autorun.inf"
  new_temp
  clear_records
  run_setup_closing ""
  local entry
  entry=$(log_lines | sed -n 's/^Valid OS found. OS: //p')
  [ -n "$entry" ]; ok $? "$1: the launcher accepted no entry"
  local predicted actual
  predicted=$(checker_actions "$entry")
  actual=$(launcher_actions)
  expect_eq "$1 ($entry): predicted actions" "$predicted" "$actual"
  [ -n "$actual" ]; ok $? "$1: the launcher did nothing"
  # run_setup_closing saved every dialog it closed: the progress dialogs say "Copying ...".
  expect_eq "$1: progress dialogs" "$(checker_actions "$entry" dialogs)" \
    "$(grep -l '^control id=1013 .*text=\[Copying' "$E2E_WORK"/dialog-*.txt 2>/dev/null | wc -l)"
  # Every predicted start of an existing program really ran, with that command line.
  expect_eq "$1: recorded starts" "$(printf '%s\n' "$predicted" | sed -n 's/^start|\(testinst\|pxprep\)/\1/p')" \
    "$(record_lines start | cut -d'|' -f1 | grep -v '^"')"
}

for kind in win32-winxp win64-win7; do
  use_prefix "$kind"
  mainjob_medium
  mkdir -p "$MEDIUM/drivers"
  printf '[Version]\r\nSignature="$Windows NT$"\r\n' >"$MEDIUM/drivers/printer.inf"
  crosscheck "$kind variants" config_variants
  crosscheck "$kind odd entries" config_odd "601_X64, 600,501,602_64,601_64,501_64"
  stop_prefix
done

finish

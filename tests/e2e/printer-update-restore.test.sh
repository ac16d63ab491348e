#!/usr/bin/env bash
# The printer update never loses a queue on Windows XP: a queue that printui does not
# bring back (it fails, or installs it elsewhere) is created again as it was, with its
# driver data; a queue that cannot be restored is reported lost (exit code 1603 with
# -ui quiet) and keeps its record; a run killed while printui installs leaves a record
# in HKLM from which the next run restores the queue (a plan run before it restores
# nothing); a record for a queue that exists again is removed; a second run while
# printui installs ends with 1618 and leaves the first run's record alone, even when an
# event holds the mutex's name (the machine-wide lock keeps it out); a queue whose record
# cannot be written is left alone, and with -ui quiet the run ends with 1603; the record
# reaches the disk before the queue is deleted; keys the running user owns (as Windows
# XP makes them) are used and given to Administrators; keys Power Users own are taken
# over, what they held quarantined and never acted on; the note of the stopped tray
# program and service reaches the disk before the queue is deleted too, and a run
# without the printer update still brings back what a killed run left and then clears
# the note. The rows run in order, each on what the one before left.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"
. "$(dirname "$0")/lib-product.sh"

printers_prefix win32-winxp

ID_A='USB\VID_1234&PID_5678\A1'
printerbed driver "Model X 100" driver "Model Y" driver "Model S" driver "Other Model" \
  printer "Office A" "LPT1:" "Model X 100" \
  printer "Office B" "IP_10.0.0.7" "Model Y" \
  printer "Other" "LPT3:" "Other Model" \
  printer "Solo" "LPT4:" "Model S" \
  id "Office A" "$ID_A" value "Office A" AiODDPnPWorked 0 value "Office A" Marker 7 \
  id "Solo" "ID-SOLO" >/dev/null
OTHER="Other|LPT3:|Other Model|-|-|-"
A_BACK="Office A|LPT1:|Model X 100|$ID_A|1|3"   # its three values, AiODDPnPWorked set by the update
B_BACK="Office B|IP_10.0.0.7|Model Y|-|-|-"     # it had no driver data, nor has it now
RECORD_PATH='SOFTWARE\Tarvik\Setup\SavedPrinterQueues'
RECORD_KEY="HKLM\\$RECORD_PATH"
SETUP_PATH='SOFTWARE\Tarvik\Setup'
EXIT_LOST="## Exit code 1603: a printer queue was lost: it could not be restored"
EXIT_LEFT_ALONE="## Exit code 1603: printer queue Office A was left alone: its definition could not be saved"
NOT_ADMIN="is not trusted: its owner S-1-5-32-547 is neither SYSTEM nor an administrator"
TAKEN_OVER="it is taken over, and what it held is kept in its subkey Quarantine"
RESTORED_LATER="restored as it was: an earlier run deleted it and ended before it came back"
# Office A set up the way offices set queues up; Office B has no settings at all.
A_SETTINGS='settings "Office A" "Second floor, next to the kitchen" "Room 201" OFFICE 7 2 default "Office A"'
# The data type is printui's own (the bed's queues have RAW): the settings put back after
# printui leave it, and a queue made again from its record has it as printui made it.
# Once the bed makes the queue by hand, RAW stays: the recovery leaves it too.
A_SHOW="show:Office A|Second floor, next to the kitchen|Room 201|OFFICE|7|2|default|NT EMF 1.008"
A_SHOW_BED="${A_SHOW%|*}|RAW"
A_PUT_BACK="comment, location, share OFFICE, priority 7, preferences, default printer"
B_SHOW="show:Office B|||-|0|0|-|NT EMF 1.008"

# record_names: the queues that have a record; "none" when not even the record key is
# left (the recovery key above it keeps the run's outcome on record).
record_names() {
  if ! wine reg query "$RECORD_KEY" >/dev/null 2>&1; then echo none; return; fi
  wine reg query "$RECORD_KEY" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)    REG_BINARY    .*/\1/p' | sort | paste -sd,
}

# flushed_before_delete TRACE VALUE: in Wine's call trace, the key that VALUE (a queue's
# record, or the note of the stopped programs) was written through is flushed before it
# is closed and before the first DeletePrinter.
flushed_before_delete() {
  awk -v value="L\"$2\",00000000," '
    /:Call [^ ]*RegSetValueExW\(/ && index($0, value) { split($0, a, /[(,]/); key = a[2] }
    key != "" && /:Call [^ ]*RegFlushKey\(/ && index($0, "(" key ")") { flushed = 1 }
    key != "" && !flushed && /:Call [^ ]*RegCloseKey\(/ && index($0, "(" key ")") { key = "" }
    /:Call [^ ]*DeletePrinter\(/ { exit }
    END { exit !flushed }' "$1"
}

# queue_record_hex NAME PORT DRIVER PROCESSOR: a record as the first version wrote it
# (no driver data), as hex for "reg add /t REG_BINARY".
queue_record_hex() {
  local text n hex=54515231  # "TQR1"
  for text in "$1" "$2" "$3" "$4" RAW "" "" ""; do
    n=${#text}
    hex+=$(printf '%02x%02x0000' $((n & 255)) $((n >> 8)))
    hex+=$(printf '%s' "$text" | iconv -t UTF-16LE | od -An -tx1 | tr -d ' \n')
  done
  echo "${hex}0000000000000000"
}

# unusable_record_first NAME: the unusable record "Broken" (no print processor) comes
# before the record of NAME, which is written again after it.
unusable_record_first() {
  local good
  good=$(wine reg query "$RECORD_KEY" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^    $1    REG_BINARY    //p")
  wine reg delete "$RECORD_KEY" /v "$1" /f >/dev/null 2>&1
  wine reg add "$RECORD_KEY" /v Broken /t REG_BINARY /d "$(queue_record_hex Broken LPT5: "Model S" "")" /f >/dev/null 2>&1
  wine reg add "$RECORD_KEY" /v "$1" /t REG_BINARY /d "$good" /f >/dev/null 2>&1
}

# user_keys: both keys given to the running user, as Windows XP makes them; a value of
# someone else's keeps the recovery key after the run.
user_keys() {
  wine reg add "HKLM\\$SETUP_PATH" /v Other /t REG_DWORD /d 1 /f >/dev/null 2>&1
  printerbed owner "$SETUP_PATH" user owner "$RECORD_PATH" user >/dev/null
}

# foreign_keys: a record of a queue that never existed planted beside the real one, and
# both keys given to Power Users.
foreign_keys() {
  wine reg add "$RECORD_KEY" /v Planted /t REG_BINARY /d "$(queue_record_hex Planted LPT5: "Model S" WinPrint)" /f >/dev/null 2>&1
  printerbed owner "$SETUP_PATH" powerusers owner "$RECORD_PATH" powerusers >/dev/null
}

owner_is() { [ "$(printerbed ownerof "$1")" = "$2" ]; }
last_line_is() { [ "$(log_lines 0 | tail -n 1)" = "$1" ]; }
quarantined() { wine reg query "$RECORD_KEY\\Quarantine" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)    REG_BINARY    .*/\1/p' | sort | paste -sd,; }

# Columns: name | printerbed commands first ("sh:" a shell command instead) | printui
# double's settings (RUN_ENV) | how the launcher runs: full (Esc on every dialog), quiet
# (-ui quiet), kill (ended with the prefix once printui has started), overlap (as kill,
# with an event of the mutex's name held throughout and a second run "-ui quiet" while
# printui runs; the exit code column is the second run's), plan (-ui plan), unsaved
# (-ui quiet while the record key is volatile: Wine refuses the record below it; no
# printui call) or traced (-ui quiet with Wine's call trace: the record and the note of
# the stopped programs flushed before the delete) | listed drivers | exit code ("-":
# not looked at) | log lines in this order (";"), "no:LINE": no such line, "re:REGEX": a line matches, "no:re:REGEX": no
# line matches, "sh:COMMAND": a check that must succeed | queues (";"): a dump line that must be there, "no:TEXT": no dump line
# holds TEXT, "show:LINE": the settings of a queue (printerbed show) | records left.
ROWS=(
  "printui fails for both queues||PRINTUI_TEST_EXIT=3|full|Model X 100,Model Y|0|## printui for Office A: exit code 3;## Office A restored as it was: printui did not install it again (exit code 3);Updating new printer with DeviceInstanceID : $ID_A;## printui for Office B: exit code 3;## Office B restored as it was: printui did not install it again (exit code 3);** Starting Trayapp;<< End of UpdateDriver Plug-in|$A_BACK;$B_BACK;Solo|LPT4:|Model S|ID-SOLO|-|1|none"
  "printui installs it on another port||PRINTUI_TEST_PORT=LPT9:|full|Model X 100|0|!! Printer deleted   : Office A;!! Printer Added  : rundll32 printui.dll,PrintUIEntry /if /b \"Office A\" /f \"c:\\media\\x.inf\" /r \"LPT1:\" /m \"Model X 100\" returns with 0;!! Printer deleted   : Office A;## Office A restored as it was: printui installed it on another port or with another driver (exit code 0);no:## printui for Office A: exit code 0|$A_BACK;no:LPT9:|none"
  "quiet: printui fails and the driver is gone||PRINTUI_TEST_EXIT=3 PRINTUI_TEST_DROP_DRIVER=1|quiet|Model S|1603|## printui for Solo: exit code 3;re:^## Solo is lost: printui did not install it again \\(exit code 3\\) and restoring it failed: .+;$EXIT_LOST|no:Solo|;$A_BACK|Solo"
  "quiet: the driver still gone at the next start|||quiet|No Such Model|1603|re:^## Solo is lost: an earlier run deleted it and restoring it failed: .+;$EXIT_LOST|no:Solo||Solo"
  "quiet: driver back, the next start restores it|driver \"Model S\"||quiet|No Such Model|3010|## Solo $RESTORED_LATER;Valid OS found. OS: 501|Solo|LPT4:|Model S|ID-SOLO|-|1|none"
  "killed while printui installs||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "a plan run restores nothing|||plan|No Such Model|0|** Plan: 1 printer queue(s) that an earlier run left deleted would be restored first;no:## Office A $RESTORED_LATER|no:Office A|Office A"
  "the next run restores it first|||full|No Such Model|0|## Office A $RESTORED_LATER;Valid OS found. OS: 501;No matching printer found|$A_BACK|none"
  "a second run while printui installs||PRINTUI_TEST_SLEEP=60000|overlap|Model X 100|1618|## An object with the mutex's name exists that is not a mutex: the machine-wide lock decides;!! Printer deleted   : Office A|no:Office A||Office A"
  "the next run restores it again|||full|No Such Model|0|## Office A $RESTORED_LATER|$A_BACK|none"
  "killed again, then the queue made by hand||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "a record for a queue that exists again is removed|printer \"Office A\" LPT7: \"Model X 100\"||quiet|No Such Model|3010|** Office A exists: its saved definition is removed;no:## Office A $RESTORED_LATER|Office A|LPT7:|Model X 100|-|-|-|none"
  "a record that cannot be written: left alone, and quiet ends with 1603|||unsaved|Model X 100|1603|re:^## Office A is left alone: its definition cannot be saved: .+;no:!! Printer deleted   : Office A;sh:last_line_is \"$EXIT_LEFT_ALONE\"|Office A|LPT7:|Model X 100|-|-|-|none"
  "the record is flushed before the delete|||traced|Model X 100|3010|!! Printer deleted   : Office A|Office A|LPT7:|Model X 100||1|2|none"
  "settings come back after printui|delete \"Office A\" printer \"Office A\" LPT1: \"Model X 100\" id \"Office A\" \"$ID_A\" $A_SETTINGS||full|Model X 100|0|!! Printer deleted   : Office A;## Office A: settings put back: $A_PUT_BACK;no:re:^## Office A: its|$A_SHOW;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "settings come back after a restore||PRINTUI_TEST_EXIT=3|full|Model X 100|0|## Office A restored as it was: printui did not install it again (exit code 3);## Office A: settings put back: $A_PUT_BACK;no:re:^## Office A: its|$A_SHOW;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "a queue without settings stays as printui makes it|||full|Model Y|0|!! Printer deleted   : Office B;no:re:^## Office B|$B_SHOW;Office B|IP_10.0.0.7|Model Y||1|2|none"
  "killed after the deletion, settings and all||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "the next start restores it with its settings|||full|No Such Model|0|## Office A $RESTORED_LATER;## Office A: settings put back: $A_PUT_BACK|$A_SHOW;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "killed again, then printui's queue without identifier||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "the next start puts the identifier back|printer \"Office A\" LPT1: \"Model X 100\"||full|No Such Model|0|## Office A: its identifier was put back: an earlier run ended before writing it;no:## Office A $RESTORED_LATER|$A_SHOW_BED;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "killed again, then an unusable record before it||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "the unusable record is reported once, the good one restored|sh:unusable_record_first \"Office A\"||full|No Such Model|0|## Broken: its saved definition cannot be used and is removed: its name, port, driver or print processor is empty;## Office A $RESTORED_LATER|$A_SHOW_BED;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "a clean run after it|||full|No Such Model|0|no:re:^## Broken;no:## Office A $RESTORED_LATER;no:re:^## Office A|$A_SHOW_BED;no:Broken|none"
  "killed again, then the keys given to the running user||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "keys the running user owns, as Windows XP makes them, are used|sh:user_keys||full|No Such Model|0|## Office A $RESTORED_LATER;no:re:not trusted;no:re:cannot be noted;sh:owner_is '$SETUP_PATH' admins|$A_SHOW_BED;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "a second run is clean|sh:wine reg delete 'HKLM\\$SETUP_PATH' /v Other /f >/dev/null 2>&1||full|No Such Model|0|no:re:not trusted;no:re:^## Office A|$A_SHOW_BED;Office A|LPT1:|Model X 100|$ID_A|1|2|none"
  "killed again, then Power Users own the keys||PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "a plan while Power Users own the keys says what the real run would do|sh:foreign_keys||plan|Model Y|0|** Plan: HKLM\\$SETUP_PATH $NOT_ADMIN: it would be taken over, and what it holds kept in its subkey Quarantine;** Plan: value ProductStopped of HKLM\\$SETUP_PATH would be quarantined, not acted on: \"3\";** Plan: HKLM\\$RECORD_PATH $NOT_ADMIN: it would be taken over, and what it holds kept in its subkey Quarantine;** Plan: saved queue Office A would be quarantined, not restored: port LPT1:, driver Model X 100;** Plan: saved queue Planted would be quarantined, not restored: port LPT5:, driver Model S;re:^\\*\\* Plan: queue Office B would be re-created;sh:owner_is '$RECORD_PATH' S-1-5-32-547|no:Office A;Office B|IP_10.0.0.7|Model Y||1|2|Office A,Planted"
  "the real run takes them over, quarantines their records and goes on|||quiet|Model Y|3010|## HKLM\\$SETUP_PATH $NOT_ADMIN: $TAKEN_OVER;## Value ProductStopped of HKLM\\$SETUP_PATH is quarantined, not acted on: \"3\";## HKLM\\$RECORD_PATH $NOT_ADMIN: $TAKEN_OVER;## Saved queue Office A is quarantined, not restored: port LPT1:, driver Model X 100;## Saved queue Planted is quarantined, not restored: port LPT5:, driver Model S;!! Printer deleted   : Office B;no:## Office A $RESTORED_LATER;no:re:^## Planted;sh:owner_is '$RECORD_PATH' admins;sh:owner_is '$SETUP_PATH' admins;sh:[ \"\$(quarantined)\" = 'Office A,Planted' ]|no:Office A;no:Planted;Office B|IP_10.0.0.7|Model Y||1|2|"
  "a run after the take-over is clean|||full|No Such Model|0|no:re:not trusted;no:re:quarantined|no:Office A|"
  "killed once more|printer \"Office A\" LPT1: \"Model X 100\"|PRINTUI_TEST_SLEEP=60000|kill|Model X 100|-|!! Printer deleted   : Office A|no:Office A||Office A"
  "a run without the printer update brings the queue and the programs back and clears the note|sh:printer_ini 'cmd.exe /c exit 0'||quiet|Model X 100|3010|## Office A $RESTORED_LATER;re:^## The tray program .*pxstatus.exe was started again;re:The service pxlinkd .*again$;sh:! wine reg query 'HKLM\\$SETUP_PATH' /v ProductStopped >/dev/null 2>&1|Office A|LPT1:|Model X 100|-|-|-|"
)

for row in "${ROWS[@]}"; do
  IFS='|' read -r name bed env how drivers rc lines queues records <<<"$row"
  # The queue fields hold "|" themselves: everything between the lines and the records.
  queues=${row#*|*|*|*|*|*|*|}
  records=${queues##*|}
  queues=${queues%|*}
  new_temp
  listed=$(echo "$drivers" | tr ',' '\n' | awk '{ print NR "=" $0 }')
  printer_ini 'pxnetadj.exe %sourcepath%x.inf' "$listed"
  clear_records
  case $bed in
    sh:*) eval "${bed#sh:}" ;;
    ?*) eval "printerbed $bed" >/dev/null ;;
  esac
  start_service
  case $how in
    full)
      RUN_ENV="$env" run_setup_closing ""
      expect_eq "[$name] exit code" "$rc" "$RUN_RC" ;;
    quiet)
      RUN_ENV="$env" run_setup "-ui quiet"
      expect_eq "[$name] exit code" "$rc" "$(run_exit_code)" ;;
    kill)
      RUN_ENV="$env" RUN_BACKGROUND=1 run_setup ""
      for _ in $(seq 1 300); do [ -n "$(printui_record)" ] && break; sleep 0.2; done
      expect_eq "[$name] printui started" 1 "$(printui_record | wc -l)"
      stop_prefix
      wait "$RUN_PID" 2>/dev/null ;;
    plan)
      RUN_ENV="$env" run_setup "-ui plan"
      expect_eq "[$name] exit code" "$rc" "$(run_exit_code)" ;;
    unsaved)  # (the key an earlier run left with its outcome goes first: only a new key is volatile)
      wine reg delete 'HKLM\Software\Tarvik' /f >/dev/null 2>&1
      printerbed volatile 'SOFTWARE\Tarvik\Setup' >/dev/null
      RUN_ENV="$env" run_setup "-ui quiet"
      expect_eq "[$name] exit code" "$rc" "$(run_exit_code)"
      expect_eq "[$name] printui calls" "" "$(printui_record)"
      wine reg delete 'HKLM\Software\Tarvik' /f >/dev/null 2>&1 ;;
    traced)
      relay_only 'RegSetValueExW;RegFlushKey;RegCloseKey;DeletePrinter'
      RUN_ENV="$env WINEDEBUG=+relay" RUN_ERR=$E2E_WORK/relay.txt run_setup "-ui quiet"
      relay_only
      expect_eq "[$name] exit code" "$rc" "$(run_exit_code)"
      for value in "Office A" ProductStopped; do
        flushed_before_delete "$E2E_WORK/relay.txt" "$value"; ok $? "[$name] $value is not flushed before DeletePrinter"
      done ;;
    overlap)
      hold_file 'event:TARVIK{3f1c9a52-7e04-4b6d-9a21-5c8e0d47b913}'
      RUN_ENV="$env" RUN_BACKGROUND=1 RUN_OUT="$E2E_WORK/first.txt" run_setup ""
      first=$RUN_PID
      for _ in $(seq 1 300); do [ -n "$(printui_record)" ] && break; sleep 0.2; done
      expect_eq "[$name] printui started" 1 "$(printui_record | wc -l)"
      RUN_TIMEOUT=60 run_setup "-ui quiet"
      expect_eq "[$name] second run: exit code" "$rc" "$(run_exit_code)"
      expect_sequence 1 "## Another instance of the setup holds the machine-wide lock C:\\windows\\TarvikSetupLock\\setup.lock" \
        "## Exit code 1618: another instance of the setup is running"
      expect_eq "[$name] second run: records while the first installs" "$records" "$(record_names)"
      release_file
      stop_prefix
      wait "$first" 2>/dev/null ;;
  esac
  ordered=()
  IFS=';' read -r -a items <<<"$lines"
  for item in "${items[@]}"; do
    case $item in
      no:re:*) ! log_lines 0 | grep -Eq -- "${item#no:re:}"; ok $? "[$name] a line matches [${item#no:re:}]" ;;
      no:*) expect_no_line "${item#no:}" ;;
      re:*) expect_match "${item#re:}" ;;
      sh:*) eval "${item#sh:}"; ok $? "[$name] the check fails: ${item#sh:}" ;;
      *) ordered+=("$item") ;;
    esac
  done
  [ ${#ordered[@]} -gt 0 ] && expect_sequence 0 "${ordered[@]}"
  dump=$(printerbed dump)
  IFS=';' read -r -a items <<<"$queues;$OTHER"
  for item in "${items[@]}"; do
    case $item in
      no:*) ! grep -Fq -- "${item#no:}" <<<"$dump"; ok $? "[$name] a queue holds [${item#no:}]: $dump" ;;
      show:*) expect_eq "[$name] settings" "${item#show:}" "$(printerbed show "$(echo "${item#show:}" | cut -d'|' -f1)")" ;;
      *) grep -Fxq -- "$item" <<<"$dump"; ok $? "[$name] no queue [$item]: $dump" ;;
    esac
  done
  expect_eq "[$name] records" "$records" "$(record_names)"
done

finish

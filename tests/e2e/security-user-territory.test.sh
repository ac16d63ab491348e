#!/usr/bin/env bash
# What the standard user who starts the elevated launcher controls must not steer it:
# links in TEMP (the log is always the file the launcher created), the current folder
# (programs named without a folder, planted copies), COMSPEC (batch entries), the
# environment in expandable registry values; and no failure reads as success (a failed
# data-file copy, an unreadable configuration). Also printui's quiet option in an
# unattended run and the Group Policy start-up script of the deployment guide under Wine's cmd.
# Windows XP, where the printer update runs; every launcher run is unattended.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

printers_prefix win32-winxp
GUID="{5D0A6E2B-3C41-4F8E-9B7A-1E2D3C4B5A69}"
EXIT_DONE="** Exit code 3010: the Run list ran to its end; the computer must be restarted"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/testinst.exe"
mkdir -p "$MEDIUM/setup"
echo "add-on data" >"$MEDIUM/setup/pxclean.dat"

# territory_ini RUN-ENTRY...: the medium's configuration with these Run entries, the
# product's disc and the printer bed's driver list.
territory_ini() {
  {
    passing_ini_head "Territory test" TarvikPrinterTestKeyword
    printf '[XRV.CDGUIDs]\n1=%s\n[UpdateDrivers]\n1=Model X 100\n[Run]\n' "$GUID"
    local i=0 entry
    for entry in "$@"; do i=$((i + 1)); echo "$i=$entry"; done
  } | write_ini "$MEDIUM/autorun.inf"
}

# quiet_run [ARGUMENTS]: an unattended run from the current folder CWD (default the
# medium), environment RUN_ENV; sets RUN_CODE.
quiet_run() {
  MEDIUM=${CWD:-$MEDIUM} RUN_TIMEOUT=60 run_setup "-ui quiet ${1:-}" </dev/null
  RUN_CODE=$(run_exit_code)
}

reg_value() {  # reg_value KEY NAME TYPE DATA
  wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1; ok $? "reg add $1 $2"
}

# ---- the log: links in TEMP, a long TEMP, the name changed during the run ---------------
VICTIM="$DRIVE_C/victim.txt"
territory_ini "testinst.exe --sleep=2500"
LONG_SEGMENT=$(printf 't%.0s' $(seq 1 60))
LONG_TAIL="$LONG_SEGMENT/$LONG_SEGMENT/$LONG_SEGMENT/$LONG_SEGMENT/$LONG_SEGMENT"
while IFS='|' read -r name; do
  new_temp
  printf 'older run\r\n' >"$TEMP_DIR/older.txt"
  printf 'victim\n' >"$VICTIM"
  case $name in
    dangling-name)  # the first name is a link to a file that does not exist
      ln -s "$DRIVE_C/windows/system32/x.dll" "$TEMP_DIR/TarvikLangSetup000.log"
      quiet_run ;;
    temp-is-link)  # TEMP itself is a link to another folder
      rm -rf "$DRIVE_C/realtemp" && mkdir -p "$DRIVE_C/realtemp"
      rm -rf "$TEMP_DIR" && ln -s "$DRIVE_C/realtemp" "$TEMP_DIR"
      quiet_run ;;
    long-temp)  # 265 characters; the last run's log is there
      OLDER="$TEMP_DIR/older.txt"
      TEMP_DIR="$TEMP_DIR/$LONG_TAIL"
      TEMP_WIN=$(win_path "$TEMP_DIR")
      mkdir -p "$TEMP_DIR" && cp "$OLDER" "$TEMP_DIR/TarvikLangSetup000.log"
      expect_eq "long TEMP length" 1 "$(( ${#TEMP_WIN} >= 260 ))"
      quiet_run ;;
    renamed)  # during the run the log is renamed and a link to another file takes its name
      rm -f "$MEDIUM/testinst-record.txt"
      RUN_BACKGROUND=1 quiet_run
      for i in $(seq 1 100); do [ -f "$MEDIUM/testinst-record.txt" ] && break; sleep 0.1; done
      mv "$TEMP_DIR/TarvikLangSetup000.log" "$TEMP_DIR/moved.log"
      ln -s "$VICTIM" "$TEMP_DIR/TarvikLangSetup000.log"
      wait "$RUN_PID"
      RUN_CODE=$(run_exit_code) ;;
  esac
  expect_eq "[$name] exit code" 3010 "$RUN_CODE"
  expect_eq "[$name] file behind a link" "victim" "$(cat "$VICTIM")"
  case $name in
    dangling-name)
      [ ! -e "$DRIVE_C/windows/system32/x.dll" ]; ok $? "[$name] the link's target was created"
      expect_eq "[$name] last line of log 1" "$EXIT_DONE" "$(log_lines 1 | tail -n 1)" ;;
    temp-is-link)
      expect_eq "[$name] logs in the link's target" "" "$(ls "$DRIVE_C/realtemp")" ;;
    long-temp)
      cmp -s "$OLDER" "$TEMP_DIR/TarvikLangSetup000.log"; ok $? "[$name] the older log was changed"
      # Wine opens a long TEMP: then the run's log is the next name.
      [ ! -e "$(log_path 1)" ] || expect_eq "[$name] last line of log 1" "$EXIT_DONE" "$(log_lines 1 | tail -n 1)" ;;
    renamed)
      expect_eq "[$name] last line of the renamed log" "$EXIT_DONE" \
        "$(sed 's/^\[[^]]*\]//; s/\r$//' "$TEMP_DIR/moved.log" | tail -n 1)" ;;
  esac
done <<'ROWS'
dangling-name
temp-is-link
long-temp
renamed
ROWS

# ---- programs named without a folder, batch files, COMSPEC ------------------------------
# Started from another current folder that holds a copy of each program the entries
# name; "." in PATH stands for it too. The system's cmd.exe and msiexec.exe are
# recording stand-ins (Wine runs them instead of its own with the =n override).
CWD="$DRIVE_C/downloads"
PATH_DIR="$DRIVE_C/pathdir"
SYSTEM32="$DRIVE_C/windows/system32"
mkdir -p "$CWD" "$PATH_DIR" "$DRIVE_C/shell"
for planted in cmd.exe msiexec.exe pathtool.exe onlyhere.exe inst.bat; do cp "$TEST_TOOLS_DIR/testinst.exe" "$CWD/$planted"; done
cp "$TEST_TOOLS_DIR/testinst.exe" "$PATH_DIR/pathtool.exe"
cp "$TEST_TOOLS_DIR/testinst.exe" "$DRIVE_C/shell/shell.exe"
cp "$SYSTEM32/cmd.exe" "$E2E_WORK/cmd.exe.saved"
cp "$TEST_TOOLS_DIR/testinst.exe" "$SYSTEM32/cmd.exe"
cp "$TEST_TOOLS_DIR/testinst.exe" "$SYSTEM32/msiexec.exe"
printf '@echo off\r\n' >"$MEDIUM/inst.bat"
printf '@echo off\r\n' >"$MEDIUM/inst.cmd"
rm -f "$CWD/testinst-record.txt" "$PATH_DIR/testinst-record.txt" "$DRIVE_C/shell/testinst-record.txt" \
  "$SYSTEM32/testinst-record.txt"
territory_ini "cmd.exe /c rem one" "msiexec.exe /qn" "pathtool --p" "c:\\media\\inst.cmd --b" "inst.bat" "onlyhere.exe"
new_temp
SAVED_OVERRIDES=$WINEDLLOVERRIDES
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;cmd.exe,msiexec.exe=n"
RUN_ENV="COMSPEC=C:\\shell\\shell.exe PATH=.;C:\\pathdir;C:\\windows\\system32;C:\\windows" quiet_run
export WINEDLLOVERRIDES=$SAVED_OVERRIDES
cp "$E2E_WORK/cmd.exe.saved" "$SYSTEM32/cmd.exe"
rm -f "$SYSTEM32/msiexec.exe"
started() { tr -d '\r' 2>/dev/null <"$1/testinst-record.txt" | sed -n 's/^start|//p'; }
# COLUMNS: who ran it | what it was started with (command line|current folder); no
# second column: nothing.
ROWS='system|cmd.exe /c rem one|C:\downloads
system|msiexec.exe /qn|C:\downloads
system|"C:\windows\system32\cmd.exe" /d /s /c ""c:\media\inst.cmd" --b"|C:\downloads
system|"C:\windows\system32\cmd.exe" /d /s /c ""C:\media\inst.bat""|C:\downloads
PATH|pathtool --p|C:\downloads
current folder
COMSPEC'
for who in system PATH "current folder" COMSPEC; do
  case $who in
    system) dir=$SYSTEM32 ;; PATH) dir=$PATH_DIR ;; "current folder") dir=$CWD ;; COMSPEC) dir=$DRIVE_C/shell ;;
  esac
  expect_eq "started by the $who copy" "$(awk -F'|' -v w="$who" '$1 == w && NF > 1 { print substr($0, length(w) + 2) }' <<<"$ROWS")" \
    "$(started "$dir")"
done
expect_eq "exit code with a bare name found nowhere else" 1603 "$RUN_CODE"
expect_line "## Run entry could not be started (error 2): onlyhere.exe"
unset CWD

# ---- expandable and relative registry values, a hostile environment ---------------------
# C:\evil holds the folders a path from the environment would lead to.
EVIL="$DRIVE_C/evil"
mkdir -p "$EVIL/Norvale/Pictora/$GUID/setup" "$EVIL/Norvale/Pictora/Uninstall" "$EVIL/Uninstall" \
  "$MEDIUM/Norvale/Pictora/$GUID/setup"
PF="$DRIVE_C/Program Files/Norvale/Pictora"
mkdir -p "$PF/$GUID/setup" "$PF/Uninstall"
reg_value 'HKLM\SOFTWARE\Norvale\Installed Products' "$GUID" REG_SZ Pictora
HOSTILE="ProgramFiles=C:\\evil EVIL=C:\\evil"
UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
territory_ini "testinst.exe"
# COLUMNS: case | InstallFolder type | its data | UninstallString type | its data |
# the file that must hold the medium's data file afterwards (- none) | the beginning
# of a line the log must have (- none) | the beginning of the data-file copy's
# failure line (- none: no such line; with one the quiet run ends with 1603).
while IFS='|' read -r name ftype folder utype command target line copyline; do
  rm -f "$EVIL"/Norvale/Pictora/*/setup/* "$EVIL"/Norvale/Pictora/Uninstall/* "$EVIL"/Uninstall/* \
    "$MEDIUM"/Norvale/Pictora/*/setup/* "$PF/$GUID"/setup/*
  printf 'older data\n' >"$PF/Uninstall/pxclean.dat"
  reg_value 'HKLM\SOFTWARE\Norvale\Pictora' InstallFolder "$ftype" "$folder"
  reg_value "$UNINSTALL" UninstallString "$utype" "$command"
  new_temp
  RUN_ENV=$HOSTILE quiet_run
  expect_eq "[$name] exit code" "$([ "$copyline" = - ] && echo 3010 || echo 1603)" "$RUN_CODE"
  expect_eq "[$name] files under C:\\evil" "" "$(find "$EVIL" -type f)"
  expect_eq "[$name] files under the current folder" "" "$(find "$MEDIUM/Norvale" -type f)"
  if [ "$target" != - ]; then
    cmp -s "$MEDIUM/setup/pxclean.dat" "$target"; ok $? "[$name] data file not copied to $target"
  fi
  if [ "$line" != - ]; then
    log_lines | grep -Fq -- "$line"; ok $? "[$name] no line [$line...]"
  fi
  got=$(log_lines | grep -F '## The data file ')
  if [ "$copyline" = - ]; then
    expect_eq "[$name] copy failure line" "" "$got"
  else
    [ "${got#"$copyline"}" != "$got" ]
    ok $? "[$name] copy failure line [$got], expected [$copyline...]"
  fi
done < <(sed "s|@PF@|$PF|g" <<'ROWS'
quoted uninstaller|REG_SZ|C:\Program Files\Norvale\|REG_SZ|"C:\Program Files\Norvale\Pictora\Uninstall\pxclean.exe" -datfile pxclean.dat|@PF@/Uninstall/pxclean.dat|## Successfully updated the  Magic Keyword in scrubber file|-
expandable values|REG_EXPAND_SZ|%ProgramFiles%\Norvale\|REG_EXPAND_SZ|%ProgramFiles%\Norvale\Pictora\Uninstall\pxclean.exe -datfile pxclean.dat|@PF@/Uninstall/pxclean.dat|** InstallFolder : C:\Program Files\Norvale\|-
names from the environment|REG_EXPAND_SZ|%EVIL%\Norvale\|REG_EXPAND_SZ|%EVIL%\Uninstall\pxclean.exe -datfile pxclean.dat|-|## InstallFolder %EVIL%\Norvale\: %EVIL% is not expanded|## The data file setup\pxclean.dat could not be copied to %EVIL%\Uninstall\pxclean.dat: %EVIL% is not expanded
relative install folder, no target folder|REG_SZ|Norvale\|REG_SZ|C:\Nowhere\pxclean.exe -datfile pxclean.dat|-|## InstallFolder Norvale\ is not a full path|## The data file setup\pxclean.dat could not be copied to C:\Nowhere\pxclean.dat: 
no data file on the medium|REG_SZ|C:\Program Files\Norvale\|REG_SZ|C:\Program Files\Norvale\Pictora\Uninstall\pxclean.exe -datfile missing.dat|-|-|## The data file setup\missing.dat could not be copied to C:\Program Files\Norvale\Pictora\Uninstall\missing.dat: 
nothing to copy to|REG_SZ|C:\Program Files\Norvale\|REG_SZ|C:\Program Files\Norvale\Pictora\Uninstall\pxclean.exe|-|-|-
ROWS
)

# ---- unattended details ------------------------------------------------------------------
# A configuration file that cannot be read says so; printui gets its quiet option.
new_temp
quiet_run '-f c:\nosuch.inf'
expect_eq "unreadable configuration: exit code" 1619 "$RUN_CODE"
expect_eq "unreadable configuration: last line" \
  "## Exit code 1619: the configuration file c:\\nosuch.inf could not be read" "$(log_lines | tail -n 1)"
printerbed driver "Model X 100" printer "Office A" "LPT1:" "Model X 100" >/dev/null
territory_ini 'pxnetadj.exe %sourcepath%x.inf'
new_temp
clear_records
quiet_run
expect_eq "quiet printui" \
  'rundll32 printui.dll,PrintUIEntry /if /b "Office A" /f "c:\media\x.inf" /r "LPT1:" /m "Model X 100" /q' \
  "$(printui_record)"

# ---- the deployment guide's Group Policy start-up script, under Wine's cmd ----------------
# A local folder stands in for the share. The marker is written after 3010 and 0 (a
# stand-in program that exits 0), not after 1633 (no system accepted) or 1618 (another
# copy busy).
DEPLOY="$DRIVE_C/deploy"
MARKER="$DRIVE_C/windows/TarvikAddon.installed"
mkdir -p "$DEPLOY"
awk '/^#+ Group Policy start-up script/ { inside = 1 } inside && /^```$/ { exit } inside && started { print }
     inside && /^```bat$/ { started = 1 }' "$TEST_SOURCE_DIR/docs/admin/deployment.md" |
  sed 's|\\\\fileserver\\deploy\\TarvikAddon|C:\\deploy|g; s/$/\r/' >"$DEPLOY/install-tarvik-addon.cmd"
grep -q 'C:\\deploy\\Setup.exe' "$DEPLOY/install-tarvik-addon.cmd"; ok $? "the deployment guide's script names no share to replace"
cp "$TEST_TOOLS_DIR/testinst.exe" "$DEPLOY/testinst.exe"
# COLUMNS: case | the program as Setup.exe (launcher or stand-in) | configuration |
# the script's exit code | marker written (1) or not (0)
while IFS='|' read -r name program config code marker; do
  rm -f "$MARKER"
  if [ "$program" = launcher ]; then cp "$SETUP_EXE" "$DEPLOY/Setup.exe"; else cp "$TEST_TOOLS_DIR/testinst.exe" "$DEPLOY/Setup.exe"; fi
  territory_ini "testinst.exe"
  [ "$config" = no-os ] && sed -i 's/^os_list=.*/os_list=999\r/' "$MEDIUM/autorun.inf"
  cp "$MEDIUM/autorun.inf" "$DEPLOY/autorun.inf"
  if [ "$config" = busy ]; then  # a first copy from the medium holds the single-instance mutex
    territory_ini "testinst.exe --sleep=8000"
    rm -f "$MEDIUM/testinst-record.txt"
    RUN_BACKGROUND=1 RUN_OUT="$E2E_WORK/first.txt" run_setup "-ui quiet"
    for i in $(seq 1 100); do [ -f "$MEDIUM/testinst-record.txt" ] && break; sleep 0.1; done
  fi
  new_temp
  (cd "$DRIVE_C" && timeout 60 wine "$TEST_TOOLS_DIR/runenv.exe" "TEMP=$TEMP_WIN" "TMP=$TEMP_WIN" -- \
    'C:\windows\system32\cmd.exe /c C:\deploy\install-tarvik-addon.cmd' >"$E2E_WORK/script.txt" 2>/dev/null </dev/null)
  [ "$config" = busy ] && wait "$RUN_PID"
  expect_eq "[$name] script exit code" "$code" "$(run_exit_code "$E2E_WORK/script.txt")"
  expect_eq "[$name] marker" "$marker" "$([ -f "$MARKER" ] && echo 1 || echo 0)"
done <<'ROWS'
3010|launcher|job|3010|1
0|stand-in|job|0|1
1633|launcher|no-os|1633|0
1618|launcher|busy|1618|0
ROWS

finish

#!/usr/bin/env bash
# The Run section: which section runs on which platform, numbered entries in order,
# lower-cased command lines, failures that do not stop the list, "%sourcepath%", long
# command lines, the uninstaller data file copy and the finish page at the end (closed
# with Esc here: no restart).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

start_display

# ---- 32-bit system ------------------------------------------------------------
use_prefix win32-win7
mainjob_medium
restart_marker
mkdir -p "$MEDIUM/setup" "$DRIVE_C/Apps"
echo "add-on data" >"$MEDIUM/setup/pxclean.dat"
echo "older data" >"$DRIVE_C/Apps/pxclean.dat"  # an earlier version's: the medium's must replace it

# Keys 1, 2 and 4: two programs, in order; Run.x64 is never read.
mainjob_ini <<'INI'
[Run]
1=testinst.exe --Step=One ARG Mixed
2=TESTINST.EXE --step=two
4=testinst.exe --step=four
[Run.x64]
1=testinst.exe --x64
INI
uninstall_string 'C:\Apps\pxclean.exe -datfile pxclean.dat'
new_temp 1
clear_records
run_setup_closing ""
expect_eq "run A exit code" 0 "$RUN_RC"
expect_eq "run A programs" "testinst.exe --step=one arg mixed|C:\\media
testinst.exe --step=two|C:\\media" "$(record_lines start)"
expect_line "Calling RunSectionExe() with Parameter NULL for 32 bit OS"
expect_line "--> Enter RunSectionExe()"
expect_line "Number of keys in [Run] : 2"
expect_no_line "Number of keys in [Run.x64] : 1"
log_lines | grep -q 'Run\.x64'; ok $((!$?)) "run A read section Run.x64"
expect_sequence 0 "--> Enter DropMain()" \
  "--> Enter RunApplication( testinst.exe --Step=One ARG Mixed)" \
  "Call CreateProcess with testinst.exe --step=one arg mixed" \
  "<-- Exit RunApplication()" \
  "--> Enter RunApplication( TESTINST.EXE --step=two)" \
  "Call CreateProcess with testinst.exe --step=two" \
  "<-- Exit RunApplication()" \
  "<-- Exit RunSectionExe()" "<-- Exit DropMain()"
expect_eq "run A: one dialog, the finish page" 1 "$DIALOG_COUNT"
expect_eq "run A finish page caption" "[Main Job Test]" "$(window_field 1 caption)"
cmp -s "$MEDIUM/setup/pxclean.dat" "$DRIVE_C/Apps/pxclean.dat"; ok $? "run A: data file not copied next to the uninstaller"
expect_line '** Uninstall entry : HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\'
restart_requested 10; ok $((!$?)) "run A: Esc on the finish page restarted"

# An unstartable entry does not stop the next; a command line over 260 characters is
# passed whole; "%sourcepath%" is the current directory, quoted up to the line's end;
# "pxnetadj.exe" in any case is the printer update, never a program nor a dialog.
long="testinst.exe --pad=$(printf 'x%.0s' $(seq 1 300))"
mainjob_ini <<INI
[Run]
1=nosuch.exe --Missing
2=testinst.exe --After-Missing
3=$long
4=%sourcepath%testinst.exe
5=C:\Tools\PXNETADJ.EXE --Net pxprep
INI
uninstall_string 'C:\Apps\remove.exe -datfile relative.dat'
cp "$MEDIUM/setup/pxclean.dat" "$MEDIUM/setup/relative.dat"
new_temp 2
clear_records
run_setup_closing ""
expect_eq "run B programs" "testinst.exe --after-missing|C:\\media
$long|C:\\media
\"c:\\media\\testinst.exe\"|C:\\media" "$(record_lines start)"
expect_sequence 0 "--> Enter RunApplication( nosuch.exe --Missing)" \
  "Call CreateProcess with nosuch.exe --missing" \
  "--> Enter RunApplication( testinst.exe --After-Missing)"
expect_sequence 0 "--> Enter RunApplication( C:\\Tools\\PXNETADJ.EXE --Net pxprep)" \
  ">> Stating UpdateDriver Plug-in" "<-- Exit RunSectionExe()"
log_lines | grep -q '^Call CreateProcess with c:\\tools\\pxnetadj'; ok $((!$?)) "run B: pxnetadj.exe started as a program"
expect_eq "run B: exit lines (3 programs)" 3 "$(log_lines | grep -cFx '<-- Exit RunApplication()')"
expect_eq "run B: long line length" 319 "$(record_lines start | sed -n 2p | cut -d'|' -f1 | tr -d '\n' | wc -c)"
[ -f "$MEDIUM/relative.dat" ]; ok $? "run B: without pxclean the copy goes to the current directory"
expect_eq "run B: one dialog" 1 "$DIALOG_COUNT"

# No Run section: no program, the finish page still comes; a language the map lacks
# empties its texts; "-datfile" glued to more text copies nothing.
mainjob_ini <<'INI'
[Unused]
1=x
INI
sed -i 's/^0x0409=English/0x0407=German/' "$MEDIUM/autorun.inf"
rm -f "$DRIVE_C/Apps/pxclean.dat"
uninstall_string 'C:\Apps\pxclean.exe -datfilex pxclean.dat'
new_temp 3
clear_records
run_setup_closing ""
expect_eq "run C programs" "" "$(record_lines start)"
expect_line "Number of keys in [Run] : 0"
expect_eq "run C: one dialog" 1 "$DIALOG_COUNT"
expect_eq "run C caption" "[Main Job Test]" "$(window_field 1 caption)"
for id in 1001 1002 1003 1016 1018; do
  expect_eq "run C text of control $id" "[]" "$(dump_field 1 $id text)"
done
[ ! -f "$DRIVE_C/Apps/pxclean.dat" ]; ok $? "run C: -datfilex copied"

# ---- 64-bit system --------------------------------------------------------------
use_prefix win64-win7
mainjob_medium
mkdir -p "$MEDIUM/setup" "$DRIVE_C/Apps64" "$DRIVE_C/Apps"
echo "add-on data" >"$MEDIUM/setup/pxclean.dat"
# Run.x64 with a variant for the accepted entry: key 2 replaced, key 3 never read.
mainjob_ini <<'INI'
[Run]
1=testinst.exe --x86
[Run.x64]
1=testinst.exe --X64-one
2=testinst.exe --x64-two
[Run.x64.601_64]
2=testinst.exe --Variant-Two
3=testinst.exe --variant-three
INI
# The product's own Uninstall entry, named by [Version] UninstallKey (32-bit registry
# view); the Uninstall key's own value is not read then.
sed -i 's/^Log=511\r$/&\nUninstallKey={0A1B2C3D-Pictora}\r/' "$MEDIUM/autorun.inf"
uninstall_string 'C:\Apps\pxclean.exe -datfile pxclean.dat' 32
reg_add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{0A1B2C3D-Pictora}' UninstallString \
  'C:\Apps64\pxclean.exe -datfile pxclean.dat' REG_SZ 32
new_temp 4
clear_records
run_setup_closing ""
expect_eq "run D programs" "testinst.exe --x64-one|C:\\media
testinst.exe --variant-two|C:\\media" "$(record_lines start)"
expect_line '** Uninstall entry : HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{0A1B2C3D-Pictora}'
[ ! -f "$DRIVE_C/Apps/pxclean.dat" ]; ok $? "run D: the Uninstall key's own entry was used"
expect_line "Calling RunSectionExe() with Parameter .x64 for 64 bit OS"
expect_line "--> Enter RunSectionExe(.x64)"
expect_line "Number of keys in [Run.x64] : 2"
log_lines | grep -q 'Section:\[Run\]'; ok $((!$?)) "run D read section Run"
cmp -s "$MEDIUM/setup/pxclean.dat" "$DRIVE_C/Apps64/pxclean.dat"; ok $? "run D: data file not copied (32-bit registry view)"
expect_eq "run D: one dialog" 1 "$DIALOG_COUNT"

finish

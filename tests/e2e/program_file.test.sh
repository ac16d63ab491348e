#!/usr/bin/env bash
# The program file itself: it must start on Windows XP SP2 (it imports only functions
# that exist there, and no DLL of ours or of the compiler's runtime), and it carries
# its manifest, version block and icon.
. "$(dirname "$0")/lib.sh"

imports=$(bash "$TEST_SOURCE_DIR/tests/e2e/list-imports.sh" "$SETUP_EXE")
[ -n "$imports" ]; ok $? "no imports listed for $SETUP_EXE"

unknown=$(comm -23 <(echo "$imports") <(sort -u "$TEST_SOURCE_DIR/tests/e2e/xp-sp2-imports.txt"))
[ -z "$unknown" ]; ok $? "imports outside the Windows XP SP2 allowlist:
$unknown"

# Only DLLs that Windows always takes from the system folder: its known DLLs (XP SP2
# and later). Any other DLL, winspool.drv among them, would be taken from beside the
# program first; comctl32 is loaded before the first window, shell32 not at all.
dlls=$(echo "$imports" | cut -d'!' -f1 | sort -u | tr '\n' ' ')
for dll in $dlls; do
  case $dll in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|MSVCRT.DLL) ok 0 ;;
    *) ok 1 "static import of $dll, which is not always taken from the system folder" ;;
  esac
done

# 32-bit GUI program.
header=$("$OBJDUMP" -f -p "$SETUP_EXE")
echo "$header" | grep -q 'file format pei-i386'; ok $? "not a 32-bit PE file"
echo "$header" | grep -Eq 'Subsystem\s+0*2\s'; ok $? "not a GUI-subsystem program"
# Terminal-server aware (IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE): on a terminal
# server the Windows folder is the machine's, where the configuration and INF files are.
characteristics=$(echo "$header" | awk '$1 == "DllCharacteristics" { print $2 }')
(( (16#${characteristics:-0} & 0x8000) != 0 )); ok $? "not terminal-server aware: DllCharacteristics $characteristics"

# The shipped file is stripped: no symbol table, no debug sections.
echo "$header" | grep -q 'symbols stripped'; ok $? "symbols not stripped"
! "$OBJDUMP" -h "$SETUP_EXE" | grep -q '\.debug'; ok $? "debug sections left in the program file"
# Size: stripped, icon images from 48 px up PNG-compressed and no demangler from the
# runtime's default terminate handler give about 787 KB (the printer queues' settings,
# their recovery, the machine-wide lock, the one-step file replacement with its recorded
# temporaries, the profile reader for mapped configuration names, the recovery key's
# take-over, the tray program's sessions, the outcome on record and its event included);
# each of these undone adds 75 KB or more. The bound leaves about 7 % for growth and
# still catches each of them.
size=$(stat -c %s "$SETUP_EXE")
[ "$size" -le 865280 ]; ok $? "program file is $size bytes, more than 865280"

# ---- resources ----------------------------------------------------------------
res() { python3 "$TEST_SOURCE_DIR/tests/e2e/pe_resources.py" "$SETUP_EXE" "$@"; }
manifest=$(res --dump 24 1)
echo "$manifest" | grep -q 'requestedExecutionLevel level="requireAdministrator"'; ok $? "manifest does not require administrator rights"
echo "$manifest" | tr -d '\n' | grep -Eq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"[^>]*processorArchitecture="x86"'
ok $? "manifest lacks common controls 6.0.0.0 x86"

version=$(res --dump 16 1 | od -An -tx4 -v | tr -s ' \n' ' ')
fixed=$(echo "$version" | grep -o 'feef04bd [0-9a-f]* [0-9a-f]* [0-9a-f]* [0-9a-f]* [0-9a-f]*')
expect_eq "file and product version (MS LS MS LS)" "00010000 00000001 00010000 00000001" "$(echo "$fixed" | cut -d' ' -f3-6)"
for key in ProductName FileDescription CompanyName LegalCopyright FileVersion ProductVersion; do
  res --dump 16 1 | python3 -c 'import sys; sys.exit(sys.argv[1].encode("utf-16-le") not in sys.stdin.buffer.read())' "$key"
  ok $? "version strings lack $key"
done

# Icon group 101: images from 16x16 to 256x256 (a width byte of 0 means 256).
sizes=$(res --dump 14 101 | od -An -tu1 -v -j6 | tr -s ' \n' ' ' | awk '{ for (i = 1; i <= NF; i += 14) printf "%d ", ($i == 0 ? 256 : $i) }')
expect_eq "icon sizes" "16 24 32 48 64 128 256 " "$sizes"

# ---- the installation medium ------------------------------------------------------
# The build's medium folder: these files, its Setup.exe the program itself.
medium=$TEST_BUILD_DIR/medium
expected_files="FILECOPY_16.AVI
Setup.exe
THIRD-PARTY-NOTICES.txt
autorun.inf
drivers/tarvikdrv.inf
setup/pxclean.dat
setupcheck.exe"
expect_eq "medium files" "$(sort <<<"$expected_files")" "$(cd "$medium" && find . -type f | sed 's|^\./||' | sort)"
cmp -s "$SETUP_EXE" "$medium/Setup.exe"; ok $? "the medium's Setup.exe differs from the program"
"$OBJDUMP" -f -p "$medium/setupcheck.exe" | grep -q 'symbols stripped'; ok $? "the medium's setupcheck.exe has symbols"

finish

#!/usr/bin/env bash
# The launcher must start on Windows XP SP2: it may import only functions that exist
# there (the allowlist), and no DLL of ours or of the compiler's runtime.
. "$(dirname "$0")/lib.sh"

imports=$(bash "$TEST_SOURCE_DIR/tests/e2e/list-imports.sh" "$SETUP_EXE")
[ -n "$imports" ]; ok $? "no imports listed for $SETUP_EXE"

unknown=$(comm -23 <(echo "$imports") <(sort -u "$TEST_SOURCE_DIR/tests/e2e/xp-sp2-imports.txt"))
[ -z "$unknown" ]; ok $? "imports outside the Windows XP SP2 allowlist:
$unknown"

dlls=$(echo "$imports" | cut -d'!' -f1 | sort -u | tr '\n' ' ')
for dll in $dlls; do
  case $dll in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|SHELL32.DLL|COMCTL32.DLL|WINSPOOL.DRV|MSVCRT.DLL) ok 0 ;;
    *) ok 1 "unexpected DLL dependency $dll" ;;
  esac
done

# 32-bit GUI program.
header=$("$OBJDUMP" -f -p "$SETUP_EXE")
echo "$header" | grep -q 'file format pei-i386'; ok $? "not a 32-bit PE file"
echo "$header" | grep -Eq 'Subsystem\s+0*2\s'; ok $? "not a GUI-subsystem program"

finish

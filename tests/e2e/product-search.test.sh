#!/usr/bin/env bash
# The installed driver package on 32-bit Windows XP: the magic-keyword search over the
# driver INF copies (encodings, letter case, order, locked and missing files), message
# text 8 when nothing matches, and the registration that follows a match.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
. "$(dirname "$0")/lib-product.sh"

use_prefix win32-winxp
make_medium
start_display
INF_WIN='C:\windows\inf'
KEYWORDS=("[XRV.MagicKeywords]" "1=Norvale XRV-7200" "2=USBPRINT\\NorvaleXRV-7200" "4=NotRead")
BODY='[Version]
Signature="$Windows NT$"
Class=Printer
[Norvale.NTx86]
"Norvale XRV-7200" = XRV7200.GPD, USBPRINT\NorvaleXRV-7200'

# ---- no driver INF copy at all, then no INF folder -----------------------------
product_config "${KEYWORDS[@]}"
remove_oem_infs
product_run
expect_text8 "no oem*.inf"
expect_no_line "Drivers not found"
expect_sequence 0 "========Enumerating Magic Keywords========" "Norvale XRV-7200" "USBPRINT\\NorvaleXRV-7200" \
  "=========================================="
expect_line "Read Section:[XRV.MagicKeywords] Key=3 Value=<READ_FAILED>"
expect_no_line "Read Section:[XRV.MagicKeywords] Key=4 Value=NotRead"

mv "$DRIVE_C/windows/inf" "$DRIVE_C/windows/inf.away"
product_run
expect_text8 "no INF folder"
expect_no_line "Drivers not found"
mv "$DRIVE_C/windows/inf.away" "$DRIVE_C/windows/inf"

# ---- encodings and letter case: nothing matches ------------------------------------
add_oem_inf_8bit oem1.inf "$BODY"
add_oem_inf oem2.inf "${BODY//Norvale/NORVALE}"
product_run
expect_text8 "8-bit copy and other letter case"
expect_line "Drivers not found"
expect_eq "searched files" "oem1.inf oem2.inf" "$(searched_files | sort | tr '\n' ' ' | sed 's/ $//')"
expect_no_line "** Magic key word Norvale XRV-7200 found in $INF_WIN\\oem1.inf"

# ---- UTF-16 without and with byte-order mark: found --------------------------------
add_oem_inf_nobom oem3.inf "$BODY"
product_run
expect_search_passed "UTF-16 without byte-order mark"
expect_line "** Magic key word Norvale XRV-7200 found in $INF_WIN\\oem3.inf"
remove_oem_infs
add_oem_inf oem4.inf "; only the second keyword: USBPRINT\\NorvaleXRV-7200"
product_run
expect_search_passed "UTF-16 with byte-order mark, second keyword"
expect_line "** Magic key word USBPRINT\\NorvaleXRV-7200 found in $INF_WIN\\oem4.inf"

# ---- the first matching file ends the search ---------------------------------------
remove_oem_infs
for n in 11 12 13 14 15; do add_oem_inf "oem$n.inf" "$BODY"; done
add_oem_inf oem16.inf "[Version]"
product_run
expect_search_passed "several matching files"
searched=$(searched_files)
expect_eq "files searched before the first match ends the search" 1 "$(echo "$searched" | grep -c . )"
expect_line "** Magic key word Norvale XRV-7200 found in $INF_WIN\\$searched"

# ---- an empty keyword matches the first file searched ------------------------------
product_config "[XRV.MagicKeywords]" "1=Absent" "2="
product_run
expect_search_passed "empty keyword"
first=$(searched_files | head -n1)
expect_line "** Magic key word  found in $INF_WIN\\$first"

# ---- a copy locked by another process is passed over silently ----------------------
remove_oem_infs
add_oem_inf oem21.inf "$BODY"
add_oem_inf oem22.inf "[Version]"
product_config "${KEYWORDS[@]}"
hold_file "$INF_WIN\\oem21.inf"
product_run
release_file
expect_text8 "locked copy"
expect_eq "searched files with oem21.inf locked" "oem22.inf" "$(searched_files)"
expect_line "Drivers not found"
product_run
expect_search_passed "the same copy unlocked"
expect_line "** Magic key word Norvale XRV-7200 found in $INF_WIN\\oem21.inf"

# ---- a match goes on to the registration -------------------------------------------
GUID="{5B0E2A44-7C1D-4F8A-9E36-0D2C4B6A8F10}"
mkdir -p "$DRIVE_C/Norvale/Pictora/$GUID/setup"
printf '[Scrubber.FileUninstaller.MagicKeywords]\r\n1={11111111-2222-3333-4444-555555555555}\r\n' \
  >"$DRIVE_C/Norvale/Pictora/$GUID/setup/pxclean.dat"
reg_set 32 'HKLM\SOFTWARE\Norvale\Pictora' InstallFolder 'C:\Norvale\'
reg_set 32 'HKLM\SOFTWARE\Norvale\Installed Products' "$GUID" 1
product_config "${KEYWORDS[@]}" "[XRV.CDGUIDs]" "1={00000000-0000-0000-0000-000000000000}" "2=$GUID"
product_run
expect_search_passed "registration"
expect_sequence 0 "--> Enter ProcessXRVCDGUIDsSection()" "** InstallFolder : C:\\Norvale\\" \
  "CDGUID {00000000-0000-0000-0000-000000000000} not found" \
  "## Successfully updated the  Magic Keyword in scrubber file" "<-- Exit ProcessXRVCDGUIDSection()"
expect_eq "data file keys" "1={11111111-2222-3333-4444-555555555555}
2=$ADDON_GUID" "$(data_file_keys "$DRIVE_C/Norvale/Pictora/$GUID/setup/pxclean.dat")"

finish

#!/usr/bin/env bash
# The product registration on 64-bit Windows, the launcher under WOW64: the install
# folder comes from the 32-bit registry view, the installed discs from the 64-bit
# view; on 64-bit Vista the data file is written with the file-system redirection
# switched off (the real system folder), on 64-bit Windows 7 with it on (the
# redirected folder).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-os.sh"
. "$(dirname "$0")/lib-product.sh"

use_prefix win64-vista
make_medium
start_display
add_oem_inf oem1.inf "[Version]
; Norvale XRV-7200"

GUID32="{3A1F0C2B-32BB-4C11-8D2E-000000000032}"  # installed in the 32-bit view only
GUID64="{3A1F0C2B-64BB-4C11-8D2E-000000000064}"  # installed in the 64-bit view only
product_config "[XRV.MagicKeywords]" "1=Norvale XRV-7200" "[XRV.CDGUIDs]" "1=$GUID32" "2=$GUID64"
reg_set 32 'HKLM\SOFTWARE\Norvale\Pictora' InstallFolder 'C:\windows\system32\'
reg_set 32 'HKLM\SOFTWARE\Norvale\Installed Products' "$GUID32" 1
reg_set 64 'HKLM\SOFTWARE\Norvale\Installed Products' "$GUID64" 1

# The same data files in the real system folder and in the redirected one.
for folder in system32 syswow64; do
  for guid in "$GUID32" "$GUID64"; do
    mkdir -p "$DRIVE_C/windows/$folder/Pictora/$guid/setup"
    printf '[Scrubber.FileUninstaller.MagicKeywords]\r\n1={%s}\r\n' "$folder" \
      >"$DRIVE_C/windows/$folder/Pictora/$guid/setup/pxclean.dat"
  done
done
keys_of() { data_file_keys "$DRIVE_C/windows/$1/Pictora/$2/setup/pxclean.dat" | tr '\n' ' ' | sed 's/ $//'; }

# ---- 64-bit Vista: redirection off around the write --------------------------------
product_run
expect_search_passed "64-bit vista"
expect_sequence 0 "** InstallFolder : C:\\windows\\system32\\" "CDGUID $GUID32 not found" \
  "## Successfully updated the  Magic Keyword in scrubber file" "<-- Exit ProcessXRVCDGUIDSection()"
expect_eq "vista: real system folder" "1={system32} 2=$ADDON_GUID" "$(keys_of system32 "$GUID64")"
expect_eq "vista: redirected folder" "1={syswow64}" "$(keys_of syswow64 "$GUID64")"
expect_eq "vista: disc of the 32-bit view" "1={system32}" "$(keys_of system32 "$GUID32")"

# ---- 64-bit Windows 7: redirection stays on ----------------------------------------
stop_prefix
wine winecfg /v win7 >/dev/null 2>&1
stop_prefix
product_run
expect_search_passed "64-bit win7"
expect_line "## Successfully updated the  Magic Keyword in scrubber file"
expect_eq "win7: redirected folder" "1={syswow64} 2=$ADDON_GUID" "$(keys_of syswow64 "$GUID64")"
expect_eq "win7: real system folder unchanged" "1={system32} 2=$ADDON_GUID" "$(keys_of system32 "$GUID64")"
expect_eq "win7: disc of the 32-bit view" "1={syswow64}" "$(keys_of syswow64 "$GUID32")"

finish

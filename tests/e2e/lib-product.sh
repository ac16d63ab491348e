# Helpers of the installed-product tests (product-*.test.sh): a configuration with
# magic keywords and CD GUIDs, driver INF copies in other encodings, the installed
# product's registry entries, and a process that holds a file locked.
# Source after lib.sh and lib-os.sh (for expect_message).

PRODUCT_CAPTION="Tarvik Add-on Setup"
PRODUCT_TEXT8="The printer driver is not installed."
ADDON_GUID="{8C2E5B17-44A9-4F03-B6D1-2E7A90C35F48}"

# product_config LINE...: autorun.inf accepting every system of the test matrix, the
# message texts, and then the given lines (keyword and CD GUID sections).
product_config() {
  {
    printf '%s\n' "[Version]" "WindowCaption=$PRODUCT_CAPTION" "[LangMap]" "0x0409=English" \
      "[English]" "1=Not supported." "8=$PRODUCT_TEXT8" \
      "[OS_Support]" "os_list=501,502_64,600,600_64,601,601_64"
    printf '%s\n' "$@"
  } | write_ini "$MEDIUM/autorun.inf"
}

# product_run: one run at level 511 in a fresh TEMP, every dialog closed; exit code 0.
product_run() {
  new_temp
  run_setup_closing "-log 511"
  expect_eq "exit code" 0 "$RUN_RC"
}

# The run stopped at the keyword search with message text 8.
expect_text8() {
  expect_message "$1" "$PRODUCT_CAPTION" "$PRODUCT_TEXT8"
  expect_no_line "--> Enter ProcessXRVCDGUIDsSection()"
}

# The search passed: no message box with text 8, the registration step ran.
expect_search_passed() {
  ! grep -qF -- "text=[$PRODUCT_TEXT8]" "$E2E_WORK"/dialog-*.txt 2>/dev/null
  ok $? "$1: message text 8 came up"
  expect_line "--> Enter ProcessXRVCDGUIDsSection()"
}

# add_oem_inf_8bit FILE TEXT: a driver INF copy stored in an 8-bit code page.
add_oem_inf_8bit() {
  mkdir -p "$DRIVE_C/windows/inf"
  printf '%s' "$2" | sed 's/$/\r/' >"$DRIVE_C/windows/inf/$1"
}

# add_oem_inf_nobom FILE TEXT: UTF-16LE without a byte-order mark.
add_oem_inf_nobom() {
  mkdir -p "$DRIVE_C/windows/inf"
  printf '%s' "$2" | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE >"$DRIVE_C/windows/inf/$1"
}

remove_oem_infs() { rm -f "$DRIVE_C"/windows/inf/oem*.inf; }

# The "** Searching" lines of the last run, as file names.
searched_files() { log_lines | sed -n 's/^\*\* Searching .*\\//p'; }

# hold_file WINDOWS-PATH: another process opens the file without sharing and keeps it
# open until release_file. Sets HOLD_PID.
hold_file() {
  rm -f "$DRIVE_C/held.txt" "$DRIVE_C/release.txt"
  wine "$TEST_TOOLS_DIR/holdfile.exe" "$1" 'C:\held.txt' 'C:\release.txt' >/dev/null 2>&1 &
  HOLD_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -f "$DRIVE_C/held.txt" ] && return 0
    sleep 0.1
  done
  ok 1 "the file $1 could not be held"
}

release_file() {
  touch "$DRIVE_C/release.txt"
  wait "$HOLD_PID"
}

# reg_set VIEW KEY VALUE DATA [TYPE]: a value in the 32- or 64-bit registry view.
reg_set() {
  wine reg add "$2" /v "$3" /t "${5:-REG_SZ}" /d "$4" /f "/reg:$1" >/dev/null 2>&1
  ok $? "reg add $2 $3 ($1-bit view)"
}

# data_file_keys FILE: the key lines of the add-on's section in an uninstaller data file.
data_file_keys() {
  tr -d '\r' <"$1" | awk '/^\[/ { inside = ($0 == "[Scrubber.FileUninstaller.MagicKeywords]"); next } inside && NF'
}

# Wine prefixes that the tests copy or share, made once and used only when whole.
# Sourced by lib.sh and wine-run.sh.

# prefix_whole DIR ARCH: the files every run needs are there: the registry, kernel32.dll
# in system32 and, in a 64-bit prefix, in syswow64 (the 32-bit launcher's own).
prefix_whole() {
  [ -f "$1/system.reg" ] && [ -f "$1/drive_c/windows/system32/kernel32.dll" ] &&
    { [ "$2" = win32 ] || [ -f "$1/drive_c/windows/syswow64/kernel32.dll" ]; }
}

# prefix_ready DIR ARCH VERSION: made whole for this version (the version Wine
# reported when the prefix was made is kept in DIR/.ready).
prefix_ready() {
  [ "$(cat "$1/.ready" 2>/dev/null)" = "$3" ] && prefix_whole "$1" "$2"
}

# prefix_make DIR ARCH VERSION (winxp, winxp64, vista, win7, win10): unless ready, a new
# prefix; it is marked ready only when it is whole and Wine reports that version for it.
# A start that Wine did not finish (a busy or full machine) is tried once more; 1 when
# the prefix is still not whole. Call it under a lock.
prefix_make() {
  local dir=$1 arch=$2 version=$3 attempt reported
  prefix_ready "$dir" "$arch" "$version" && return 0
  # Wine's own DLLs only: a test's overrides (rundll32.exe=n, say) make wineboot fail.
  local -x WINEDLLOVERRIDES="mscoree,mshtml="
  for attempt in 1 2; do
    rm -rf "$dir"
    WINEPREFIX=$dir WINEARCH=$arch wineboot -i >/dev/null 2>&1
    WINEPREFIX=$dir wine winecfg /v "$version" >/dev/null 2>&1
    reported=$(WINEPREFIX=$dir wine winecfg /v 2>/dev/null | tr -d '\r')
    WINEPREFIX=$dir wineserver -w
    if [ "$reported" = "$version" ] && prefix_whole "$dir" "$arch"; then
      echo "$version" >"$dir/.ready"
      return 0
    fi
    echo "prefix $dir ($arch, $version) is not whole (Wine reports [$reported]), attempt $attempt" >&2
  done
  return 1
}

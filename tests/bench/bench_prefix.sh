# Sourced by the benches that time a program under Wine outside the test suite: one
# 32-bit prefix of their own under the bench folder, made once and kept.
# bench_prefix DIR: exports WINEPREFIX=DIR (and a quiet Wine), making the prefix if needed.
bench_prefix() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$1
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    rm -rf "$WINEPREFIX"
    WINEARCH=win32 wineboot -i >/dev/null 2>&1
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.ready"
  fi
}

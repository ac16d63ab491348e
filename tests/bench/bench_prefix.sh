# Sourced by the benches that time a program under Wine outside the test suite: one
# 32-bit prefix of their own under the bench folder, made once and kept.
# bench_prefix DIR: exports WINEPREFIX=DIR (and a quiet Wine), making the prefix if needed.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/prefix.sh"
bench_prefix() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$1
  prefix_make "$WINEPREFIX" win32 win7
}

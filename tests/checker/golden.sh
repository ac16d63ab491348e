#!/usr/bin/env bash
# Golden outputs of the configuration checker. This folder is the example medium: each
# *.inf gives exactly its .out file (the text report, then the exit code), traps.inf
# and utf8-bom.inf also their .json with --json, custom.inf with --os custom-os.out. A
# missing file and a wrong command line give exit code 2, and so does a file over the
# size limit (one of exactly the limit is checked) or one that does not fit in memory.
#   golden.sh CHECKER            the host build
#   golden.sh CHECKER RUNNER     the Windows build through RUNNER (tests/e2e/wine-run.sh)
# UPDATE_GOLDEN=1 rewrites the golden files from the current output.
set -u
checker=$1
runner=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
passed=0 failed=0

run() {  # run ARGS... FILE: the checker's output followed by its exit code
  local file=${*: -1} args=("${@:1:$#-1}")
  [ -n "$runner" ] && file=$(winepath -w "$file" 2>/dev/null)
  if [ -z "$runner" ]; then
    "$checker" "${args[@]}" "$file"
    echo "exit code $?"
    return
  fi
  # The runner reports the program's exit code itself, as its last line.
  "$runner" "$checker" "${args[@]}" "$file" | tr -d '\r'
}

compare() {  # compare GOLDEN-FILE ACTUAL-TEXT
  if [ -n "${UPDATE_GOLDEN:-}" ]; then printf '%s\n' "$2" >"$1"; fi
  if diff -u "$1" <(printf '%s\n' "$2") >&2; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1" >&2; fi
}

# Through Wine each run costs seconds: there the two files that differ most (ANSI with
# every trap, UTF-16 clean) are enough to show that both builds read alike.
infs=("$here"/*.inf)
[ -n "$runner" ] && infs=("$here/traps.inf" "$here/custom.inf")
for inf in "${infs[@]}"; do
  compare "${inf%.inf}.out" "$(run "$inf" | tr -d '\r')"
done
compare "$here/traps.json" "$(run --json "$here/traps.inf" | tr -d '\r')"
[ -z "$runner" ] && compare "$here/utf8-bom.json" "$(run --json "$here/utf8-bom.inf" | tr -d '\r')"
# Entries chosen on the command line: one of the list, one it does not hold.
[ -z "$runner" ] && compare "$here/custom-os.out" "$(run --os 501_64 --os 700 "$here/custom.inf" | tr -d '\r')"

# A file over the size limit (128 MiB) is refused before it is read: a sparse file.
scratch=$(mktemp -d)
truncate -s 129M "$scratch/big.inf"
cases=("$here/no-such-file.inf" "--json" "--bogus $here/custom.inf" "$scratch/big.inf")
[ -n "$runner" ] && cases=("$here/no-such-file.inf" "$scratch/big.inf")
for args in "${cases[@]}"; do
  # shellcheck disable=SC2086
  got=$(run $args 2>/dev/null | tail -n1)
  [ "$got" = "exit code 2" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: [$args] gave [$got], expected exit code 2" >&2; }
done
# Out of memory, in the host build without sanitizers (PLAIN_CHECKER): a file within
# the size limit whose text does not fit an address space of 96 MiB.
if [ -z "$runner" ] && [ -n "${PLAIN_CHECKER:-}" ]; then
  head -c 32M /dev/zero | tr '\0' x >"$scratch/wide.inf"
  got=$(prlimit --as=$((96 << 20)) "$PLAIN_CHECKER" "$scratch/wide.inf" 2>&1 >/dev/null; echo "exit code $?")
  want=$'setupcheck: not enough memory to check this file\nexit code 2'
  [ "$got" = "$want" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: out of memory gave [$got]" >&2; }
  # The limit itself (sparse UTF-16 files, half as many characters as bytes): a file of
  # exactly 128 MiB is checked, one byte more is refused.
  for row in "0|1" "1|2"; do
    printf '\xff\xfe' >"$scratch/limit.inf"
    truncate -s $(((128 << 20) + ${row%|*})) "$scratch/limit.inf"
    got=$("$PLAIN_CHECKER" "$scratch/limit.inf" >/dev/null 2>&1; echo $?)
    rm -f "$scratch/limit.inf"
    [ "$got" = "${row#*|}" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: 128 MiB + ${row%|*} gave exit code $got" >&2; }
  done
fi
rm -rf "$scratch"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

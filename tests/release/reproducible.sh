#!/usr/bin/env bash
# Rebuilds a commit's release from two clean clones in different folders and compares:
#   - the two unsigned releases are the same byte for byte: Setup.exe, setupcheck.exe,
#     every file of the medium, the zip, SHA256SUMS and the bill of materials;
#   - a release of the second clone signed with a throwaway certificate has the
#     Authenticode digests of the first clone's unsigned program files.
# Two full release builds: about 3 minutes on two cores. Not part of the suite.
#
#   bash tests/release/reproducible.sh [COMMIT]      (default: HEAD; KEEP=1 keeps the clones)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
commit=$(git rev-parse "${1:-HEAD}^{commit}")
work=$(mktemp -d "${TMPDIR:-/tmp}/reproducible.XXXXXX")
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
. tests/release/test-signer.sh

passed=0 failed=0
check() {  # check CONDITION-EXIT-CODE MESSAGE
  if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $2"; fi
}

# Different folder names and depths, so that a path in a program file shows.
a=$work/a
b=$work/second-checkout/of-the-same-commit
start=$SECONDS
for dir in "$a" "$b"; do
  git clone -q --no-local "$root" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
done
echo "==== Unsigned release of $commit in $a"
bash "$a/scripts/release.sh" --out "$work/out-a" >"$work/a.log" 2>&1 || { tail -n 20 "$work/a.log"; exit 1; }
echo "==== Unsigned release of $commit in $b"
bash "$b/scripts/release.sh" --out "$work/out-b" >"$work/b.log" 2>&1 || { tail -n 20 "$work/b.log"; exit 1; }
built=$SECONDS

files=$(cd "$work/out-a" && find . -type f | LC_ALL=C sort)
check "$([ -n "$files" ]; echo $?)" "no release files in $work/out-a"
expect_files=$(cd "$work/out-b" && find . -type f | LC_ALL=C sort)
[ "$files" = "$expect_files" ]; check $? "the releases have different files:
$(diff <(echo "$files") <(echo "$expect_files"))"
for f in $files; do
  cmp -s "$work/out-a/$f" "$work/out-b/$f"; check $? "$f differs between the two clones"
done

echo "==== Signed release (throwaway certificate) in $b"
make_test_signer "$work/keys"
RELEASE_PFX_PASSWORD=$TEST_PFX_PASSWORD bash "$b/scripts/release.sh" --out "$work/out-signed" \
  --pfx "$work/keys/signer.pfx" --ca "$work/keys/ca.pem" --signer "$work/keys/signer.sha256" >"$work/signed.log" 2>&1
check $? "the signed release failed: $(tail -n 10 "$work/signed.log")"
name=$(cd "$work/out-a" && ls -d TarvikAddon-*/ | tr -d /)
for program in Setup.exe setupcheck.exe; do
  unsigned=$(python3 scripts/release_files.py digest "$work/out-a/$name/$program")
  signed=$(osslsigncode verify -CAfile "$work/keys/ca.pem" -in "$work/out-signed/$name/$program" 2>&1 |
    sed -n 's/^Current message digest *: \([0-9A-F]*\).*/\1/p')
  [ "$signed" = "$unsigned" ]; check $? "$program: signed digest [$signed], unsigned build of the other clone [$unsigned]"
  echo "$program: Authenticode digest $signed (signed), $unsigned (unsigned, other clone)"
done

echo "Compared: $(echo "$files" | wc -l) files ($(echo "$files" | tr '\n' ' '))"
echo "Time: $((built - start)) s for the two unsigned releases, $((SECONDS - start)) s in all"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

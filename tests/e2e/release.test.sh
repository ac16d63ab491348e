#!/usr/bin/env bash
# The release (scripts/release.sh), signed with a throwaway CA's code-signing
# certificate made here with openssl and time-stamped by a local RFC 3161 server:
# the signatures verify against that CA and nothing else, a changed byte or PE
# checksum fails the check, signing leaves the Authenticode digest of the unsigned
# build; checksums, zip, notices and bill of materials match the medium and the link
# maps; the signed medium still runs the example under Wine. The release build is kept
# in build/windows-x86/release/ between runs (the first run builds it whole). Only the
# pinned signer passes (another certificate of the same CA fails, and so does one of
# another CA with the pinned one's serial number), the signing password never reaches the
# build's programs, and a failed release leaves an earlier one as it was. Relative paths
# of the options are taken from where the script is started; a release replaces its
# folder whole and never one that holds other files, and a build folder that is not the
# script's own is not removed.
. "$(dirname "$0")/lib.sh"
. "$TEST_SOURCE_DIR/tests/release/test-signer.sh"

keys=$E2E_WORK/keys
make_test_signer "$keys"
start_test_tsa "$keys"
trap 'kill "$TSA_PID" 2>/dev/null; e2e_cleanup' EXIT

build=$TEST_BUILD_DIR/release
out=$E2E_WORK/out
pin=$keys/signer.sha256
release() { bash "$TEST_SOURCE_DIR/scripts/release.sh" --build-dir "$build" --signer "$pin" "$@"; }
# git as the release starts it: it notes whether the password is in its environment.
spy=$E2E_WORK/spy
mkdir -p "$spy"
printf '#!/bin/sh\nenv | grep -c "^RELEASE_PFX_PASSWORD=" >>"%s/seen.txt"\nexec "%s" "$@"\n' "$spy" "$(command -v git)" >"$spy/git"
chmod +x "$spy/git"
(cd "$E2E_WORK" && PATH="$spy:$PATH" RELEASE_PFX_PASSWORD=$TEST_PFX_PASSWORD release --out out --pfx keys/signer.pfx \
  --timestamp "$TSA_URL" --ca keys/ca.pem --tsa-ca keys/ca.pem --signer keys/signer.sha256) >"$E2E_WORK/release.txt" 2>&1
ok $? "signed release failed:
$(tail -n 20 "$E2E_WORK/release.txt")"
expect_eq "git runs with the password in its environment" "0" "$(sort -u "$spy/seen.txt" 2>/dev/null | paste -sd,)"

version=$(sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p' "$TEST_SOURCE_DIR/ui/setup.rc")
name=TarvikAddon-$version
medium=$out/$name
files=$(cd "$build/medium" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
expect_eq "release medium files (the build's medium)" "$files" "$(cd "$medium" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
for f in $files; do
  case $f in
    Setup.exe|setupcheck.exe) ! cmp -s "$build/medium/$f" "$medium/$f"; ok $? "$f on the release medium is the unsigned build" ;;
    *) cmp -s "$build/medium/$f" "$medium/$f"; ok $? "$f on the release medium differs from the build's" ;;
  esac
done

# ---- checksums -----------------------------------------------------------------
sums=$(cd "$out" && sha256sum -c SHA256SUMS 2>&1)
ok $? "sha256sum -c SHA256SUMS: $sums"
expect_eq "files in SHA256SUMS" "$(printf '%s\n' "$name.zip" "$name.spdx.json"; sed "s|^|$name/|" <<<"$files")" \
  "$(sed 's/^[0-9a-f]*  //' "$out/SHA256SUMS")"

# ---- signatures: each row is FILE, CHANGE, VERIFY OPTIONS, pass/fail, text of the report ----
# changed FILE CHANGE: a copy of FILE with one change ("" none, "byte": one byte in the
# middle of the first section, "checksum": the PE checksum field).
changed() {
  local copy=$E2E_WORK/changed-$2-$(basename "$1")
  python3 - "$1" "$copy" "$2" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
pe = struct.unpack_from('<I', data, 0x3c)[0]
if sys.argv[3] == 'byte':
    size, offset = struct.unpack_from('<II', data, pe + 24 + struct.unpack_from('<H', data, pe + 20)[0] + 16)
    data[offset + size // 2] ^= 0x40
elif sys.argv[3] == 'checksum':
    data[pe + 24 + 64] ^= 0x01
open(sys.argv[2], 'wb').write(data)
PY
  echo "$copy"
}
ca=(--ca "$keys/ca.pem" --tsa-ca "$keys/ca.pem")
osslsigncode sign -h sha256 -pkcs12 "$keys/other.pfx" -readpass <(printf '%s' "$TEST_PFX_PASSWORD") -ts "$TSA_URL" \
  -in "$build/medium/Setup.exe" -out "$E2E_WORK/other-Setup.exe" >/dev/null 2>&1
# Signed by another CA's certificate with the pinned one's serial number, the pinned
# certificate added to the signature (listed first).
osslsigncode sign -h sha256 -certs "$keys/imposter.pem" -key "$keys/imposter.key" -ac "$keys/signer.pem" \
  -in "$build/medium/Setup.exe" -out "$E2E_WORK/imposter-Setup.exe" >/dev/null 2>&1
while IFS='|' read -r file change opts want text; do
  path=$medium/$file
  [ "$file" = unsigned ] && path=$build/medium/Setup.exe
  [ "$file" = other ] && path=$E2E_WORK/other-Setup.exe
  [ "$file" = imposter ] && path=$E2E_WORK/imposter-Setup.exe
  target=$(changed "$path" "$change")
  # shellcheck disable=SC2086
  report=$(bash "$TEST_SOURCE_DIR/scripts/verify-release.sh" --signer "$pin" $opts "$target" 2>&1)
  rc=$?
  got=$([ "$rc" -eq 0 ] && echo pass || echo fail)
  [ "$got" = "$want" ] && [[ $report == *"$text"* ]]
  ok $? "verify $file (changed: ${change:-nothing}; options: ${opts:-none}): expected $want with [$text], got $got:
$report"
done <<ROWS
Setup.exe||${ca[*]}|pass|signer /CN=Release Test Signer/O=Tarvik printer add-on team, time-stamped
setupcheck.exe||${ca[*]}|pass|, time-stamped
Setup.exe|byte|${ca[*]}|fail|differs from the signed digest
setupcheck.exe|byte|${ca[*]}|fail|differs from the signed digest
Setup.exe|checksum|${ca[*]}|fail|invalid PE checksum
Setup.exe|||fail|signature does not verify
Setup.exe||--ca $keys/ca.pem|fail|the time-stamp does not verify
unsigned||${ca[*]}|fail|not signed
other||${ca[*]}|fail|the signer /CN=Somebody Else (SHA-256
imposter||--ca $keys/cas.pem|fail|the signer /CN=other code signer/O=Another organisation
ROWS

# Signing adds a signature and changes nothing else: the digest that osslsigncode
# finds in the signed file is the unsigned build's.
for f in Setup.exe setupcheck.exe; do
  signed=$(osslsigncode verify -CAfile "$keys/ca.pem" -TSA-CAfile "$keys/ca.pem" -in "$medium/$f" 2>&1 |
    sed -n 's/^Current message digest *: \([0-9A-F]*\).*/\1/p')
  expect_eq "$f: signed digest = the unsigned build's" "$(python3 "$TEST_SOURCE_DIR/scripts/release_files.py" digest "$build/medium/$f")" "$signed"
done

# Reproducible program files: the commit's time as PE time stamp, no folder of the
# checkout or the build inside.
epoch=$(git -C "$TEST_SOURCE_DIR" log -1 --format=%ct)
for f in Setup.exe setupcheck.exe; do
  expect_eq "$f PE time stamp (the commit's)" "$(LC_ALL=C date -d "@$epoch" '+%a %b %e %H:%M:%S %Y')" \
    "$("$OBJDUMP" -p "$medium/$f" | sed -n 's/^Time\/Date\t*//p')"
  for dir in "$TEST_SOURCE_DIR" "$build"; do
    ! grep -qaF "$dir" "$medium/$f"; ok $? "$f contains the folder $dir"
  done
done

# ---- zip: the medium under its folder name, sorted, the commit's time ----------------
zip_report=$(python3 - "$out/$name.zip" "$out" "$epoch" <<'PY'
import os, sys, time, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = [i.filename for i in z.infolist()]
if names != sorted(names): print('entries not sorted:', names)
stamp = time.gmtime(int(sys.argv[3]) // 2 * 2)[:6]  # zip times count in 2 s steps
for i in z.infolist():
    if i.date_time != stamp: print(f'{i.filename}: time {i.date_time}, expected {stamp}')
    if not i.is_dir() and z.read(i) != open(os.path.join(sys.argv[2], i.filename), 'rb').read():
        print(f'{i.filename}: differs from the medium')
print('files:', ' '.join(sorted(i.filename for i in z.infolist() if not i.is_dir())))
PY
)
expect_eq "zip" "files: $(sed "s|^|$name/|" <<<"$files" | tr '\n' ' ' | sed 's/ $//')" "$zip_report"

# ---- notices: every toolchain archive of the link maps, the licence texts --------------
map_archives=$(cat "$build/Setup.map" "$build/setupcheck.map" | grep -oE '^/[^ (]*/lib[^/ (]*\.a\(' | sed 's|.*/||; s/($//' | sort -u)
notices=$(tr -d '\r' <"$medium/THIRD-PARTY-NOTICES.txt")
for a in $map_archives; do
  grep -qF "    $a (" <<<"$notices"; ok $? "THIRD-PARTY-NOTICES.txt does not list $a"
done
for text in "GCC RUNTIME LIBRARY EXCEPTION" "Copyright: 2009-2016 the mingw-w64 project" "GNU GENERAL PUBLIC LICENSE"; do
  grep -qF "$text" <<<"$notices"; ok $? "THIRD-PARTY-NOTICES.txt lacks [$text]"
done

# ---- bill of materials: the medium as released, the link maps' members ------------------
linked() {  # the archive members a link map names, as "archive(member)"
  awk '/^Archive member included/ { on = 1; next } on && /^[^ ]/ && !/\.a\(/ { on = 0 } on && /^\// { print $1 }' "$1" |
    while IFS= read -r m; do echo "$(realpath "${m%%(*}")(${m#*(}"; done | sort -u
}
export E2E_WORK
sbom_report=$(python3 - "$out/$name.spdx.json" "$medium" <<'PY'
import hashlib, json, os, sys
d = json.load(open(sys.argv[1]))
print('version', d['spdxVersion'], d['packages'][0]['name'], d['packages'][0]['versionInfo'])
ids = {x['SPDXID']: x for x in d['packages'] + d['files']}
for f in d['files']:
    if f['fileName'].startswith('./'):
        want = hashlib.sha256(open(os.path.join(sys.argv[2], f['fileName']), 'rb').read()).hexdigest()
        got = [c['checksumValue'] for c in f['checksums'] if c['algorithm'] == 'SHA256'][0]
        if got != want: print(f"{f['fileName']}: SHA256 {got}, the medium's {want}")
for program in ['./Setup.exe', './setupcheck.exe']:
    pid = [f['SPDXID'] for f in d['files'] if f['fileName'] == program][0]
    with open(f'{os.environ["E2E_WORK"]}/sbom-{program[2:]}.txt', 'w') as out:
        for r in d['relationships']:
            if r['spdxElementId'] == pid and r['relationshipType'] == 'STATIC_LINK':
                name = ids[r['relatedSpdxElement']]['fileName']
                if '(' in name: print(name, file=out)
unanalysed = {p['SPDXID'] for p in d['packages'] if p.get('filesAnalyzed') is False}
contains = [r for r in d['relationships'] if (r['relationshipType'] == 'CONTAINS' and r['spdxElementId'] in unanalysed)
            or (r['relationshipType'] == 'CONTAINED_BY' and r['relatedSpdxElement'] in unanalysed)]
print('files contained in packages not analysed:', len(contains), 'of', len(unanalysed) > 0)
tools = {p['name']: p['versionInfo'] for p in d['packages'][1:]}
print('gcc', tools.get('gcc-mingw-w64-i686-win32'), 'binutils', tools.get('binutils-mingw-w64-i686'))
PY
)
dpkg_version() { dpkg-query -W -f='${Version}' "$1"; }
expect_eq "bill of materials" "version SPDX-2.3 TarvikAddon $version
files contained in packages not analysed: 0 of True
gcc $(dpkg_version gcc-mingw-w64-i686-win32) binutils $(dpkg_version binutils-mingw-w64-i686)" "$sbom_report"
for f in Setup.exe setupcheck.exe; do
  want=$(linked "$build/${f%.exe}.map")
  got=$(sort -u "$E2E_WORK/sbom-$f.txt" 2>/dev/null)
  expect_eq "$f: archive members in the bill of materials (the link map's: $(wc -l <<<"$want"))" "$want" "$got"
done

# ---- the signed medium runs the example (Windows 7, unattended) -------------------------
unset DISPLAY
use_prefix win32-win7
MEDIUM=$DRIVE_C/TarvikAddon MEDIUM_WIN='C:\TarvikAddon'
cp -r "$medium" "$MEDIUM"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/addon-setup.exe"
add_oem_inf oem7.inf "$(tr -d '\r' <"$MEDIUM/drivers/tarvikdrv.inf")"
(cd "$MEDIUM" && wine setupcheck.exe autorun.inf >/dev/null 2>&1)
expect_eq "signed setupcheck.exe autorun.inf: exit code" 0 $?
new_temp 1
run_setup "-ui quiet"
expect_eq "signed Setup.exe -ui quiet: exit code" 3010 "$(run_exit_code)"
expect_line "+++        Version : $version"
expect_line "** Exit code 3010: the Run list ran to its end; the computer must be restarted"

# ---- without a key: complete, unsigned, and said so; a wrong password fails -----------
# Over an earlier release of another version: afterwards the folder holds the new one only.
mkdir -p "$out/unsigned/TarvikAddon-0.9"
touch "$out/unsigned/TarvikAddon-0.9.zip" "$out/unsigned/TarvikAddon-0.9/Setup.exe"
release --out "$out/unsigned" >"$E2E_WORK/unsigned.txt" 2>&1
ok $? "unsigned release failed: $(tail -n 5 "$E2E_WORK/unsigned.txt")"
expect_eq "unsigned release: its folder, and what is left beside it" "SHA256SUMS $name $name.spdx.json $name.zip | unsigned" \
  "$(ls -A "$out/unsigned" | LC_ALL=C sort | paste -sd' ') | $(find "$out" -maxdepth 1 -name '*unsigned*' -printf '%f\n' | paste -sd' ')"
grep -q 'are NOT signed' "$E2E_WORK/unsigned.txt"; ok $? "the unsigned release does not say so"
cmp -s "$build/medium/Setup.exe" "$out/unsigned/$name/Setup.exe"; ok $? "unsigned release: Setup.exe is not the build's"
(cd "$out/unsigned" && sha256sum --quiet -c SHA256SUMS); ok $? "unsigned release: SHA256SUMS does not check"
RELEASE_PFX_PASSWORD=wrong release --out "$out/wrong" --pfx "$keys/signer.pfx" --ca "$keys/ca.pem" >"$E2E_WORK/wrong.txt" 2>&1
rc=$?
[ "$rc" -ne 0 ] && [ ! -e "$out/wrong/$name.zip" ]; ok $? "a wrong password: exit code $rc, zip $(ls "$out/wrong" 2>/dev/null)"
# Failures over the earlier, good release: a wrong password, another signer of the same CA.
before=$(cd "$out" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
for pfx in signer other; do
  RELEASE_PFX_PASSWORD=$([ $pfx = signer ] && echo wrong || echo "$TEST_PFX_PASSWORD") \
    release --out "$out" --pfx "$keys/$pfx.pfx" --ca "$keys/ca.pem" >"$E2E_WORK/failed-$pfx.txt" 2>&1
  rc=$?
  [ "$rc" -ne 0 ]; ok $? "release signed with $pfx.pfx (wrong password for signer): exit code $rc"
  expect_eq "the earlier release after a failed one ($pfx.pfx)" "$before" \
    "$(cd "$out" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)"
done
grep -q 'the signer /CN=Somebody Else' "$E2E_WORK/failed-other.txt"; ok $? "another signer: $(tail -n 3 "$E2E_WORK/failed-other.txt")"

# Folders that are not the script's: a release folder with another file in it, a build
# folder without the build's mark. Each row: folder | options | message.
while IFS='|' read -r dir opts text; do
  mkdir -p "$E2E_WORK/$dir"
  echo kept >"$E2E_WORK/$dir/notes.txt"
  # shellcheck disable=SC2086
  release $opts >"$E2E_WORK/$dir.txt" 2>&1
  rc=$?
  [ "$rc" -ne 0 ] && grep -qF "$text" "$E2E_WORK/$dir.txt"; ok $? "$dir: exit code $rc, expected a failure with [$text]: $(tail -n 2 "$E2E_WORK/$dir.txt")"
  expect_eq "$dir: what it holds afterwards" "notes.txt" "$(ls -A "$E2E_WORK/$dir")"
done <<ROWS
foreign|--out $E2E_WORK/foreign|holds more than an earlier release (notes.txt): it is not replaced
notbuild|--out $E2E_WORK/out-notbuild --build-dir $E2E_WORK/notbuild|is not a release build folder
ROWS

finish

#!/usr/bin/env bash
# Builds a release from the checkout: the medium, its zip, checksums, third-party
# notices and an SPDX bill of materials, optionally Authenticode-signed.
#
#   bash scripts/release.sh --out DIR [--pfx FILE] [--timestamp URL] [--ca FILE] [--tsa-ca FILE] [--signer FILE]
#   bash scripts/release.sh --out DIR --pkcs11-module LIB --pkcs11-key ID
#                           (--pkcs11-cert ID | --certs FILE) [--timestamp URL] [--ca FILE] [--tsa-ca FILE]
#                           [--signer FILE]
#
# DIR receives:
#   TarvikAddon-<version>/            the medium (the build's medium folder, notices included)
#   TarvikAddon-<version>.zip         that folder, entries in a fixed order with fixed times
#   TarvikAddon-<version>.spdx.json   SPDX 2.3 bill of materials
#   SHA256SUMS                        for the zip, the bill of materials and every medium file
#
# DIR is the release's own folder. The release is made in a folder beside it
# (.DIR.partial-*) and takes its place in one rename only when every step passed (an
# earlier release in DIR is moved aside first and removed after): a failed release leaves
# DIR as it was. A DIR that holds anything but an earlier release is never replaced.
# Relative paths of the options are taken from the folder the script is started in.
#
# --pfx FILE        sign Setup.exe and setupcheck.exe (SHA-256) with this PKCS#12 file; its
#                   password comes from the environment variable RELEASE_PFX_PASSWORD, which
#                   is read once and removed from the environment before anything else
#                   runs, and reaches osslsigncode through a pipe (-readpass), never a
#                   command line
# --pkcs11-module   sign with a key on a token or HSM through this PKCS#11 module; the key
#                   (and the certificate, or a certificate file with --certs) by their
#                   PKCS#11 ids; the PIN comes from RELEASE_TOKEN_PIN, the same way
# --signer FILE     the pinned signer: the SHA-256 fingerprint of the one certificate that
#                   may sign (default: scripts/release-signer.txt); a signature by any
#                   other certificate, of the same CA or not, fails the release
# --timestamp URL   add an RFC 3161 time-stamp from this server to each signature
# --ca FILE         the certificates the signatures are verified against after signing
#                   (default: the system's store); --tsa-ca FILE the same for time-stamps
# --build-dir DIR   where to build (default: build/release; reused while the commit's
#                   time stays the same, emptied otherwise; a folder that holds files
#                   but is not one this script built in is left alone: the release stops)
#
# Without a signing key the release is complete but unsigned, and the script says so.
# The version is the one of the version block in ui/setup.rc. The build runs with
# SOURCE_DATE_EPOCH set to the commit's time, so the same commit gives the same bytes.
set -euo pipefail
# The secrets are read once, here, and leave the environment before any other program
# (cmake, the compilers, python) starts.
pfx_password=${RELEASE_PFX_PASSWORD-} token_pin=${RELEASE_TOKEN_PIN-}
unset RELEASE_PFX_PASSWORD RELEASE_TOKEN_PIN
root=$(cd "$(dirname "$0")/.." && pwd)

out="" pfx="" timestamp="" ca="" tsa_ca="" build_dir="$root/build/release" signer="$root/scripts/release-signer.txt"
pkcs11_module="" pkcs11_key="" pkcs11_cert="" certs=""
usage() { sed -n '2,8p' "$root/scripts/release.sh" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case "$1" in
    --out) out=$2 ;;
    --pfx) pfx=$2 ;;
    --timestamp) timestamp=$2 ;;
    --ca) ca=$2 ;;
    --tsa-ca) tsa_ca=$2 ;;
    --build-dir) build_dir=$2 ;;
    --pkcs11-module) pkcs11_module=$2 ;;
    --pkcs11-key) pkcs11_key=$2 ;;
    --pkcs11-cert) pkcs11_cert=$2 ;;
    --certs) certs=$2 ;;
    --signer) signer=$2 ;;
    *) usage ;;
  esac
  shift 2
done
[ -n "$out" ] || usage
die() { echo "release.sh: $*" >&2; exit 1; }
# A relative path from the options is taken from the folder the script was started in
# (a PKCS#11 module named without a folder is left to the loader's search).
from_here() { case $1 in "" | /*) printf '%s' "$1" ;; *) printf '%s/%s' "$PWD" "$1" ;; esac; }
out=$(from_here "$out") pfx=$(from_here "$pfx") ca=$(from_here "$ca") tsa_ca=$(from_here "$tsa_ca")
build_dir=$(from_here "$build_dir") signer=$(from_here "$signer") certs=$(from_here "$certs")
[[ $pkcs11_module != */* ]] || pkcs11_module=$(from_here "$pkcs11_module")
cd "$root"
[ -z "$pfx" ] || [ -f "$pfx" ] || die "no PKCS#12 file $pfx"
[ -z "$pfx" ] || [ -z "$pkcs11_module" ] || die "--pfx and --pkcs11-module exclude each other"
[ -z "$pkcs11_module" ] || { [ -n "$pkcs11_key" ] && [ -n "$pkcs11_cert$certs" ]; } ||
  die "--pkcs11-module needs --pkcs11-key and --pkcs11-cert or --certs"
signing=$([ -n "$pfx$pkcs11_module" ] && echo 1 || echo 0)
[ -z "$timestamp" ] || [ "$signing" = 1 ] || die "--timestamp needs --pfx or --pkcs11-module"
[ "$signing" = 0 ] || [ -f "$signer" ] || die "no signer file $signer"
[ "$signing" = 0 ] || grep -v '^[[:space:]]*#' "$signer" | grep -q '[0-9A-Fa-f]' ||
  die "no signer's fingerprint in $signer: a signed release needs the release certificate's"
signer=$(cd "$(dirname "$signer")" && pwd)/$(basename "$signer")
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ "$out" != / ] && [ -w "$(dirname "$out")" ] || die "the release folder $out cannot be replaced: its parent folder is not writable"
bash scripts/setup.sh

# ---- version and commit ----------------------------------------------------------
rc_value() { sed -n "s/^ *VALUE \"$1\", \"\([^\"]*\)\".*/\1/p" ui/setup.rc; }
version=$(rc_value ProductVersion)
fixed_version=$(sed -n 's/^ *FILEVERSION *\([0-9, ]*\)$/\1/p' ui/setup.rc | tr -d ' ' | tr , .)
[[ $version =~ ^[0-9]+(\.[0-9]+){3}$ ]] || die "no version in ui/setup.rc (ProductVersion: '$version')"
[ "$fixed_version" = "$version" ] && [ "$(rc_value FileVersion)" = "$version" ] ||
  die "ui/setup.rc names different versions: ProductVersion $version, FileVersion $(rc_value FileVersion), FILEVERSION $fixed_version"
product=$(rc_value ProductName)
name=TarvikAddon-$version
commit=$(git rev-parse HEAD)
epoch=$(git log -1 --format=%ct HEAD)
source="$commit"
if [ -n "$(git status --porcelain)" ]; then
  echo "WARNING: the checkout has uncommitted changes; this release cannot be rebuilt from commit $commit" >&2
  source="$commit with uncommitted changes"
fi
echo "==== $name from commit $commit ($(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC'))"

# ---- build ------------------------------------------------------------------------
export SOURCE_DATE_EPOCH=$epoch
# The build folder carries the file release-epoch from its first moment: only a folder
# with it is emptied; another one that holds anything is not this script's to remove.
if [ -e "$build_dir" ] && [ "$(cat "$build_dir/release-epoch" 2>/dev/null)" != "$epoch" ]; then
  if [ -f "$build_dir/release-epoch" ]; then
    rm -rf "$build_dir"
  elif [ ! -d "$build_dir" ] || [ -n "$(ls -A "$build_dir")" ]; then
    die "--build-dir $build_dir is not a release build folder (no release-epoch file in it) and is not empty: it is left as it is; name a new or empty folder"
  fi
fi
mkdir -p "$build_dir"
[ -f "$build_dir/release-epoch" ] || echo configuring >"$build_dir/release-epoch"
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
echo "$epoch" >"$build_dir/release-epoch"
cmake --build "$build_dir" --target medium

# ---- the medium -------------------------------------------------------------------
# Everything is made in a folder beside the target and moved into place at the end.
final=$out
stage=$(mktemp -d "$(dirname "$final")/.$(basename "$final").partial-XXXXXX")
trap 'rm -rf "$stage"' EXIT
out=$stage
medium=$out/$name
cp -r "$build_dir/medium" "$medium"
programs=(Setup.exe setupcheck.exe)

if [ "$signing" = 1 ]; then
  sign_opts=(-h sha256 -n "$product")
  if [ -n "$pfx" ]; then
    sign_opts+=(-pkcs12 "$pfx")
    secret=$pfx_password
  else
    sign_opts+=(-pkcs11module "$pkcs11_module" -key "$pkcs11_key")
    if [ -n "$certs" ]; then sign_opts+=(-certs "$certs"); else sign_opts+=(-pkcs11cert "$pkcs11_cert"); fi
    secret=$token_pin
  fi
  [ -n "$timestamp" ] && sign_opts+=(-ts "$timestamp")
  for program in "${programs[@]}"; do
    rm -f "$medium/$program"
    # printf is a shell builtin: the secret goes through the pipe only. (osslsigncode
    # refuses an empty password file: a key without password gets none.)
    if [ -n "$secret" ]; then
      osslsigncode sign "${sign_opts[@]}" -readpass <(printf '%s' "$secret") \
        -in "$build_dir/medium/$program" -out "$medium/$program" >/dev/null
    else
      osslsigncode sign "${sign_opts[@]}" -in "$build_dir/medium/$program" -out "$medium/$program" >/dev/null
    fi || die "signing $program failed"
  done
  unset secret pfx_password token_pin
  echo "==== Verifying the signatures"
  verify_opts=(--signer "$signer")
  [ -n "$ca" ] && verify_opts+=(--ca "$ca")
  [ -n "$tsa_ca" ] && verify_opts+=(--tsa-ca "$tsa_ca")
  report=$(bash scripts/verify-release.sh "${verify_opts[@]}" "${programs[@]/#/$medium/}") || {
    echo "$report" >&2
    die "a signature does not verify"
  }
  echo "$report"
  # Signing adds the signature and nothing else: the signed digest is the unsigned file's.
  for program in "${programs[@]}"; do
    unsigned=$(python3 scripts/release_files.py digest "$build_dir/medium/$program")
    grep -q "^ok: $medium/$program: SHA-256 digest $unsigned," <<<"$report" ||
      die "$program: the signed digest is not the unsigned build's ($unsigned)"
    [ -z "$timestamp" ] || grep -q "^ok: $medium/$program: .*, time-stamped" <<<"$report" ||
      die "$program: no time-stamp that verifies"
  done
  signed_note="signed (SHA-256${timestamp:+, time-stamped by $timestamp})"
else
  signed_note="UNSIGNED"
  echo "NOTE: no --pfx or --pkcs11-module given: Setup.exe and setupcheck.exe are NOT signed" \
       "(Windows shows \"Unknown publisher\" when it asks for administrator rights)."
fi

# ---- zip, bill of materials, checksums --------------------------------------------
python3 scripts/release_files.py zip --dir "$medium" --epoch "$epoch" --out "$out/$name.zip"
python3 scripts/release_files.py sbom --medium "$medium" --zip "$out/$name.zip" \
  --map "Setup.exe=$build_dir/Setup.map" --map "setupcheck.exe=$build_dir/setupcheck.map" \
  --name TarvikAddon --version "$version" --commit "$source" --epoch "$epoch" \
  --out "$out/$name.spdx.json"
python3 -m json.tool "$out/$name.spdx.json" >/dev/null || die "the bill of materials is not well-formed JSON"
(
  cd "$out"
  { echo "$name.zip"; echo "$name.spdx.json"; find "$name" -type f | LC_ALL=C sort; } |
    xargs -d '\n' sha256sum >SHA256SUMS
  sha256sum --quiet -c SHA256SUMS
)

digests=()
for program in "${programs[@]}"; do
  digests+=("Authenticode digest (SHA-256) of $program: $(python3 scripts/release_files.py digest "$medium/$program")")
done

# ---- every step passed: the release takes the place of an earlier one ------------------
# DIR may hold an earlier release (of any version) and a stage of this script's earlier
# versions; anything else stays where it is and the release stops.
foreign=$(cd "$final" && ls -A | { grep -vxE 'TarvikAddon-[0-9.]+(\.zip|\.spdx\.json)?|SHA256SUMS|\.TarvikAddon-.*\.partial-.*' || true; } |
  head -n 5 | paste -sd, -)
[ -z "$foreign" ] || die "$final holds more than an earlier release ($foreign): it is not replaced"
chmod "$(umask -S)" "$stage"
aside=$(mktemp -d "$(dirname "$final")/.$(basename "$final").old-XXXXXX")
mv -T "$final" "$aside" || die "the earlier release in $final could not be moved aside"
if ! mv -T "$stage" "$final"; then
  mv -T "$aside" "$final"
  die "the release could not be moved to $final; the earlier one is back in place"
fi
rm -rf "$aside" || echo "WARNING: the earlier release, moved aside to $aside, could not be removed" >&2
out=$final medium=$final/$name
echo "==== $name, $signed_note, in $out:"
(cd "$out" && ls -l "$name.zip" "$name.spdx.json" SHA256SUMS && echo "$name/:" && find "$name" -type f | LC_ALL=C sort | sed 's/^/  /')
printf '%s\n' "${digests[@]}"

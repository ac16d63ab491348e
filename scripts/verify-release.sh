#!/usr/bin/env bash
# Checks the Authenticode signatures of signed program files (a release's Setup.exe and
# setupcheck.exe) with osslsigncode:
#
#   bash scripts/verify-release.sh [--signer FILE] [--ca FILE] [--tsa-ca FILE] FILE.exe...
#
# A file passes when it is signed by the pinned signer (a SHA-256 fingerprint of its
# certificate in --signer FILE, default scripts/release-signer.txt: of the certificate
# that made the signature, named by issuer and serial number, never of another one that
# the signature carries), its signature
# verifies against the certificates of --ca (default: the system's store), its digest is SHA-256, the digest over the file as it is now
# matches the signed one, and its PE checksum is right (the signing sets it; the
# signature does not cover it and osslsigncode only warns, but a file whose checksum
# no longer fits was changed after signing). A time-stamp, when present, must verify
# against --tsa-ca (default: the system's store).
# Prints one line per file; exit code 0 when every file passed, 2 when no signer is pinned.
set -uo pipefail

ca="" tsa_ca="" signer_file="$(cd "$(dirname "$0")" && pwd)/release-signer.txt"
files=()
while [ $# -gt 0 ]; do
  case "$1" in
    --ca) ca=$2; shift 2 ;;
    --tsa-ca) tsa_ca=$2; shift 2 ;;
    --signer) signer_file=$2; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "verify-release.sh: unknown option $1" >&2; exit 2 ;;
    *) files+=("$1"); shift ;;
  esac
done
[ ${#files[@]} -gt 0 ] || { echo "usage: verify-release.sh [--signer FILE] [--ca FILE] [--tsa-ca FILE] FILE.exe..." >&2; exit 2; }

# The pinned fingerprints: 64 hexadecimal digits a line (colons, blanks and a leading
# "sha256 Fingerprint=" dropped), upper case; "#" lines are comments.
pinned=$(sed -e '/^[[:space:]]*#/d' -e 's/^.*=//' "$signer_file" 2>/dev/null | tr -d ': \t\r' | tr a-f A-F |
  grep -E '^[0-9A-F]{64}$')
[ -n "$pinned" ] || { echo "verify-release.sh: no signer's SHA-256 fingerprint in $signer_file" >&2; exit 2; }

# signer_fingerprint FILE: the SHA-256 fingerprint of the certificate that made the
# signature, the one its SignerInfo names by issuer and serial number together (openssl
# writes it out), in `fingerprint`. When the signature's certificates hold more than one
# of that issuer and serial number, which one signed cannot be told: `fingerprint` stays
# empty and `ambiguous` counts them.
signer_fingerprint() {
  local dir name cert
  fingerprint="" ambiguous=0
  dir=$(mktemp -d) || return 1
  if osslsigncode extract-signature -pem -in "$1" -out "$dir/sig.pem" >/dev/null 2>&1 &&
    openssl smime -verify -inform PEM -in "$dir/sig.pem" -noverify -nosigs -signer "$dir/signer.pem" \
      -out /dev/null >/dev/null 2>&1 && [ "$(grep -c 'BEGIN CERTIFICATE' "$dir/signer.pem")" = 1 ]; then
    name=$(openssl x509 -in "$dir/signer.pem" -noout -issuer -serial -nameopt RFC2253)
    openssl pkcs7 -in "$dir/sig.pem" -print_certs 2>/dev/null | awk -v d="$dir" '/BEGIN CERT/ { n++ } n { print > (d "/c" n ".pem") }'
    for cert in "$dir"/c*.pem; do
      [ -f "$cert" ] && [ "$(openssl x509 -in "$cert" -noout -issuer -serial -nameopt RFC2253)" = "$name" ] &&
        ambiguous=$((ambiguous + 1))
    done
    if [ "$ambiguous" -le 1 ]; then
      ambiguous=0
      fingerprint=$(openssl x509 -in "$dir/signer.pem" -noout -fingerprint -sha256 | sed 's/^.*=//' | tr -d ':')
    fi
  fi
  rm -rf "$dir"
}

# field TEXT NAME: the value after "NAME:" in osslsigncode's report (first match).
field() { sed -n "s/^$2 *: *\([^ ]*\).*/\1/p" <<<"$1" | head -n1; }

failed=0
for file in "${files[@]}"; do
  if [ ! -f "$file" ]; then
    echo "FAILED: $file: no such file"
    failed=1
    continue
  fi
  opts=(-in "$file")
  [ -n "$ca" ] && opts+=(-CAfile "$ca")
  [ -n "$tsa_ca" ] && opts+=(-TSA-CAfile "$tsa_ca")
  report=$(osslsigncode verify "${opts[@]}" 2>&1)
  rc=$?
  problems=()
  if grep -q '^No signature found' <<<"$report"; then
    echo "FAILED: $file: not signed"
    failed=1
    continue
  fi
  [ "$rc" -eq 0 ] || problems+=("signature does not verify (osslsigncode exit code $rc)")
  current=$(field "$report" 'Current message digest')
  calculated=$(field "$report" 'Calculated message digest')
  [ -n "$current" ] && [ "$current" = "$calculated" ] || problems+=("file digest ${calculated:-?} differs from the signed digest ${current:-?}")
  algorithm=$(field "$report" 'Message digest algorithm')
  [ "$algorithm" = SHA256 ] || problems+=("digest algorithm ${algorithm:-none}, not SHA256")
  pe_current=$(field "$report" 'Current PE checksum')
  pe_calculated=$(field "$report" 'Calculated PE checksum')
  if grep -q 'invalid PE checksum' <<<"$report" || { [ -n "$pe_current" ] && [ "$pe_current" != "$pe_calculated" ]; }; then
    problems+=("invalid PE checksum ${pe_current:-?}, calculated ${pe_calculated:-?}")
  fi
  # osslsigncode passes a signature whose time-stamp does not verify (it then checks
  # the certificate at the current time instead).
  if grep -q '^Timestamp Server Signature verification: failed' <<<"$report"; then
    problems+=("the time-stamp does not verify (against ${tsa_ca:-the system store})")
  fi
  signer=$(sed -n 's/^\t*Subject: //p' <<<"$report" | head -n1)
  signer_fingerprint "$file"
  if [ "$ambiguous" -gt 1 ]; then
    problems+=("the signature carries $ambiguous certificates of the signer's issuer and serial number: which one signed cannot be told")
  elif ! grep -qxF "${fingerprint:-none}" <<<"$pinned"; then
    problems+=("the signer $signer (SHA-256 ${fingerprint:-unknown}) is not the pinned one ($signer_file)")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    stamp="no time-stamp"
    grep -q '^Timestamp Server Signature verification: ok' <<<"$report" &&
      stamp="time-stamped $(sed -n 's/^\t*Timestamp time: //p' <<<"$report" | head -n1)"
    echo "ok: $file: SHA-256 digest $current, signer $signer, $stamp"
  else
    failed=1
    echo "FAILED: $file:"
    printf '  %s\n' "${problems[@]}"
    grep -E 'error|Error|MISMATCH|Failed' <<<"$report" | sed 's/^/  osslsigncode: /' | head -n 5
  fi
done
exit "$failed"

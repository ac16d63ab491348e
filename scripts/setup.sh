#!/usr/bin/env bash
# Installs every Debian package that the build and the tests need.
# Idempotent: returns quickly when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 wine64
  libc6:i386  # the 32-bit libc that tests/tools/killat.c links against (gcc -m32 -nostdlib)
  xvfb xauth x11-apps imagemagick
  googletest python3
  osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

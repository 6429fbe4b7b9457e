#!/usr/bin/env bash
# Installs every tool the build, the demo and the tests need on Debian 12.
# Idempotent: packages already present are skipped; runs apt-get update first
# only when something is missing. Uses sudo only when not root.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine wine64 wine32:i386 xvfb xauth x11-utils
  locales imagemagick fonts-ipafont-gothic fonts-wine
  python3 file git
  gcovr
  xorriso osslsigncode openssl
)

# wine32 runs the 32-bit programs the CD ships (WoW64 in a 64-bit prefix);
# its packages come from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Locales for Wine (file names and the ANSI code page follow LANG): Japanese
# (code page 932) for the programs' home, US English (code page 1252) to prove
# they show correct Japanese on a Western system too.
for loc in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    echo "setup: generating $loc.UTF-8"
    if ! grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
  fi
done

echo "setup: ready"

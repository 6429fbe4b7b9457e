#!/usr/bin/env bash
# Turns a CD author's content folder into the CD image, checked and, when
# asked, signed:
#
#   ./make-cd.sh CONTENT OUT.iso
#
# Installs what it lacks (scripts/setup.sh), builds the programs the CD ships
# (i686, build/win32) and the install-list checker (build/host) when they are
# not up to date, then runs scripts/make_cd.sh: the check of CONTENT (its
# report shown, no image when it fails), CONTENT staged with installer.exe
# and uninst.dat, every file read-only, written as OUT.iso (ISO 9660 with
# Joliet names and the label the installer looks for), with OUT.iso.sha256
# and OUT.iso.files beside it. The same commit gives the same bytes.
#
# Signing: SIGN_PFX=file.pfx [SIGN_PASSWORD=...], or SIGN_CERT=cert.pem
# SIGN_KEY=key.pem [SIGN_PASSWORD=...]: both programs are Authenticode-signed
# (SHA-256) before they go into the image. --label LABEL is for tests only.
set -euo pipefail

# CONTENT, OUT.iso and the signing files are named from the caller's folder.
args=()
while [ $# -gt 0 ]; do
  case $1 in
  --label) args+=("$1" "${2:-}"); shift $(($# >= 2 ? 2 : 1)) ;;
  -*) args+=("$1"); shift ;;
  *) args+=("$(realpath -m -- "$1")"); shift ;;
  esac
done
for v in SIGN_PFX SIGN_CERT SIGN_KEY; do
  if [ -n "${!v:-}" ]; then export "$v=$(realpath -m -- "${!v}")"; fi
done
cd "$(dirname "$0")"

bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target installer uninst
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs" --target install-list

CD_INSTALLER=$PWD/build/win32/installer/installer.exe \
CD_UNINST=$PWD/build/win32/uninst/uninst.exe \
CD_CHECKER=$PWD/build/host/installer/tool/install-list \
  exec bash scripts/make_cd.sh "${args[@]}"

#!/usr/bin/env bash
# The signed CD: a throwaway certificate made with openssl, the sample CD
# made by scripts/make_cd.sh (./make-cd.sh's work) once with it as a PKCS#12
# file (SIGN_PFX, SIGN_PASSWORD) and once as certificate and key (SIGN_CERT,
# SIGN_KEY). On both images installer.exe and uninst.dat must pass
# `osslsigncode verify` against that certificate and fail against another
# one, and removing the signature must give back the built bytes; the two
# images are the same bytes (same key, same signing time). Then the round
# trip of portable_uninstall_link runs with the signed pair under Wine (the
# build's pair: the CD's i686 one in win32, the x86-64 one in win64).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
repo=$(cd "$here/../.." && pwd)
fail() {
  printf '[portable_signed] FAIL: %s\n' "$*" >&2
  exit 1
}
[ -f "${E2E_INSTALLER:-}" ] && [ -f "${E2E_UNINST:-}" ] || fail "E2E_INSTALLER and E2E_UNINST must name the built programs"
[ -x "${CD_CHECKER:-}" ] || fail "CD_CHECKER does not name install-list: build the host preset's install-list first"
keys=${E2E_OUT:-$repo/build/win32/e2e-out}/portable_signed-keys
rm -rf "$keys"
mkdir -p "$keys"
cd "$keys"

# A throwaway signer, and another one that did not sign.
for who in signer stranger; do
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$who.key" -out "$who.pem" -days 2 \
    -subj "/CN=Drama CD test $who" -addext extendedKeyUsage=codeSigning 2>"$who.log" ||
    fail "openssl could not make a certificate: $(cat "$who.log")"
done
openssl pkcs12 -export -in signer.pem -inkey signer.key -out signer.pfx -passout pass:throwaway ||
  fail "openssl could not write the PKCS#12 file"

make_signed() {
  local name=$1
  shift
  env -u SIGN_PFX -u SIGN_CERT -u SIGN_KEY -u SIGN_PASSWORD "$@" \
    CD_INSTALLER="$E2E_INSTALLER" CD_UNINST="$E2E_UNINST" \
    bash "$repo/scripts/make_cd.sh" "$repo/sample-cd" "$keys/$name.iso" >"$name.log" 2>&1 ||
    fail "make_cd.sh could not sign with $name: $(cat "$name.log")"
  grep -q 'installer.exe and uninst.dat signed' "$name.log" || fail "make_cd.sh did not sign with $name"
  mkdir "$name"
  python3 "$here/iso_tree.py" "$name.iso" "$name" >/dev/null || fail "cannot read $name.iso"
  for pair in "installer.exe $E2E_INSTALLER" "uninst.dat $E2E_UNINST"; do
    read -r file built <<<"$pair"
    osslsigncode verify -CAfile signer.pem -in "$name/$file" >"$name-$file.verify" 2>&1 ||
      fail "$name: $file does not verify against the signer: $(cat "$name-$file.verify")"
    if osslsigncode verify -CAfile stranger.pem -in "$name/$file" >/dev/null 2>&1; then
      fail "$name: $file verifies against a certificate that did not sign it"
    fi
    osslsigncode remove-signature -in "$name/$file" -out "$name-$file.unsigned" >/dev/null 2>&1 ||
      fail "$name: cannot remove the signature of $file"
    cmp "$name-$file.unsigned" "$built" || fail "$name: $file without its signature is not the built program"
  done
  printf '[portable_signed] %s: both programs signed, verified, and the built bytes without the signature\n' "$name"
}
make_signed pfx SIGN_PFX="$keys/signer.pfx" SIGN_PASSWORD=throwaway
make_signed pem SIGN_CERT="$keys/signer.pem" SIGN_KEY="$keys/signer.key"
cmp pfx.iso pem.iso || fail "the PKCS#12 file and the certificate with its key signed differently"

export E2E_INSTALLER=$keys/pfx/installer.exe E2E_UNINST=$keys/pfx/uninst.dat E2E_SCENARIO=portable_signed
exec bash "$here/scenarios/portable_uninstall_link.sh"

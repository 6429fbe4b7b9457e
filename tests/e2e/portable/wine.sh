# The portable scenarios under Wine: sourced by scenarios/portable_*.sh after
# lib.sh, before e2e_begin. What run_windows.ps1 does on Windows, done in
# Wine's prefix with the same bundle (bundle.sh: cd.iso, bin\, portable\):
# only the mount differs, the image's Joliet tree being written out as the
# folder Q: shows.
#
#   portable_prepare      the bundle made, its cd.iso as CD drive Q: (label,
#                         read-only files) and the variables the scenarios
#                         read exported
#   portable_run NAME     runs portable\NAME.txt with the bundle's driver;
#                         fails the scenario when the driver fails or a text
#                         does not fit

portable_prepare() {
  local label
  [ -f "${E2E_INSTALLER:-}" ] && [ -f "${E2E_UNINST:-}" ] || e2e_fail "E2E_INSTALLER or E2E_UNINST do not name the built programs"
  PORTABLE_BUNDLE=$E2E_WORK/bundle
  bash "$E2E_HERE/portable/bundle.sh" "$PORTABLE_BUNDLE" >"$E2E_DIR/bundle.log" 2>&1 ||
    e2e_fail "cannot make the bundle: $(cat "$E2E_DIR/bundle.log")"
  E2E_CD=$E2E_WORK/cd
  mkdir -p "$E2E_CD"
  label=$(python3 "$E2E_HERE/iso_tree.py" "$PORTABLE_BUNDLE/cd.iso" "$E2E_CD" | sed -n 's/^joliet-label\t//p') ||
    e2e_fail "cannot read the CD image"
  printf '%s\n' "$label" >"$E2E_CD/.windows-label"
  chmod -R a-w "$E2E_CD"
  ln -sfn "$E2E_CD" "$WINEPREFIX/dosdevices/q:"
  export CD_DRIVE=Q SHOTS=$E2E_DIR
}

portable_run() {
  local name=$1 status=0
  e2e_log "running the portable scenario $name.txt"
  e2e_bounded 300 "$WINE" "$PORTABLE_BUNDLE/bin/e2e_driver.exe" "$PORTABLE_BUNDLE/portable/$name.txt" \
    >"$E2E_DIR/$name.log" 2>&1 || status=$?
  sed 's/^/  | /' "$E2E_DIR/$name.log" >&2
  e2e_pictures "$E2E_DIR/$name.log"
  [ "$status" -eq 0 ] || e2e_fail "the portable scenario $name.txt failed (driver status $status)"
  if grep -q '^text-fit' "$E2E_DIR/$name.log"; then e2e_check_text_fit "$E2E_DIR/$name.log"; fi
}

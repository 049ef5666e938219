#!/usr/bin/env bash
# Started from a folder without data, the program finds the data folder beside
# itself and draws its icons. A copy of it with no data folder anywhere says so
# once, names no asset path, and draws blank icons.
source "$(dirname "$0")/lib.sh"

ICON=(25 25 24 24) # inside the ribbon's New icon
e2e_icon_black() {
  local colours r g b
  read -r colours r g b <<<"$(e2e_region "$(e2e_snapshot)" "${ICON[@]}")"
  ((colours == 1 && r + g + b == 0))
}

e2e_start_display
e2e_start_program without-data
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "New icon" "${ICON[@]}" 10
e2e_close_program
! grep -E "not found|not loaded|No data folder|Failed to load" "$E2E_WORK/stdout.txt" || e2e_fail "asset errors"

# Alone in a folder of its own, two levels below the system's temporary folder,
# whose own build/data folders (if any) would be found.
for up in .. ../.. ../../..; do
  [ ! -d "$E2E_TMP/$up/build/data" ] || { e2e_log "passed ($E2E_TMP/$up/build/data exists)"; exit 0; }
done
mkdir "$E2E_TMP/bin"
cp "$ORVILANE_BIN" "$E2E_TMP/bin/orvilane"
ORVILANE_BIN="$E2E_TMP/bin/orvilane"
e2e_start_program without-data
e2e_expect_output "ERROR: No data folder found below the working directory $E2E_WORK or the program's folder $E2E_TMP/bin"
e2e_expect_output "Warning: Icon atlas not loaded (no data folder): the icons are blank"
e2e_until "$E2E_TIMEOUT" e2e_icon_black || e2e_fail "the New icon is not blank"
e2e_close_program
[ "$(grep -c "No data folder found" "$E2E_WORK/stdout.txt")" = 1 ] || e2e_fail "not said exactly once"
! grep -F "/editor/" "$E2E_WORK/stdout.txt" || e2e_fail "an asset path was formed"
e2e_log "passed"

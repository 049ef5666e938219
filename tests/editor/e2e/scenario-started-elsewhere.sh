#!/usr/bin/env bash
# Started from a folder without data, the program finds the data folder beside
# itself and draws its icons. A copy of it with no data folder anywhere says so
# once and names no asset path.
source "$(dirname "$0")/lib.sh"

e2e_start_display
e2e_start_program without-data
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "New icon" 25 25 24 24 10
e2e_close_program
! grep -E "not found|not loaded|No data folder|Failed to load" "$E2E_WORK/stdout.txt" || e2e_fail "asset errors"

# The copy sits two levels below the temporary folder: a build/data above it would be found.
[ ! -d "$E2E_TMP/../build/data" ] && [ ! -d "$E2E_TMP/../../build/data" ] || { e2e_log "passed"; exit 0; }
mkdir "$E2E_TMP/bin" && cp "$ORVILANE_BIN" "$E2E_TMP/bin/orvilane"
ORVILANE_BIN="$E2E_TMP/bin/orvilane"
e2e_start_program without-data
e2e_expect_output "ERROR: No data folder found below the working directory"
e2e_close_program
[ "$(grep -c "ERROR: No data folder found below the working directory $E2E_WORK " "$E2E_WORK/stdout.txt")" = 1 ] ||
  e2e_fail "the missing data folder is not logged once"
! grep -F "/editor/" "$E2E_WORK/stdout.txt" || e2e_fail "an asset path was formed"
e2e_log "passed"

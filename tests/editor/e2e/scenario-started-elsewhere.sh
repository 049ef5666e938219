#!/usr/bin/env bash
# Started from a folder without its data, the program finds the data folder
# (the one holding its editor/ assets) below the working directory first, then
# beside itself, and draws its icons; a data folder of the user's is passed
# over. A copy of it with no data folder anywhere says so once and names no
# asset path. The work folder and the copy stand four levels below the
# temporary folder: every candidate either of them looks at ("data", then
# "build/data" one to four levels up) is inside what this scenario made.
source "$(dirname "$0")/lib.sh"

E2E_WORK="$E2E_TMP/a/b/c/work"
mkdir -p "$E2E_WORK"

no_asset_errors() {
  ! grep -E "not found|not loaded|No data folder|Failed to load" "$E2E_WORK/stdout.txt" || e2e_fail "asset errors: $1"
}

e2e_start_display

e2e_start_program without-data
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "New icon" 25 25 24 24 10
e2e_close_program
no_asset_errors "nothing below the working directory"

# A user's data folders, the nearest candidates, hold none of the program's assets.
mkdir -p "$E2E_WORK/data/runs" "$E2E_TMP/a/b/c/build/data"
echo "z_mm,power_mW" >"$E2E_WORK/data/runs/bench-1.csv"
e2e_start_program as-is
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "New icon" 25 25 24 24 10
e2e_close_program
no_asset_errors "a user's data folder"

# The farthest working-directory candidate comes before the program's folder;
# its missing font names the folder taken.
mkdir -p "$E2E_TMP/build/data/editor"
ln -s "$ORVILANE_DATA/editor/icons_atlas.png" "$E2E_TMP/build/data/editor/icons_atlas.png"
e2e_start_program as-is
e2e_expect_output "Warning: Font $E2E_TMP/build/data/editor/Cousine-Regular.ttf not found: the built-in font is used"
e2e_expect_drawn "New icon" 25 25 24 24 10
e2e_close_program
rm -r "$E2E_TMP/build"

mkdir -p "$E2E_TMP/x/y/z/bin" && cp "$ORVILANE_BIN" "$E2E_TMP/x/y/z/bin/orvilane"
ORVILANE_BIN="$E2E_TMP/x/y/z/bin/orvilane"
e2e_start_program as-is
e2e_expect_output "ERROR: No data folder found below the working directory"
e2e_close_program
[ "$(grep -c "ERROR: No data folder found below the working directory $E2E_WORK " "$E2E_WORK/stdout.txt")" = 1 ] ||
  e2e_fail "the missing data folder is not logged once"
! grep -F "/editor/" "$E2E_WORK/stdout.txt" || e2e_fail "an asset path was formed"
e2e_log "passed"

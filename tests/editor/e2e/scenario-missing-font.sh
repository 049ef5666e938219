#!/usr/bin/env bash
# A data folder without the font: the program warns, draws with the built-in
# font, and still closes cleanly.
source "$(dirname "$0")/lib.sh"

data="$E2E_TMP/data"
mkdir -p "$data/editor"
ln -s "$ORVILANE_DATA/editor/icons_atlas.png" "$data/editor/icons_atlas.png"
ORVILANE_DATA="$data"

e2e_start_display
e2e_start_program
e2e_expect_output "Warning: Font $E2E_WORK/data/editor/Cousine-Regular.ttf not found: the built-in font is used"
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "ribbon" 10 10 560 55 20
e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

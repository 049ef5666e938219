#!/usr/bin/env bash
# A field run over a source whose grid is refused: the source is skipped, and
# the run ends with its "with errors" line and the error popup, not as a clean
# success.
source "$(dirname "$0")/lib.sh"

POPUP=(380 430 440 100) # the message centred in the window: icon, text, Ok
POPUP_OK=(600 509)

sed 's/mSamplingPoints="[0-9]*"/mSamplingPoints="200001"/' "$ORVILANE_TEST_DATA/corpus/valid_bench.xml" \
  >"$E2E_WORK/refused.xml"
grep -q 'mSamplingPoints="200001"' "$E2E_WORK/refused.xml" || e2e_fail "no sampling points to change in the bench"

# True when the popup's place shows the error icon's red on a light panel.
error_popup_shown() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$(e2e_snapshot)" "${POPUP[@]}" <<'PY'
import sys
import ppm
px = ppm.region(sys.argv[1], *map(int, sys.argv[2:6]))
red = sum(1 for i in range(0, len(px), 3) if px[i] > 180 and px[i + 1] < 90 and px[i + 2] < 90)
light = sum(1 for i in range(0, len(px), 3) if min(px[i:i + 3]) >= 220)
sys.exit(0 if red > 100 and light > len(px) // 6 else 1)
PY
}

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"
e2e_open_dialog "${OPEN[@]}"
e2e_dialog_pick refused
e2e_expect_title "Orvilane - $E2E_WORK/refused.xml"

e2e_click_until "field run" "${EM_RUN[@]}" e2e_output_has "Running Electromagnetic simulation ..."
e2e_expect_output "No field generated"
e2e_expect_output "ERROR: Simulation Completed with errors ("
e2e_output_has "Simulation Completed (" && e2e_fail "the run was also reported completed"
e2e_until "$E2E_TIMEOUT" error_popup_shown || e2e_fail "no error popup after the run"
e2e_screenshot popup >/dev/null
e2e_click_until "closed popup" "${POPUP_OK[@]}" eval '! error_popup_shown'

e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

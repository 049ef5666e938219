#!/usr/bin/env bash
# A field run over a source whose grid is refused: the source is skipped, and
# the run ends with its "with errors" line and the error popup, not as a clean
# success.
source "$(dirname "$0")/lib.sh"

# The bench's source, its field grid too large to be made, feeding a detector.
{
  sed -n '1,/<\/Source>/p' "$ORVILANE_TEST_DATA/corpus/valid_bench.xml" |
    sed 's/mSamplingPoints="31"/mSamplingPoints="200001"/'
  echo '<Element Type="Detector" label="Screen" id="1001" parentId="0" inputId="1000" saveInputFields="false"' \
    'saveOutputFields="false" x="0" y="0" z="0.1" a="0" b="0" c="0"><Config BlockLight="true" Resolution_x="60"' \
    'Resolution_y="40"><Surface mSize_x="0.012" mSize_y="0.008"/></Config></Element>'
  echo '</Talvo>'
} >"$E2E_WORK/refused.xml"
grep -q 'mSamplingPoints="200001"' "$E2E_WORK/refused.xml" || e2e_fail "no sampling points to change in the bench"

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
e2e_dismiss_error

e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

#!/usr/bin/env bash
# Close a window that holds unsaved changes: the program asks first. No keeps
# it running with the setup as it was; Yes ends it with status 0.
source "$(dirname "$0")/lib.sh"

TOOLBOX_IDEAL_LENS=(88 603)
UNSAVED="Orvilane - New Simulation [UNSAVED]"

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"

e2e_click "${TOOLBOX_IDEAL_LENS[@]}"
e2e_expect_title "$UNSAVED"

e2e_close_answering No
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended after No"
e2e_expect_title "$UNSAVED"

e2e_close_answering Yes
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

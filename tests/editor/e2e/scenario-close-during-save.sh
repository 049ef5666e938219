#!/usr/bin/env bash
# Close the window of unsaved changes while the Save dialog is open: the
# question opens over the dialog, and after No the dialog is still there with
# the name typed into it, and saves under that name.
source "$(dirname "$0")/lib.sh"

TOOLBOX_IDEAL_LENS=(88 603)

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"

e2e_click "${TOOLBOX_IDEAL_LENS[@]}"
e2e_expect_title "Orvilane - New Simulation [UNSAVED]"

e2e_open_dialog "${SAVE[@]}"
e2e_set_field "${DIALOG_NAME[@]}" kept
e2e_close_answering No
e2e_running "$E2E_PID" || e2e_fail "the program ended after No"
e2e_dialog_shown || e2e_fail "the file dialog is gone after No"

e2e_click_until "saved bench" "${DIALOG_ACCEPT[@]}" e2e_title_is "Orvilane - $E2E_WORK/kept.xml"
[ -s "$E2E_WORK/kept.xml" ] || e2e_fail "kept.xml was not written"

e2e_close_program # nothing unsaved: no question
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

#!/usr/bin/env bash
# Close a window that holds unsaved changes: the program asks first, once
# however often it is asked to close. No keeps it running with the setup as it
# was; Yes ends it with status 0.
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

# Asked to close again while the question is up: still one question, which
# one No answers (clicked once, not until the question is gone).
before="$(e2e_screenshot before-double-close)"
e2e_repeat_until "question about the unsaved changes" \
  '"$E2E_PYTHON" "$E2E_DIR/close-window.py" "$E2E_WINDOW"' e2e_question_shown "$before"
"$E2E_PYTHON" "$E2E_DIR/close-window.py" "$E2E_WINDOW" || e2e_fail "could not send WM_DELETE_WINDOW"
e2e_frames
e2e_click "${QUESTION_NO[@]}"
e2e_until_frames 10 eval '! e2e_screen_changed "$before" "${QUESTION_TEXT[@]}"' ||
  e2e_fail "a question is still shown after one No: $(e2e_screenshot after-one-no)"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended after the second No"
e2e_expect_title "$UNSAVED"

e2e_close_answering Yes
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

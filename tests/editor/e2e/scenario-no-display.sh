#!/usr/bin/env bash
# Without a display the program says so and ends with a non-zero status,
# touching neither a window nor GL (so no "imgui.ini" is written).
source "$(dirname "$0")/lib.sh"
e2e_require

ln -sfn "$ORVILANE_DATA" "$E2E_WORK/data"
status=0
(cd "$E2E_WORK" && env -u DISPLAY -u WAYLAND_DISPLAY "$ORVILANE_BIN" >"$E2E_WORK/stdout.txt" 2>&1) || status=$?
[ "$status" -ne 0 ] || e2e_fail "exit status 0 without a display"
grep -qxF "Failed to create GLFW window" "$E2E_WORK/stdout.txt" || e2e_fail "no 'Failed to create GLFW window' line"
grep -qxF "Current directory: $E2E_WORK" "$E2E_WORK/stdout.txt" || e2e_fail "no 'Current directory: ' line"
[ ! -e "$E2E_WORK/imgui.ini" ] || e2e_fail "imgui.ini written without a window"
e2e_log "passed"

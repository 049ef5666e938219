#!/usr/bin/env bash
# Without a display, or with a display but no OpenGL 3.3 core context, the
# program says so and ends with a non-zero status, touching neither a window
# nor GL (so no "imgui.ini" is written).
source "$(dirname "$0")/lib.sh"
e2e_require

ln -sfn "$ORVILANE_DATA" "$E2E_WORK/data"
expect_refusal() {
  local what=$1
  shift
  rm -f "$E2E_WORK/stdout.txt" "$E2E_WORK/imgui.ini"
  local status=0
  (cd "$E2E_WORK" && env "$@" "$ORVILANE_BIN" >"$E2E_WORK/stdout.txt" 2>&1) || status=$?
  [ "$status" -ne 0 ] || e2e_fail "exit status 0 $what"
  grep -qxF "Failed to create GLFW window" "$E2E_WORK/stdout.txt" || e2e_fail "no 'Failed to create GLFW window' line $what"
  grep -qxF "Current directory: $E2E_WORK" "$E2E_WORK/stdout.txt" || e2e_fail "no 'Current directory: ' line $what"
  [ ! -e "$E2E_WORK/imgui.ini" ] || e2e_fail "imgui.ini written $what"
}

expect_refusal "without a display" -u DISPLAY -u WAYLAND_DISPLAY
e2e_start_display
# Mesa then offers no more than OpenGL 3.0.
expect_refusal "without OpenGL 3.3" MESA_GL_VERSION_OVERRIDE=3.0 LIBGL_ALWAYS_SOFTWARE=1
e2e_log "passed"

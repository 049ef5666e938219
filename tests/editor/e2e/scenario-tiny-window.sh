#!/usr/bin/env bash
# Shrink the main window far below what the tiled layout needs, then back: the
# windows come back to their places. Closed while tiny, the program writes an
# "imgui.ini" with no squeezed or off-screen window, and starts again the same.
source "$(dirname "$0")/lib.sh"

# Title bars of the list, inspector, board and log, and the list's white box (x y w h).
PLACES=("4 77 200 14" "724 77 300 14" "4 714 300 14" "724 714 300 14" "12 165 220 180")
at_places() {
  local place
  for place in "${PLACES[@]}"; do
    # shellcheck disable=SC2086 # four numbers
    ! e2e_screen_changed "$tiled" $place || return 1
  done
}
shrink() { # to $1 x $2, until the board's title bar has left and frames were drawn at that size
  xdotool windowsize --sync "$E2E_WINDOW" "$1" "$2"
  e2e_wait_screen_change "$tiled" 4 714 300 14
  e2e_frames
}

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "list of elements" 12 165 220 180 1
tiled="$(e2e_screenshot tiled)"
for size in "1200 40" "1200 100" "20 960" "1 1"; do
  shrink "${size% *}" "${size#* }"
  xdotool windowsize --sync "$E2E_WINDOW" 1200 960
  e2e_until_frames 30 at_places || e2e_fail "after ${size/ /x} and back the windows are not at their places"
done

shrink 1200 40
e2e_close_program
awk -F'[=,]' '/^Pos=/ && ($2 < 0 || $3 < 0) { bad = 1 } /^Size=/ && ($2 <= 32 || $3 <= 32) { bad = 1 }
              END { exit bad }' "$E2E_WORK/imgui.ini" ||
  e2e_fail "imgui.ini holds a squeezed or off-screen window: $(tr '\n' ' ' <"$E2E_WORK/imgui.ini")"
e2e_start_program
e2e_until_frames 30 at_places || e2e_fail "the next start does not show the tiled places"
e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

#!/usr/bin/env bash
# Shrink the main window far below what the tiled layout needs, then make it
# large again: the windows come back to their tiled places. Closed while tiny,
# the program writes an "imgui.ini" with no squeezed or off-screen window, and
# the next start shows the same places.
source "$(dirname "$0")/lib.sh"

# Inside the title bars of the list, the inspector, the board and the log, and
# the list's white box, at their tiled places in the 1200 x 960 window (x y w h).
PLACES=("4 77 200 14" "724 77 300 14" "4 714 300 14" "724 714 300 14" "12 165 220 180")

# True when every place shows what the screenshot $1 showed there.
at_places() {
  local place
  for place in "${PLACES[@]}"; do
    # shellcheck disable=SC2086 # a place is four numbers
    ! e2e_screen_changed "$1" $place || return 1
  done
}

# Resizes the main window to $1 x $2 and waits until the board's title bar has
# left its place and the program has drawn frames at that size.
shrink() {
  xdotool windowsize --sync "$E2E_WINDOW" "$1" "$2"
  e2e_wait_screen_change "$tiled" 4 714 300 14
  e2e_frames
}

# Every "Pos=" of imgui.ini right of and below the display's corner, every
# "Size=" larger than the UI's 32-pixel minimum.
ini_sound() {
  awk -F'[=,]' '/^Pos=/ && ($2 < 0 || $3 < 0) { bad = 1 }
                /^Size=/ && ($2 <= 32 || $3 <= 32) { bad = 1 }
                END { exit bad }' "$E2E_WORK/imgui.ini"
}

e2e_start_display
[ ! -e "$E2E_WORK/imgui.ini" ] || e2e_fail "imgui.ini before the first start"
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_drawn "list of elements" 12 165 220 180 1
tiled="$(e2e_screenshot tiled)"

for size in "1200 40" "1200 100" "20 960" "1 1"; do
  # shellcheck disable=SC2086 # two numbers
  shrink $size
  xdotool windowsize --sync "$E2E_WINDOW" 1200 960
  e2e_until_frames 30 at_places "$tiled" || e2e_fail "after ${size/ /x} and back the windows are not at their places"
  e2e_log "${size/ /x} and back: the windows are at their places"
done

shrink 1200 40
e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
ini_sound || e2e_fail "imgui.ini holds a squeezed or off-screen window: $(tr '\n' ' ' <"$E2E_WORK/imgui.ini")"
grep -A1 -xF "[Window][List of Elements]" "$E2E_WORK/imgui.ini" | grep -qxF "Pos=0,75" ||
  e2e_fail "imgui.ini does not keep the list at its tiled place"

e2e_start_program
e2e_expect_title "Orvilane - New Simulation"
e2e_until_frames 30 at_places "$tiled" || e2e_fail "the next start does not show the tiled places"
e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

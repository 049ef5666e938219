#!/usr/bin/env bash
# Shrink the main window far below what the tiled layout needs, then back: the
# windows come back to their places. A result window over a bench comes back
# to its place too, and, dragged where a lower window cannot show it, with its
# title bar on screen below the ribbon. Closed while tiny, the program writes
# an "imgui.ini" with no squeezed or off-screen window, and starts again the same.
source "$(dirname "$0")/lib.sh"

cp "$ORVILANE_TEST_DATA/corpus/valid_bench.xml" "$E2E_WORK/bench.xml"

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

# A new result window's corner, and a row of its title bar through the title's
# text (from 2 pixels right of the corner, 10 below it, 300 long).
RESULT_CORNER=(60 95)
TITLE_ROW=(62 105 300 1)
# Prints "x y" of the window corner whose title bar shows the row kept in the
# file $2 on the PPM screenshot $1, or nothing.
title_bar_at() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$@" <<'PY'
import sys
import ppm
width, height, data = ppm.read(sys.argv[1])
row = open(sys.argv[2], "rb").read()
for y in range(height):
    line = data[y * width * 3:(y + 1) * width * 3]
    x = line.find(row)
    while x >= 0 and x % 3:
        x = line.find(row, x + 1)
    if x >= 0:
        print(x // 3 - 2, y - 10)
        break
PY
}
title_bar_is_at() { [ "$(title_bar_at "$(e2e_snapshot)" "$E2E_TMP/title-row")" = "$1 $2" ]; }
# Its whole height (20 pixels) below the ribbon, in a display $1 pixels high.
title_bar_below_ribbon() {
  local x y
  read -r x y <<<"$(title_bar_at "$(e2e_snapshot)" "$E2E_TMP/title-row")"
  [ -n "$y" ] && ((y >= 75 && y + 20 <= $1 && x >= 0))
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

e2e_open_dialog "${OPEN[@]}"
e2e_dialog_pick bench
e2e_expect_title "Orvilane - $E2E_WORK/bench.xml"
before="$(e2e_screenshot bench)"
e2e_click_until "result window" "${RESULTS[@]}" e2e_screen_changed "$before" "${RESULT_CORNER[@]}" 300 20
e2e_frames
PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" -c '
import sys, ppm
sys.stdout.buffer.write(ppm.region(sys.argv[1], *map(int, sys.argv[2:6])))' \
  "$(e2e_screenshot result)" "${TITLE_ROW[@]}" >"$E2E_TMP/title-row"
title_bar_is_at "${RESULT_CORNER[@]}" || e2e_fail "the result window's title bar is not found at its corner"
for size in "1 1" "1200 40"; do
  shrink "${size% *}" "${size#* }"
  xdotool windowsize --sync "$E2E_WINDOW" 1200 960
  e2e_until_frames 30 title_bar_is_at "${RESULT_CORNER[@]}" ||
    e2e_fail "after ${size/ /x} and back the result window's title bar is at '$(title_bar_at "$(e2e_screenshot lost)" "$E2E_TMP/title-row")', not ${RESULT_CORNER[*]}"
done

# Dragged by its title bar to the lower right, then 1x1 and back to a window
# lower than where it was.
e2e_repeat_until "dragged result window" "e2e_drag 300 105 940 805" title_bar_is_at 700 795
shrink 1 1
xdotool windowsize --sync "$E2E_WINDOW" 1200 600
e2e_until_frames 30 title_bar_below_ribbon 600 ||
  e2e_fail "in 1200x600 the result window's title bar is at '$(title_bar_at "$(e2e_screenshot lost)" "$E2E_TMP/title-row")'"
e2e_screenshot lower >/dev/null
xdotool windowsize --sync "$E2E_WINDOW" 1200 960
e2e_frames

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

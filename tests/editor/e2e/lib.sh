# Shared steps of the end-to-end scenarios: the real orvilane program on its
# own Xvfb display, driven with xdotool, looked at through screenshots.
# A scenario sources this file, calls e2e_start_display and e2e_start_program,
# and ends with e2e_close_program. A failed step prints why, keeps the
# screenshots and the program's output, and exits non-zero.
#
# Nothing waits a fixed time for an effect: every input waits for frames the
# program draws after it (the UI reads input once per frame), and every step
# waits for what it causes (a title, an output line, a changed region of the
# screen), up to E2E_TIMEOUT seconds; an input whose frames were drawn without
# its effect is lost and is sent again where that is safe.
#
# Environment (set by CTest): ORVILANE_BIN (the program), ORVILANE_DATA (the
# data folder to copy in), ORVILANE_TEST_DATA (tests/data), E2E_OUT (where the
# screenshots and the program's output of a failed run are kept), E2E_KEEP
# (when set, the temporary folder is left in place), E2E_TIMEOUT (seconds,
# the bound of each wait; 60 unless set: machines running tests are busy).

set -euo pipefail

E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
E2E_PYTHON=/usr/bin/python3 # the system's, which has python3-xlib
E2E_NAME="$(basename "${0%.sh}")"
E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/orvilane-e2e.XXXXXX")"
E2E_WORK="$E2E_TMP/work"
E2E_TIMEOUT="${E2E_TIMEOUT:-60}"
E2E_XVFB_PID=""
E2E_PID=""
E2E_WINDOW=""
E2E_FRAMES_PID=""
mkdir -p "$E2E_WORK"

e2e_log() { echo "[$E2E_NAME] $*"; }

# True while the process $1 that this script started in the background runs.
# Asked of the shell's own job table, never of the process id alone: the id
# of a process that has ended can belong to another program by now.
e2e_running() { [ -n "$1" ] && [[ " $(jobs -pr | tr '\n' ' ') " == *" $1 "* ]]; }

e2e_cleanup() {
  local status=$?
  if e2e_running "$E2E_PID"; then
    kill -9 "$E2E_PID" 2>/dev/null || true
    wait "$E2E_PID" 2>/dev/null || true
  fi
  if e2e_running "$E2E_FRAMES_PID"; then kill "$E2E_FRAMES_PID" 2>/dev/null || true; fi
  if e2e_running "$E2E_XVFB_PID"; then kill "$E2E_XVFB_PID" 2>/dev/null || true; fi
  if [ "$status" -ne 0 ] && [ -n "${E2E_OUT:-}" ]; then
    mkdir -p "$E2E_OUT/$E2E_NAME"
    cp -r "$E2E_TMP"/shot-*.png "$E2E_WORK"/stdout.txt "$E2E_OUT/$E2E_NAME/" 2>/dev/null || true
    echo "[$E2E_NAME] screenshots and output kept in $E2E_OUT/$E2E_NAME"
  fi
  if [ -n "${E2E_KEEP:-}" ]; then echo "[$E2E_NAME] kept $E2E_TMP"; else rm -rf "$E2E_TMP"; fi
  exit "$status"
}
trap e2e_cleanup EXIT

e2e_fail() {
  echo "[$E2E_NAME] FAILED: $*" >&2
  if [ -n "$E2E_PID" ] && ! e2e_running "$E2E_PID"; then
    local status=0
    wait "$E2E_PID" 2>/dev/null || status=$?
    E2E_PID=""
    echo "[$E2E_NAME] the program has ended on its own, exit status $status" >&2
  fi
  if [ -f "$E2E_WORK/stdout.txt" ]; then
    echo "--- program output (last 40 lines) ---" >&2
    tail -n 40 "$E2E_WORK/stdout.txt" >&2
  fi
  if [ -n "${DISPLAY:-}" ] && [ -n "$E2E_XVFB_PID" ]; then e2e_screenshot failure >/dev/null 2>&1 || true; fi
  exit 1
}

# Runs the command after $1 (seconds) every tenth of a second until it
# succeeds; false when the time is up first.
e2e_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# The text $1 as an extended regular expression that matches only itself.
e2e_regex_quote() { sed 's/[][\.^$*+?(){}|]/\\&/g' <<<"$1"; }

e2e_require() {
  local tool
  for tool in Xvfb xdotool xdpyinfo import "$E2E_PYTHON"; do
    command -v "$tool" >/dev/null 2>&1 || e2e_fail "$tool is missing (bash scripts/install-deps.sh installs it)"
  done
  [ -x "${ORVILANE_BIN:-}" ] || e2e_fail "ORVILANE_BIN does not name the program"
  [ -d "${ORVILANE_DATA:-}" ] || e2e_fail "ORVILANE_DATA does not name the data folder"
}

# True when display number $1 is taken: a lock file, or a socket of that
# number anywhere in this network namespace (abstract sockets are shared with
# processes whose /tmp is not ours, so lock files alone do not tell).
e2e_display_taken() {
  [ -e "/tmp/.X$1-lock" ] || grep -qE "/tmp/\.X11-unix/X$1\$" /proc/net/unix
}

# A private X server on a display number nobody uses, so that every client
# (the program, xdotool, import, the close request) reaches this server. Keys
# do not repeat: a key is held down over frames that may be slow. The server
# never resets: a reset, when its last client (a probe) leaves, drops the
# clients that connect meanwhile.
e2e_start_display() {
  e2e_require
  local n tries
  n=$((200 + RANDOM % 700))
  for ((tries = 0; tries < 50; tries++, n = 200 + (n - 199) % 700)); do
    e2e_display_taken "$n" && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -r -noreset 2>"$E2E_TMP/xvfb.txt" &
    E2E_XVFB_PID=$!
    if e2e_until 10 e2e_display_ready "$n"; then
      export DISPLAY=":$n"
      e2e_log "display $DISPLAY"
      return 0
    fi
    if e2e_running "$E2E_XVFB_PID"; then kill "$E2E_XVFB_PID" 2>/dev/null || true; fi
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=""
  done
  e2e_fail "no X display could be started: $(cat "$E2E_TMP/xvfb.txt")"
}
# Ready when our server holds the display's lock (a server started beside it
# on the same number would answer xdpyinfo as well) and answers.
e2e_display_ready() {
  e2e_running "$E2E_XVFB_PID" && [ "$(tr -d ' ' <"/tmp/.X$1-lock")" = "$E2E_XVFB_PID" ] &&
    [ "$(grep -cE "/tmp/\.X11-unix/X$1\$" /proc/net/unix)" -ge 1 ] && DISPLAY=":$1" xdpyinfo >/dev/null 2>&1
}

# Starts the program in the work folder with a copy of the data folder (so
# that a file saved in the wrong folder never lands in the sources), with none
# when $1 is "without-data", or with the work folder's data folder left as the
# scenario made it when $1 is "as-is"; waits for its window and its first frames.
e2e_start_program() {
  case "${1:-}" in
    as-is) ;;
    without-data) rm -rf "$E2E_WORK/data" ;;
    *) rm -rf "$E2E_WORK/data" && cp -rL "$ORVILANE_DATA" "$E2E_WORK/data" ;;
  esac
  if [[ "$(ldd "$ORVILANE_BIN")" == *libasan* ]]; then
    # Mesa's software driver leaves a few allocations behind from code that is
    # unloaded or JIT-compiled by exit, which LeakSanitizer cannot attribute;
    # leaks are checked by the unit tests, address errors stay fatal here.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
  fi
  local attempt
  for attempt in 1 2; do
    (cd "$E2E_WORK" && exec "$ORVILANE_BIN" >"$E2E_WORK/stdout.txt" 2>&1) &
    E2E_PID=$!
    # A loaded machine has been seen to refuse the window once (its GL
    # context, or the connection while the server was resetting).
    e2e_until "$E2E_TIMEOUT" e2e_window_or_refusal || break
    grep -qxF "Failed to create GLFW window" "$E2E_WORK/stdout.txt" || break
    wait "$E2E_PID" 2>/dev/null || true
    e2e_log "the window could not be created: starting once more"
    cp "$E2E_WORK/stdout.txt" "$E2E_WORK/stdout-attempt-$attempt.txt"
    sleep 1 # a pause before asking again, not a wait for an effect
  done
  # Found by the program's process id as well: never another program's window.
  e2e_until "$E2E_TIMEOUT" xdotool search --all --pid "$E2E_PID" --name '^Orvilane - ' ||
    e2e_fail "no window titled 'Orvilane - ...'"
  E2E_WINDOW="$(xdotool search --all --pid "$E2E_PID" --name '^Orvilane - ' | head -n 1)"
  : >"$E2E_TMP/frames"
  "$E2E_PYTHON" "$E2E_DIR/count-frames.py" "$E2E_WINDOW" "$E2E_TMP/frames" &
  E2E_FRAMES_PID=$!
  e2e_frames
}

e2e_window_or_refusal() {
  xdotool search --all --pid "$E2E_PID" --name '^Orvilane - ' >/dev/null 2>&1 ||
    grep -qxF "Failed to create GLFW window" "$E2E_WORK/stdout.txt" 2>/dev/null
}

# How many frames the program has drawn since count-frames.py started.
e2e_frame_count() { stat -c %s "$E2E_TMP/frames"; }
e2e_frame_count_at_least() { (($(e2e_frame_count) >= $1)); }

# Waits until the program has drawn three more frames: by then input sent
# before the call has been read, used by a frame, and that frame is on the
# screen.
e2e_frames() {
  local target=$(($(e2e_frame_count) + 3))
  e2e_until "$E2E_TIMEOUT" e2e_frame_count_at_least "$target" ||
    e2e_fail "the program drew fewer than 3 frames in $E2E_TIMEOUT s (its title is set once per frame)"
}

# Runs the command after $1 until it succeeds: true once it does, false once
# it has failed with $1 frames drawn since the call (its effect is not
# coming). Fails the scenario when those frames take over E2E_TIMEOUT seconds.
e2e_until_frames() {
  local frames=$1 target=$(($(e2e_frame_count) + $1)) deadline=$((SECONDS + E2E_TIMEOUT)) count
  shift
  while :; do
    count=$(e2e_frame_count) # taken before the try: the try saw these frames
    if "$@" >/dev/null 2>&1; then return 0; fi
    ((count < target)) || return 1
    ((SECONDS < deadline)) || e2e_fail "the program drew fewer than $frames frames in $E2E_TIMEOUT s"
    sleep 0.1
  done
}

e2e_title() { xdotool getwindowname "$E2E_WINDOW"; }
e2e_title_matches() { [[ "$(e2e_title)" =~ $1 ]]; }
e2e_title_is() { [ "$(e2e_title)" = "$1" ]; }

# Waits until the window title matches the extended regular expression $1,
# at most $2 seconds.
e2e_wait_title() {
  e2e_until "${2:-$E2E_TIMEOUT}" e2e_title_matches "$1" || e2e_fail "title is '$(e2e_title)', expected /$1/"
}

# Waits until the window title is exactly $1.
e2e_expect_title() {
  e2e_until "${2:-$E2E_TIMEOUT}" e2e_title_is "$1" || e2e_fail "title is '$(e2e_title)', expected '$1'"
}

# True when at least $2 (1 unless given) lines of the program's output match
# the extended regular expression $1.
e2e_output_matches() {
  local count
  count=$(grep -cE -- "$1" "$E2E_WORK/stdout.txt" 2>/dev/null) || true
  ((${count:-0} >= ${2:-1}))
}

# Waits until at least $2 (1 unless given) lines of the program's output match
# the extended regular expression $1, at most $3 seconds.
e2e_wait_output() {
  e2e_until "${3:-$E2E_TIMEOUT}" e2e_output_matches "$1" "${2:-1}" ||
    e2e_fail "the output does not show /$1/ (${2:-1} times)"
}

# True when at least $2 (1 unless given) lines of the output hold the fixed text $1.
e2e_output_has() { e2e_output_matches "$(e2e_regex_quote "$1")" "${2:-1}"; }

# Waits until the program's output holds the fixed text $1 (at least $2 times),
# at most $3 seconds.
e2e_expect_output() {
  e2e_until "${3:-$E2E_TIMEOUT}" e2e_output_has "$1" "${2:-1}" ||
    e2e_fail "the output does not show '$1' (${2:-1} times)"
}

# Clicks at window coordinates (the window sits at the screen's origin: no
# window manager). Frames are drawn between move, press and release: a press
# and its release must reach the UI in different frames, on the place moved to.
e2e_click() {
  xdotool mousemove --sync "$1" "$2"
  e2e_frames
  xdotool mousedown 1
  e2e_frames
  xdotool mouseup 1
  e2e_frames
}

# Sends the input $2 (a command line, e.g. "e2e_click 10 20") until the
# command after it succeeds ($1 names the effect). The input is sent again,
# up to three times, only when frames enough for its effect have been drawn
# without it: an input that took is never repeated.
e2e_repeat_until() {
  local what=$1 input=$2 try
  shift 2
  for ((try = 1; try <= 3; try++)); do
    eval "$input"
    e2e_until_frames 10 "$@" && return 0
    e2e_log "no $what after '$input' ($try)"
  done
  e2e_fail "no $what after '$input' three times"
}

# Clicks at $2 $3 until the command after them succeeds ($1 names the effect).
e2e_click_until() {
  local what=$1 x=$2 y=$3
  shift 3
  e2e_repeat_until "$what" "e2e_click $x $y" "$@"
}

# Drags with the left button from $1 $2 to $3 $4 in six steps, each seen by a
# frame: the UI starts a drag once the mouse has moved a few pixels while down.
e2e_drag() {
  local k
  xdotool mousemove --sync "$1" "$2"
  e2e_frames
  xdotool mousedown 1
  e2e_frames
  for k in 1 2 3 4 5 6; do
    xdotool mousemove --sync $(($1 + ($3 - $1) * k / 6)) $(($2 + ($4 - $2) * k / 6))
    e2e_frames
  done
  xdotool mouseup 1
  e2e_frames
}

# Presses the keys (xdotool names) together and holds them until a frame has
# read them (the UI reads key states once per frame), then lets them go in the
# reverse order: a letter is never down without the modifiers before it.
e2e_key() {
  local reversed=() key
  for key in "$@"; do reversed=("$key" "${reversed[@]}"); done
  xdotool keydown "$@"
  e2e_frames
  xdotool keyup "${reversed[@]}"
  e2e_frames
}

# Types text into the focused field; with "replace", Ctrl+A and Delete first.
# Characters are queued by the UI, so none is lost between frames.
e2e_type() {
  if [ "${2:-}" = "replace" ]; then
    e2e_key ctrl a
    e2e_key Delete
  fi
  xdotool type --delay 30 "$1"
  e2e_frames
}

# The text the clipboard holds, asked for up to E2E_TIMEOUT seconds.
e2e_clipboard() { "$E2E_PYTHON" "$E2E_DIR/read-clipboard.py" "$E2E_TIMEOUT"; }

# Clicks the text field at $1 $2 and makes it hold the text $3: what it holds
# is read back through the clipboard (Ctrl+A, Ctrl+C) and typed again over
# (Ctrl+A selects it) when it differs, up to three times.
e2e_set_field() {
  local try held
  e2e_click "$1" "$2"
  for ((try = 1; try <= 3; try++)); do
    e2e_key ctrl a
    xdotool type --delay 30 "$3"
    e2e_frames
    e2e_key ctrl a
    e2e_key ctrl c
    held="$(e2e_clipboard)" || held=""
    [ "$held" != "$3" ] || return 0
    e2e_log "the field at ($1, $2) holds '$held', not '$3': typing it again"
    e2e_click "$1" "$2"
  done
  e2e_fail "the field at ($1, $2) holds '$held' after typing '$3' three times"
}

# Screenshot of the whole screen as PNG (kept for a failed run) and PPM (read
# by e2e_region); prints the PPM's path.
e2e_screenshot() {
  local base count
  count=$(find "$E2E_TMP" -maxdepth 1 -name 'shot-*.png' | wc -l) # called in $( ): no counter survives
  base="$E2E_TMP/shot-$(printf %02d $((count + 1)))-$1"
  import -window root "$base.png"
  import -window root -depth 8 "ppm:$base.ppm"
  echo "$base.ppm"
}

# A screenshot to look at once, written over the previous one (a failed step
# takes a screenshot to keep); prints the PPM's path.
e2e_snapshot() {
  import -window root -depth 8 "ppm:$E2E_TMP/snapshot.ppm"
  echo "$E2E_TMP/snapshot.ppm"
}

# Prints "<distinct colours> <mean red> <mean green> <mean blue>" of the
# rectangle x y w h of a PPM screenshot.
e2e_region() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$@" <<'PY'
import sys
import ppm
pixels = ppm.region(sys.argv[1], *map(int, sys.argv[2:6]))
colours = {pixels[i:i + 3] for i in range(0, len(pixels), 3)}
count = max(1, len(pixels) // 3)
print(len(colours), *(sum(pixels[c::3]) // count for c in range(3)))
PY
}

# True when the rectangle x y w h ($2..$5) of a new screenshot differs from
# the same rectangle of the PPM screenshot $1.
e2e_screen_changed() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$1" "$(e2e_snapshot)" "${@:2:4}" <<'PY'
import sys
import ppm
rect = [int(v) for v in sys.argv[3:7]]
sys.exit(0 if ppm.region(sys.argv[1], *rect) != ppm.region(sys.argv[2], *rect) else 1)
PY
}

# Waits until the rectangle x y w h ($2..$5) of the screen differs from the
# same rectangle of the PPM screenshot $1, at most $6 seconds.
e2e_wait_screen_change() {
  e2e_until "${6:-$E2E_TIMEOUT}" e2e_screen_changed "$@" ||
    e2e_fail "the screen's rectangle ($2,$3 ${4}x$5) did not change"
}

# True when a new screenshot shows the rectangle $1..$4 with at least $5
# colours (something is drawn there) and not black.
e2e_drawn() {
  local colours r g b
  read -r colours r g b <<<"$(e2e_region "$(e2e_snapshot)" "$1" "$2" "$3" "$4")"
  [ "$colours" -ge "${5:-2}" ] && [ $((r + g + b)) -ge 60 ]
}

# Fails unless, within E2E_TIMEOUT seconds, the screen shows the rectangle
# $2..$5 with at least $6 colours and not black ($1 names it).
e2e_expect_drawn() {
  e2e_until "$E2E_TIMEOUT" e2e_drawn "${@:2:5}" ||
    e2e_fail "$1 ($2,$3 ${4}x$5) looks blank: $(e2e_region "$E2E_TMP/snapshot.ppm" "${@:2:4}") (colours, mean r g b)"
}

# Asks the window to close (WM_DELETE_WINDOW, as a window manager's close
# button does) and waits for the program to end; its exit status goes to
# E2E_STATUS.
E2E_STATUS=""
e2e_close_program() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) again=$SECONDS frames=""
  while e2e_running "$E2E_PID"; do
    ((SECONDS < deadline)) || e2e_fail "the program did not end within $E2E_TIMEOUT s of being closed"
    # Asked again every five seconds while the window is there; the log says
    # whether frames went on being drawn (the request was not seen).
    if ((SECONDS >= again)) && xdotool getwindowname "$E2E_WINDOW" >/dev/null 2>&1; then
      if [ -z "$frames" ]; then
        frames=$(e2e_frame_count)
      else
        e2e_log "asking the window to close again ($(($(e2e_frame_count) - frames)) frames drawn since the first request)"
      fi
      "$E2E_PYTHON" "$E2E_DIR/close-window.py" "$E2E_WINDOW" || e2e_fail "could not send WM_DELETE_WINDOW"
      again=$((SECONDS + 5))
    fi
    sleep 0.1
  done
  E2E_STATUS=0
  wait "$E2E_PID" || E2E_STATUS=$?
  E2E_PID=""
}

# Window coordinates shared by the scenarios: the ribbon's items and the file
# dialog's controls (the 1200 x 960 window at the screen's origin, the dialog
# centred in it, the 14-pixel UI font); rectangles are x y w h.
NEW=(37 37)
OPEN=(90 37)
SAVE=(146 37)
RT_RUN=(207 37)
EM_RUN=(468 37)
RESULTS=(581 37)
DIALOG_LIST=(400 420 400 150)  # inside the white list of the folder's entries
DIALOG_NAME=(412 621)
DIALOG_ACCEPT=(319 656)
DIALOG_BOTTOM=(345 640 550 30) # right of the accept button: Cancel, or what replaces it
DIALOG_YES=(334 676)

# True while the file dialog is shown: its list is white.
e2e_dialog_shown() {
  local colours r g b
  read -r colours r g b <<<"$(e2e_region "$(e2e_snapshot)" "${DIALOG_LIST[@]}")"
  ((r >= 240 && g >= 240 && b >= 240))
}
e2e_dialog_gone() { ! e2e_dialog_shown; }

# Clicks the ribbon item at $1 $2 (Open or Save) until the file dialog shows.
e2e_open_dialog() {
  e2e_click_until "file dialog" "$1" "$2" e2e_dialog_shown
}

# In the file dialog, which starts in the work folder (the working directory,
# and the folder of every bench the scenarios open): makes the name field hold
# $1 and accepts it, which closes the dialog or changes it (a question, a
# problem): the caller looks for the outcome.
e2e_dialog_pick() {
  local before
  e2e_until "$E2E_TIMEOUT" e2e_dialog_shown || e2e_fail "no file dialog"
  e2e_set_field "${DIALOG_NAME[@]}" "$1"
  before="$(e2e_screenshot named)"
  e2e_click_until "answer to the file dialog's accept button" "${DIALOG_ACCEPT[@]}" \
    e2e_screen_changed "$before" "${DIALOG_BOTTOM[@]}"
}

# The error message centred in the window (icon, text, Ok) and its Ok button.
ERROR_POPUP=(380 430 440 100)
ERROR_POPUP_OK=(600 509)

# True when the error message's place shows its red icon on a light panel.
e2e_error_popup_shown() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$(e2e_snapshot)" "${ERROR_POPUP[@]}" <<'PY'
import sys
import ppm
px = ppm.region(sys.argv[1], *map(int, sys.argv[2:6]))
red = sum(1 for i in range(0, len(px), 3) if px[i] > 180 and px[i + 1] < 90 and px[i + 2] < 90)
light = sum(1 for i in range(0, len(px), 3) if min(px[i:i + 3]) >= 220)
sys.exit(0 if red > 100 and light > len(px) // 6 else 1)
PY
}

# Waits for the error message, then clicks Ok until it is gone.
e2e_dismiss_error() {
  e2e_until "$E2E_TIMEOUT" e2e_error_popup_shown || e2e_fail "no error message"
  e2e_screenshot error >/dev/null
  e2e_click_until "closed error message" "${ERROR_POPUP_OK[@]}" eval '! e2e_error_popup_shown'
}

# The question whether unsaved changes may be lost: its text and its buttons.
QUESTION_TEXT=(395 455 420 40)
QUESTION_YES=(638 510)
QUESTION_NO=(747 510)

# True when the question's text stands (a light panel) where the screenshot
# $1 showed something else.
e2e_question_shown() {
  local colours r g b
  e2e_screen_changed "$1" "${QUESTION_TEXT[@]}" || return 1
  read -r colours r g b <<<"$(e2e_region "$E2E_TMP/snapshot.ppm" "${QUESTION_TEXT[@]}")"
  ((r >= 200 && g >= 200 && b >= 200))
}

# Asks the window of a program with unsaved changes to close, waits for the
# question whether they may be lost and answers $1 (Yes or No). Yes: waits for
# the program to end; its exit status goes to E2E_STATUS. No: waits until the
# window shows again what it showed before the question.
e2e_close_answering() {
  local before
  before="$(e2e_screenshot before-close)"
  e2e_repeat_until "question about the unsaved changes" \
    '"$E2E_PYTHON" "$E2E_DIR/close-window.py" "$E2E_WINDOW"' e2e_question_shown "$before"
  e2e_running "$E2E_PID" || e2e_fail "the program ended instead of asking"
  if [ "$1" = Yes ]; then
    local try
    for ((try = 1; try <= 3; try++)); do
      # Not e2e_click: no frames follow the release once the program has ended.
      xdotool mousemove --sync "${QUESTION_YES[@]}"
      e2e_frames
      xdotool mousedown 1
      e2e_frames
      xdotool mouseup 1
      e2e_until_frames 10 e2e_program_ended && break
      e2e_log "the program still runs after Yes ($try)"
    done
    e2e_program_ended || e2e_fail "the program did not end after Yes three times"
    E2E_STATUS=0
    wait "$E2E_PID" || E2E_STATUS=$?
    E2E_PID=""
  else
    e2e_click_until "return to the window after No" "${QUESTION_NO[@]}" \
      eval '! e2e_screen_changed "$before" "${QUESTION_TEXT[@]}"'
  fi
}
e2e_program_ended() { ! e2e_running "$E2E_PID"; }

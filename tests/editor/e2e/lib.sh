# Shared steps of the end-to-end scenarios: the real orvilane program on its
# own Xvfb display, driven with xdotool, looked at through screenshots.
# A scenario sources this file, calls e2e_start_display and e2e_start_program,
# and ends with e2e_close_program. Every wait is bounded; a failed step prints
# why, keeps the screenshots and the program's output, and exits non-zero.
#
# Environment (set by CTest): ORVILANE_BIN (the program), ORVILANE_DATA (the
# data folder to link in), ORVILANE_TEST_DATA (tests/data), E2E_OUT (where the
# screenshots and the program's output of a failed run are kept), E2E_KEEP
# (when set, the temporary folder is left in place).

set -euo pipefail

E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
E2E_PYTHON=/usr/bin/python3 # the system's, which has python3-xlib
E2E_NAME="$(basename "${0%.sh}")"
E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/orvilane-e2e.XXXXXX")"
E2E_WORK="$E2E_TMP/work"
E2E_XVFB_PID=""
E2E_PID=""
E2E_WINDOW=""
mkdir -p "$E2E_WORK"

e2e_log() { echo "[$E2E_NAME] $*"; }

e2e_cleanup() {
  local status=$?
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill -9 "$E2E_PID" 2>/dev/null || true
    wait "$E2E_PID" 2>/dev/null || true
  fi
  if [ -n "$E2E_XVFB_PID" ]; then kill "$E2E_XVFB_PID" 2>/dev/null || true; fi
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
  if [ -f "$E2E_WORK/stdout.txt" ]; then
    echo "--- program output (last 40 lines) ---" >&2
    tail -n 40 "$E2E_WORK/stdout.txt" >&2
  fi
  if [ -n "${DISPLAY:-}" ] && [ -n "$E2E_XVFB_PID" ]; then e2e_screenshot failure >/dev/null 2>&1 || true; fi
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
e2e_wait() {
  local tenths=$1
  shift
  local i
  for ((i = 0; i < tenths; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

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
# (the program, xdotool, import, the close request) reaches this server.
e2e_start_display() {
  e2e_require
  local n tries
  n=$((200 + RANDOM % 700))
  for ((tries = 0; tries < 50; tries++, n = 200 + (n - 199) % 700)); do
    e2e_display_taken "$n" && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp 2>"$E2E_TMP/xvfb.txt" &
    E2E_XVFB_PID=$!
    if e2e_wait 100 e2e_display_ready "$n"; then
      export DISPLAY=":$n"
      e2e_log "display $DISPLAY"
      return 0
    fi
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=""
  done
  e2e_fail "no X display could be started: $(cat "$E2E_TMP/xvfb.txt")"
}
e2e_display_ready() {
  kill -0 "$E2E_XVFB_PID" 2>/dev/null && [ "$(grep -cE "/tmp/\.X11-unix/X$1\$" /proc/net/unix)" -ge 1 ] &&
    DISPLAY=":$1" xdpyinfo >/dev/null 2>&1
}

# Starts the program in the work folder with the data folder linked in, and
# waits for its window to show the first frame's title.
e2e_start_program() {
  ln -sfn "$ORVILANE_DATA" "$E2E_WORK/data"
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
    # A machine short of resources can refuse the GL context once.
    e2e_wait 100 e2e_window_or_refusal || break
    grep -qxF "Failed to create GLFW window" "$E2E_WORK/stdout.txt" || break
    wait "$E2E_PID" 2>/dev/null || true
    e2e_log "the window could not be created: starting once more"
    cp "$E2E_WORK/stdout.txt" "$E2E_WORK/stdout-attempt-$attempt.txt"
    sleep 1
  done
  # Found by the program's process id as well: never another program's window.
  e2e_wait 600 xdotool search --all --pid "$E2E_PID" --name '^Orvilane - ' ||
    e2e_fail "no window titled 'Orvilane - ...'"
  E2E_WINDOW="$(xdotool search --all --pid "$E2E_PID" --name '^Orvilane - ' | head -n 1)"
  sleep 0.5
}

e2e_window_or_refusal() {
  xdotool search --all --pid "$E2E_PID" --name '^Orvilane - ' >/dev/null 2>&1 ||
    grep -qxF "Failed to create GLFW window" "$E2E_WORK/stdout.txt" 2>/dev/null
}

e2e_title() { xdotool getwindowname "$E2E_WINDOW"; }

# Waits until the window title is exactly $1.
e2e_expect_title() {
  e2e_wait 100 e2e_title_is "$1" || e2e_fail "title is '$(e2e_title)', expected '$1'"
}
e2e_title_is() { [ "$(e2e_title)" = "$1" ]; }

# Waits until the program's output holds the fixed text $1 (at least $2 times).
e2e_expect_output() {
  local count="${2:-1}"
  e2e_wait "${3:-300}" e2e_output_count_at_least "$1" "$count" ||
    e2e_fail "the output does not show '$1' ($count times)"
}
e2e_output_count_at_least() { [ "$(grep -cF -- "$1" "$E2E_WORK/stdout.txt")" -ge "$2" ]; }

# Clicks at window coordinates (the window sits at the screen's origin: no
# window manager). The pauses let a frame pass between move, click and the next
# step: events of one frame reach the UI together.
e2e_click() {
  xdotool mousemove --sync "$1" "$2"
  sleep 0.25
  xdotool click 1
  sleep 0.4
}

# Presses the keys (xdotool names) together and holds them over a few frames:
# the UI reads key states once per frame.
e2e_key() {
  local key
  for key in "$@"; do xdotool keydown "$key"; done
  sleep 0.15
  for key in "$@"; do xdotool keyup "$key"; done
  sleep 0.15
}

# Types text into the focused field; with "replace", Ctrl+A and Delete first.
e2e_type() {
  if [ "${2:-}" = "replace" ]; then
    e2e_key ctrl a
    e2e_key Delete
  fi
  xdotool type --delay 30 "$1"
  sleep 0.3
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

# Prints "<distinct colours> <mean red> <mean green> <mean blue>" of the
# rectangle x y w h of a PPM screenshot.
e2e_region() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$@" <<'PY'
import sys
import ppm
path, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:6])
width, height, data = ppm.read(path)
pos = 0
colours, sums = set(), [0, 0, 0]
for row in range(y, min(y + h, height)):
    start = pos + (row * width + x) * 3
    line = data[start:start + min(w, width - x) * 3]
    for i in range(0, len(line), 3):
        pixel = line[i:i + 3]
        colours.add(pixel)
        for c in range(3):
            sums[c] += pixel[c]
count = max(1, (min(y + h, height) - y) * (min(w, width - x)))
print(len(colours), *(s // count for s in sums))
PY
}

# Fails unless, within ten seconds, a screenshot shows the region with at
# least $6 colours (something is drawn there) and not black: $1 name,
# $2..$5 x y w h. Each try's screenshot is kept for a failed run.
e2e_expect_drawn() {
  local try shot stats colours r g b
  for ((try = 0; try < 20; try++)); do
    shot="$(e2e_screenshot "${1// /-}")"
    stats="$(e2e_region "$shot" "$2" "$3" "$4" "$5")"
    read -r colours r g b <<<"$stats"
    if [ "$colours" -ge "${6:-2}" ] && [ $((r + g + b)) -ge 60 ]; then return 0; fi
    sleep 0.5
  done
  e2e_fail "$1 ($2,$3 ${4}x$5) looks blank: $colours colours, mean $r $g $b"
}

# Asks the window to close (WM_DELETE_WINDOW, as a window manager's close
# button does) and waits for the program to end; its exit status goes to
# E2E_STATUS.
E2E_STATUS=""
e2e_close_program() {
  local i
  for ((i = 0; i < 600; i++)); do
    # Asked again every five seconds while the window is there: on a loaded
    # machine a client message has been seen to go missing.
    if ((i % 50 == 0)) && xdotool getwindowname "$E2E_WINDOW" >/dev/null 2>&1; then
      ((i == 0)) || e2e_log "asking the window to close again"
      "$E2E_PYTHON" "$E2E_DIR/close-window.py" "$E2E_WINDOW" || e2e_fail "could not send WM_DELETE_WINDOW"
    fi
    kill -0 "$E2E_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$E2E_PID" 2>/dev/null && e2e_fail "the program did not end within a minute of being closed"
  E2E_STATUS=0
  wait "$E2E_PID" || E2E_STATUS=$?
  E2E_PID=""
}

# Window coordinates shared by the scenarios: the ribbon's items and the file
# dialog's controls (the 1200 x 960 window at the screen's origin, the dialog
# centred in it, the 14-pixel UI font).
NEW=(37 37)
OPEN=(90 37)
SAVE=(146 37)
RT_RUN=(207 37)
EM_RUN=(468 37)
RESULTS=(581 37)
DIALOG_NAME=(412 621)
DIALOG_ACCEPT=(319 656)
DIALOG_YES=(334 676)

# Waits, at most ten seconds, until the file dialog's light list box covers
# the dark 3D view behind it.
e2e_wait_dialog() {
  local try shot colours r g b
  for ((try = 0; try < 20; try++)); do
    shot="$(e2e_screenshot dialog)"
    read -r colours r g b <<<"$(e2e_region "$shot" 450 400 100 50)"
    if [ $((r + g + b)) -ge 600 ]; then return 0; fi
    sleep 0.5
  done
  e2e_fail "the file dialog did not appear: mean $r $g $b where its list should be"
}

# In the file dialog, which starts in the work folder (the working directory,
# and the folder of every bench the scenarios open): accepts the name $1.
e2e_dialog_pick() {
  e2e_wait_dialog
  e2e_click "${DIALOG_NAME[@]}"
  e2e_type "$1" replace
  e2e_click "${DIALOG_ACCEPT[@]}"
}

# Asks the window of a program with unsaved changes to close, waits for the
# question whether they may be lost (the message popup centred in the window)
# and answers $1 (Yes or No). Yes: waits for the program to end, its exit
# status goes to E2E_STATUS. No: waits until the window shows what it showed
# before the question. Each wait is bounded at a minute.
e2e_close_answering() {
  local text=(395 455 420 40) yes=(638 510) no=(747 510) # the question's text; its buttons
  local before now try
  before="$(e2e_region "$(e2e_screenshot before-close)" "${text[@]}")"
  "$E2E_PYTHON" "$E2E_DIR/close-window.py" "$E2E_WINDOW" || e2e_fail "could not send WM_DELETE_WINDOW"
  for ((try = 0; try < 120; try++)); do
    now="$(e2e_region "$(e2e_screenshot close-question)" "${text[@]}")"
    # Shown: the popup's light panel where the picture was different.
    [ "$now" != "$before" ] && [ "$(cut -d' ' -f2 <<<"$now")" -ge 200 ] && break
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended instead of asking"
    sleep 0.5
  done
  ((try < 120)) || e2e_fail "no question about the unsaved changes ($now, before $before)"
  if [ "$1" = Yes ]; then
    e2e_click "${yes[@]}"
    e2e_wait 600 e2e_program_ended || e2e_fail "the program did not end within a minute of Yes"
    E2E_STATUS=0
    wait "$E2E_PID" || E2E_STATUS=$?
    E2E_PID=""
  else
    e2e_click "${no[@]}"
    for ((try = 0; try < 120; try++)); do
      [ "$(e2e_region "$(e2e_screenshot after-no)" "${text[@]}")" = "$before" ] && return 0
      sleep 0.5
    done
    e2e_fail "the question did not go away after No"
  fi
}
e2e_program_ended() { ! kill -0 "$E2E_PID" 2>/dev/null; }

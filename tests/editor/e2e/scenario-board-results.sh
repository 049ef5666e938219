#!/usr/bin/env bash
# Link a detector to a source on the simulation board by dragging port to port
# (the link marks the bench unsaved), run the field simulation, open a result
# window from the ribbon, choose the detector, and look for its heatmap.
source "$(dirname "$0")/lib.sh"

# A new result window sits at (60, 95), below the ribbon; its "Detector"
# chooser, the list the chooser opens below itself, and the list's second
# entry (the detector).
RESULT_WINDOW=(60 95 300 120)
CHOOSER=(150 126)
CHOOSER_LIST=(70 140 200 50)
CHOOSER_DETECTOR=(150 175)

# A plane-wave source and, 0.1 m along the axis, an unlinked detector; the
# side file puts their nodes side by side on the board.
cat >"$E2E_WORK/bench.xml" <<'XML'
<?xml version="1.0"?>
<Talvo version="0">
	<Source Type="Source" label="Source" id="1000" parentId="0" inputId="0" saveInputFields="false" saveOutputFields="false" x="0" y="0" z="0" a="0" b="0" c="0" sourceType="0">
		<Config mDirection_x="0" mDirection_y="0" mDirection_z="1" mRefractiveIndex_re="1" mRefractiveIndex_im="0" mWavelenght="6.38e-07" mAmplitudeEx_re="1" mAmplitudeEx_im="0" mAmplitudeEy_re="1" mAmplitudeEy_im="0" mSamplingPoints="101" mSamplingWindowSize="0.02">
			<RayGenerator mRadius="0.001" mNumberRaysPerSide="5" mNumberRayMultiplierForRandom="2" />
			<FieldGenerator mRadius="0.004" mSmoothingDistance="0.1" />
		</Config>
	</Source>
	<Element Type="Detector" label="Screen" id="1001" parentId="0" inputId="0" saveInputFields="false" saveOutputFields="false" x="0" y="0" z="0.1" a="0" b="0" c="0">
		<Config BlockLight="true" Resolution_x="60" Resolution_y="40">
			<Surface mSize_x="0.012" mSize_y="0.008" />
		</Config>
	</Element>
</Talvo>
XML
cat >"$E2E_WORK/bench.xml.aux" <<'XML'
<?xml version="1.0"?>
<OrvilaneEditor version="0">
	<node id="1000" x="20" y="40" />
	<node id="1001" x="260" y="40" />
</OrvilaneEditor>
XML

# Looks at a PPM screenshot: "nodes" prints "x0 y0 x1 y1" of each grey board
# node body in the lower half of the screen (rows holding a long run of the
# node grey), left to right; "count r,g,b" prints how many pixels hold that
# colour, give or take 8.
screen_look() {
  "$E2E_PYTHON" - "$@" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
header, offset = [], 0
while len(header) < 4:  # P6 width height maximum, then one whitespace byte
    while data[offset:offset + 1].isspace():
        offset += 1
    end = offset
    while not data[end:end + 1].isspace():
        end += 1
    header.append(data[offset:end])
    offset = end
width, height, pixels = int(header[1]), int(header[2]), data[offset + 1:]

if sys.argv[2] == "count":
    want = [int(c) for c in sys.argv[3].split(",")]
    count = 0
    for i in range(0, len(pixels) - 2, 3):
        if abs(pixels[i] - want[0]) <= 8 and abs(pixels[i + 1] - want[1]) <= 8 and abs(pixels[i + 2] - want[2]) <= 8:
            count += 1
    print(count)
    sys.exit(0)

grey = b"\x9b\x9b\x9b"
boxes = []  # [x0, y0, x1, y1]; a run joins the box its x range overlaps
for y in range(height // 2, height):
    row = pixels[y * width * 3:(y + 1) * width * 3]
    x = 0
    while x < width:
        if row[3 * x:3 * x + 3] != grey:
            x += 1
            continue
        start = x
        while x < width and row[3 * x:3 * x + 3] == grey:
            x += 1
        if x - start >= 60:
            box = next((b for b in boxes if start <= b[2] and x - 1 >= b[0]), None)
            if box is None:
                boxes.append([start, y, x - 1, y])
            else:
                box[0], box[2], box[3] = min(box[0], start), max(box[2], x - 1), y
for box in sorted(boxes):
    print(*box)
PY
}
board_nodes() { screen_look "$1" nodes; }
count_colour() { screen_look "$1" count "$2"; }

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"

e2e_open_dialog "${OPEN[@]}"
e2e_dialog_pick bench
e2e_expect_title "Orvilane - $E2E_WORK/bench.xml"

nodes=()
two_nodes_drawn() {
  mapfile -t nodes < <(board_nodes "$(e2e_snapshot)")
  [ "${#nodes[@]}" = 2 ]
}
e2e_until "$E2E_TIMEOUT" two_nodes_drawn || e2e_fail "expected two nodes on the board, found ${#nodes[@]}: ${nodes[*]}"
e2e_screenshot board >/dev/null
read -r sx0 sy0 sx1 sy1 <<<"${nodes[0]}"
read -r dx0 dy0 dx1 dy1 <<<"${nodes[1]}"
# The side file's 240 board units between the nodes are kept.
[ $((dx0 - sx0)) = 240 ] || e2e_fail "nodes are $((dx0 - sx0)) pixels apart, the side file says 240"

# From the source's output port to the detector's input port.
e2e_repeat_until "link between the nodes" \
  "e2e_drag $((sx1 + 10)) $(((sy0 + sy1) / 2)) $((dx0 - 10)) $(((dy0 + dy1) / 2))" \
  e2e_title_is "Orvilane - $E2E_WORK/bench.xml [UNSAVED]"
link_drawn() { [ "$(count_colour "$(e2e_snapshot)" 255,0,0)" -gt 100 ]; }
e2e_until "$E2E_TIMEOUT" link_drawn || e2e_fail "no link line drawn between the nodes"
e2e_screenshot linked >/dev/null

e2e_click_until "field run" "${EM_RUN[@]}" e2e_output_has "Running Electromagnetic simulation ..."
e2e_expect_output "Simulation Completed ("
e2e_expect_output "Solved Element [Screen - id:1001]"

before="$(e2e_screenshot before-results)"
e2e_click_until "result window" "${RESULTS[@]}" e2e_screen_changed "$before" "${RESULT_WINDOW[@]}"
before="$(e2e_screenshot result-window)"
e2e_click_until "detector list" "${CHOOSER[@]}" e2e_screen_changed "$before" "${CHOOSER_LIST[@]}"
# The first layer is the real part of Ex on a symmetric scale: the dark field
# around the beam takes the scale's middle colour, and the beam's own values
# reach the scale's ends (dark red and dark blue).
heatmap_drawn() { [ "$(count_colour "$(e2e_snapshot)" 128,255,128)" -gt 5000 ]; }
e2e_click_until "heatmap" "${CHOOSER_DETECTOR[@]}" heatmap_drawn
shot="$(e2e_screenshot results)"
middle="$(count_colour "$shot" 128,255,128)"
[ "$middle" -gt 5000 ] || e2e_fail "no heatmap in the result window ($middle pixels of the scale's middle colour)"
ends=$(($(count_colour "$shot" 0,0,128) + $(count_colour "$shot" 128,0,0) + $(count_colour "$shot" 0,0,255) + $(count_colour "$shot" 255,0,0)))
[ "$ends" -gt 50 ] || e2e_fail "the heatmap shows no values towards the scale's ends"

e2e_close_answering Yes
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

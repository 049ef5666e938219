#!/usr/bin/env bash
# Open a bench with one ray source, add an ideal lens from the toolbox, run the
# raytracing preview, and look for the preview's rays in the 3D view: pixels of
# the ray colour (1, 1, 0.2) at alpha 0.5 over the dark background.
source "$(dirname "$0")/lib.sh"

# Window coordinates (windows at their first-use places of the tiled layout).
TOOLBOX_IDEAL_LENS=(88 603)
VIEW=(272 140 632 560) # the 3D view's picture: x y w h

# Prints how many pixels of the region x y w h of a PPM screenshot lie within
# 8 of the ray colour, and how many of them were not so in an earlier
# screenshot: $1 shot, $2 earlier shot, $3..$6 region.
ray_pixels() {
  PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$E2E_DIR" "$E2E_PYTHON" - "$@" <<'PY'
import sys
import ppm
x, y, w, h = map(int, sys.argv[3:7])
RAY = (140, 140, 38)  # (1, 1, 0.2) at alpha 0.5 over the 0.1 grey background

def ray_mask(path):
    width, _, data = ppm.read(path)
    mask = set()
    for row in range(y, y + h):
        base = (row * width + x) * 3
        for col in range(w):
            p = data[base + col * 3:base + col * 3 + 3]
            if all(abs(p[c] - RAY[c]) <= 8 for c in range(3)):
                mask.add((row, col))
    return mask

now, before = ray_mask(sys.argv[1]), ray_mask(sys.argv[2])
print(len(now), len(now - before))
PY
}

cat >"$E2E_WORK/source.xml" <<'XML'
<?xml version="1.0"?>
<Talvo version="0">
	<Source Type="Source" label="Source Beam" id="1000" parentId="0" inputId="0" saveInputFields="false" saveOutputFields="false" x="0" y="0" z="-0.3" a="0" b="0" c="0" sourceType="0">
		<Config mDirection_x="0" mDirection_y="0" mDirection_z="1" mRefractiveIndex_re="1" mRefractiveIndex_im="0" mWavelenght="6.38e-07" mAmplitudeEx_re="1" mAmplitudeEx_im="0" mAmplitudeEy_re="1" mAmplitudeEy_im="0" mSamplingPoints="31" mSamplingWindowSize="0.2">
			<RayGenerator mRadius="0.05" mNumberRaysPerSide="5" mNumberRayMultiplierForRandom="2" />
			<FieldGenerator mRadius="0.05" mSmoothingDistance="0.1" />
		</Config>
	</Source>
</Talvo>
XML

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"

e2e_open_dialog "${OPEN[@]}"
e2e_dialog_pick source
e2e_expect_output "Simulation succesfully loaded from $E2E_WORK/source.xml"

e2e_expect_drawn "3D view" "${VIEW[@]}" 3
e2e_frames # the loaded bench's preview is on the screen
loaded="$(e2e_screenshot loaded)"

# True when the 3D view shows the ray colour, much of it where it was not
# before the lens; rays and moved keep the counts.
rays=0 moved=0
rays_bent() {
  read -r rays moved <<<"$(ray_pixels "$(e2e_snapshot)" "$loaded" "${VIEW[@]}")"
  [ "$rays" -ge 200 ] && [ "$moved" -ge 100 ]
}

e2e_click_until "lens on the bench" "${TOOLBOX_IDEAL_LENS[@]}" \
  e2e_title_is "Orvilane - $E2E_WORK/source.xml [UNSAVED]"
e2e_click "${RT_RUN[@]}"
e2e_until "$E2E_TIMEOUT" rays_bent || true
e2e_log "ray-coloured pixels in the 3D view: $rays, $moved of them new with the lens"
[ "$rays" -ge 200 ] || e2e_fail "only $rays pixels of the ray colour in the 3D view"
[ "$moved" -ge 100 ] || e2e_fail "the lens did not bend the drawn rays ($moved new ray pixels)"
# The list shows the two components: the lens joined the source.
e2e_expect_drawn "component list" 8 100 250 200 5

e2e_close_answering Yes
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"
e2e_log "passed"

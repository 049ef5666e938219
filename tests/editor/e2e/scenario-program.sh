#!/usr/bin/env bash
# Open a bench through the dialog, run the raytracing preview and a field run,
# save through the dialog (answering the replace question), then close the
# window while a long field run is going: the program must end cleanly with
# status 0, and the saved file must load and equal the bench that was shown.
source "$(dirname "$0")/lib.sh"

cp "$ORVILANE_TEST_DATA/corpus/valid_bench.xml" "$E2E_WORK/bench.xml"
# A fine field grid through a chain of lenses: a field run of several seconds.
{
  sed -n '1,/<\/Source>/p' "$ORVILANE_TEST_DATA/corpus/valid_bench.xml" |
    sed 's/mSamplingPoints="31"/mSamplingPoints="1501"/; s/mSamplingWindowSize="0.002"/mSamplingWindowSize="0.02"/'
  for i in $(seq 1 12); do
    echo "<Element Type=\"Ideal Lens\" label=\"Lens $i\" id=\"$((1000 + i))\" parentId=\"0\" inputId=\"$((999 + i))\"" \
      "saveInputFields=\"false\" saveOutputFields=\"false\" x=\"0\" y=\"0\" z=\"0.$i\" a=\"0\" b=\"0\" c=\"0\">" \
      "<Config mFocalDistance=\"0.5\"><Surface mRadius=\"0.05\"/></Config></Element>"
  done
  echo '</Talvo>'
} >"$E2E_WORK/heavy.xml"

e2e_start_display
e2e_start_program
e2e_expect_title "Orvilane - New Simulation"
e2e_expect_output "Current directory: $E2E_WORK"

e2e_expect_drawn "ribbon" 10 10 560 55 20
e2e_expect_drawn "dock host" 100 200 1000 600 1
e2e_expect_drawn "ribbon border" 0 70 1200 10 2

# Open the bench.
e2e_open_dialog "${OPEN[@]}"
e2e_expect_drawn "file dialog" 300 300 600 360 10
e2e_dialog_pick bench
e2e_expect_title "Orvilane - $E2E_WORK/bench.xml"
e2e_expect_output "Simulation succesfully loaded from $E2E_WORK/bench.xml"

# The preview again (it draws what is shown already), then a field run to its end.
e2e_click "${RT_RUN[@]}"
e2e_click_until "field run" "${EM_RUN[@]}" e2e_output_has "Running Electromagnetic simulation ..."
# The first mirror has no field model: it says so once and passes on nothing,
# which the elements below carry silently; the run ends clean, without an
# error message.
e2e_expect_output "Simulation Completed ("
! grep -F "ERROR: " "$E2E_WORK/stdout.txt" || e2e_fail "the bench's field run logged errors"
[ "$(grep -c "EM simulation not implemented yet" "$E2E_WORK/stdout.txt")" = 1 ] ||
  e2e_fail "not one warning for the elements without a field model"

# Save under the bench's own name: the dialog asks before replacing it.
cp "$E2E_WORK/bench.xml" "$E2E_TMP/shown.xml"
e2e_open_dialog "${SAVE[@]}"
e2e_dialog_pick bench
e2e_dialog_shown || e2e_fail "the save dialog closed without asking before replacing bench.xml"
e2e_expect_drawn "replace question" 300 640 600 50 5
e2e_click_until "closed save dialog" "${DIALOG_YES[@]}" e2e_dialog_gone
e2e_expect_output "Simulation Setup saved in $E2E_WORK/bench.xml"
e2e_expect_title "Orvilane - $E2E_WORK/bench.xml"

# And under a new name.
e2e_open_dialog "${SAVE[@]}"
e2e_dialog_pick saved
e2e_expect_output "Simulation Setup saved in $E2E_WORK/saved.xml"
e2e_expect_title "Orvilane - $E2E_WORK/saved.xml"

# The saved file loads again, in the program.
e2e_open_dialog "${OPEN[@]}"
e2e_dialog_pick saved
e2e_expect_output "Simulation succesfully loaded from $E2E_WORK/saved.xml"

# Close while a long field run is going.
e2e_open_dialog "${OPEN[@]}"
e2e_dialog_pick heavy
e2e_expect_output "Simulation succesfully loaded from $E2E_WORK/heavy.xml"
e2e_click_until "second field run" "${EM_RUN[@]}" e2e_output_has "Running Electromagnetic simulation ..." 2
e2e_expect_drawn "progress modal" 440 430 320 100 5
[ "$(grep -cF "Simulation Completed (" "$E2E_WORK/stdout.txt")" -eq 1 ] || e2e_fail "the long run ended before the close"
e2e_close_program
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after closing during a run"
[ -s "$E2E_WORK/imgui.ini" ] || e2e_fail "imgui.ini was not written at the end"
[ -s "$E2E_WORK/log.txt" ] || e2e_fail "log.txt was not flushed at the end"

# What was saved is the bench that was shown, attribute for attribute (numbers
# by value: the file keeps doubles at full precision).
"$E2E_PYTHON" - "$E2E_TMP/shown.xml" "$E2E_WORK/saved.xml" "$E2E_WORK/bench.xml" <<'PY' || e2e_fail "saved files differ from the bench"
import sys
import xml.etree.ElementTree as ET

def value(text):
    try:
        return float(text)
    except ValueError:
        return text

def tree(e):
    return (e.tag, sorted((k, value(v)) for k, v in e.attrib.items()), [tree(c) for c in e])

shown = tree(ET.parse(sys.argv[1]).getroot())
for other in sys.argv[2:]:
    if tree(ET.parse(other).getroot()) != shown:
        print("differs:", other)
        sys.exit(1)
PY
e2e_log "passed"

#!/usr/bin/env bash
# mereth headless, each run driven by a script of steps: the about box from
# menu 1, the main dialog, its type popup and the version box after
# Initialize on the default rack (their screens the golden ones), and the
# ways to end the program. A run ended by its quit action never reaches
# the snapshot queued after it.
# usage: mereth_headless.sh MERETH PNG_EQUAL GOLDEN_DIR
set -euo pipefail
mereth="$1" png_equal="$2" golden="$3"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export MERETH_UI_SCRIPT="$out/script"
# The simulated hardware keeps its state here, not in the home folder.
export MERETH_SIM_STATE="$out/state"

# run NAME: plays $out/script, expects exit 0 and no $out/late.png.
run() {
  if ! "$mereth" >"$out/$1.log" 2>&1; then
    echo "$1: mereth failed"; cat "$out/$1.log"; exit 1
  fi
  if [[ -e "$out/late.png" ]]; then
    echo "$1: mereth went on after its quit"; exit 1
  fi
}
late="wait 100
snapshot $out/late.png"

# Menu 1's title, its About item; the about box closed by a key; then
# File > Quit with the mouse.
cat >"$out/script" <<STEPS
wait 2
move 30 10
down
move 40 30
up
wait 1
snapshot $out/about.png
key a
wait 1
move 88 10
down
move 95 139
up
$late
STEPS
run about
if [[ "${MERETH_UPDATE_GOLDEN:-}" == 1 ]]; then
  cp "$out/about.png" "$golden/about_box.png"
fi
"$png_equal" "$out/about.png" "$golden/about_box.png"

# The main dialog as it starts, its type popup held open (released
# outside, so the type stays), then Initialize on the default rack: a new
# board without records, where "Cancel" goes on without them; then the
# Calibrate menu's version item and its box.
cat >"$out/script" <<STEPS
wait 2
snapshot $out/main.png
move 75 78
down
wait 1
snapshot $out/popup.png
move 600 400
up
wait 1
click 295 78
wait 2
click 320 217
wait 2
move 260 10
down
move 275 30
wait 1
up
wait 2
snapshot $out/version.png
item 1
wait 1
key q cmd
$late
STEPS
run main
grep -q 'Reading CFast table from EEPROM failed: is empty' "$out/main.log"
grep -q -- '-> Cancel' "$out/main.log"
for shot in main:main_dialog popup:type_popup version:version_box; do
  if [[ "${MERETH_UPDATE_GOLDEN:-}" == 1 ]]; then
    cp "$out/${shot%%:*}.png" "$golden/${shot##*:}.png"
  fi
  "$png_equal" "$out/${shot%%:*}.png" "$golden/${shot##*:}.png"
done

printf 'wait 2\nkey q cmd\n%s\n' "$late" >"$out/script"
run command_q

printf 'wait 2\nquit\n%s\n' "$late" >"$out/script"
run quit_request

printf 'wait 2\nopen %s/document.txt\nwait 1\nkey q cmd\n%s\n' "$out" "$late" >"$out/script"
run document

# Without a script and without a display the program ends at once.
unset MERETH_UI_SCRIPT
MERETH_UI_HEADLESS=1 "$mereth" >/dev/null 2>&1

# SIGTERM ends it like the quit request. The signal goes only once the
# script has begun, so the handler is in place however slowly a loaded
# machine starts the program.
export MERETH_UI_SCRIPT="$out/script"
printf 'snapshot %s/ready.png\nwait 1000000000\nkey a\n' "$out" >"$out/script"
"$mereth" >"$out/sigterm.log" 2>&1 &
pid=$!
for ((tries = 0; tries < 1200; ++tries)); do
  [[ -e "$out/ready.png" ]] && break
  sleep 0.1
done
kill -TERM "$pid"
wait "$pid"

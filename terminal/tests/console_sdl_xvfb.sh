#!/usr/bin/env bash
# A measurement's console lines in the console window: headless, the lines
# must be on the console's screen and the key given must come back through
# Input; in a real SDL2 window on an Xvfb screen the same run must show the
# same screen, pixel for pixel.
# usage: console_sdl_xvfb.sh RUN PNG_EQUAL
set -euo pipefail
run="$1" png_equal="$2"
source "$(dirname "$0")/../../platform/tests/screenshot_tools.sh"
check() {
  for said in "Square wave on DAC 0" "Gain:" "Tau:" "Measurement done." "Input: 2 q"; do
    grep -qF "$said" "$1" || { echo "missing: $said"; cat "$1"; exit 1; }
  done
}
"$run" --headless "$out/headless.png" > "$out/headless.txt" || { cat "$out/headless.txt"; exit 1; }
check "$out/headless.txt"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$run" --sdl "xwd -root -silent -out $out/screen.xwd" > "$out/sdl.txt" || { cat "$out/sdl.txt"; exit 1; }
check "$out/sdl.txt"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

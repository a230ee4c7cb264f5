#!/usr/bin/env bash
# The main loop and the progress dialog answered by clicks: headless the
# progress dialog must open from the main dialog and end as aborted; in a
# real SDL2 window on an Xvfb screen the same clicks must show the same
# screen, pixel for pixel.
# usage: loop_sdl_xvfb.sh RUN PNG_EQUAL
set -euo pipefail
run="$1" png_equal="$2"
source "$(dirname "$0")/../../platform/tests/screenshot_tools.sh"
"$run" --headless "$out/headless.png" 2> "$out/headless.txt" || { cat "$out/headless.txt"; exit 1; }
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$run" --sdl "xwd -root -silent -out $out/screen.xwd" 2> "$out/sdl.txt" || { cat "$out/sdl.txt"; exit 1; }
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

#!/usr/bin/env bash
# The test plot window's scene from the simulated rack: headless, and in a
# real SDL2 window on an Xvfb screen, pixel for pixel the same.
# usage: test_plot_sdl_xvfb.sh RUN PNG_EQUAL
set -euo pipefail
run="$1" png_equal="$2"
source "$(dirname "$0")/../../platform/tests/screenshot_tools.sh"
"$run" --headless "$out/headless.png"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$run" --sdl "xwd -root -silent -out $out/screen.xwd"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

#!/usr/bin/env bash
# The demo in a real SDL2 window on an Xvfb screen of its own size: a
# screenshot of the screen taken with xwd shows exactly what the headless
# backend composes.
# usage: demo_sdl_xvfb.sh DEMO PNG_EQUAL
set -euo pipefail
demo="$1" png_equal="$2"
source "$(dirname "$0")/screenshot_tools.sh"
"$demo" --headless "$out/headless.png"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$demo" --sdl --shot "xwd -root -silent -out $out/screen.xwd"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

#!/usr/bin/env bash
# An alert with the file chooser in front of it, in a real SDL2 window on an
# Xvfb screen: a screenshot taken with xwd shows exactly what the headless
# backend composes.
# usage: dialogs_sdl_xvfb.sh DIALOGS PNG_EQUAL
set -euo pipefail
dialogs="$1" png_equal="$2"
source "$(dirname "$0")/screenshot_tools.sh"
mkdir -p "$out/Data/Runs"
touch "$out/Data/Notebook_1.txt" "$out/Data/Selftest_1.TLV"
"$dialogs" --headless "$out/Data" "$out/headless.png"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$dialogs" --sdl "$out/Data" "xwd -root -silent -out $out/screen.xwd"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

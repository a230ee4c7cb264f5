#!/usr/bin/env bash
# The FPGA upload answered by clicks: headless, the chooser must have let
# only "*.TLV" through and the upload must end in its refusal; in a real
# SDL2 window on an Xvfb screen the same clicks must lead to the same alert,
# pixel for pixel.
# usage: fpga_upload_sdl_xvfb.sh RUN PNG_EQUAL
set -euo pipefail
run="$1" png_equal="$2"
source "$(dirname "$0")/../../platform/tests/screenshot_tools.sh"
data="$(realpath "$out")/Data"
mkdir -p "$data"
touch "$data/A.txt" "$data/Board.TLV" "$data/Old.tlv"
"$run" --headless "$data" "$out/headless.png" 2> "$out/headless.txt" || { cat "$out/headless.txt"; exit 1; }
for said in "Select FPGA File: (*.TLV) -> $data/Board.TLV" 'Function requires "Windows".'; do
  grep -qF "$said" "$out/headless.txt" || { echo "missing: $said"; cat "$out/headless.txt"; exit 1; }
done
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$run" --sdl "$data" "xwd -root -silent -out $out/screen.xwd"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

#!/usr/bin/env bash
# An alert with the file chooser in front of it, in a real SDL2 window on an
# Xvfb screen: a screenshot taken with xwd shows exactly what the headless
# backend composes.
# usage: dialogs_sdl_xvfb.sh DIALOGS PNG_EQUAL
set -euo pipefail
dialogs="$1" png_equal="$2"
for tool in xvfb-run xwd; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (packages xvfb, x11-apps)"
    exit 77
  fi
done
convert=/usr/bin/convert
if [[ ! -x "$convert" ]]; then
  echo "skipped: ImageMagick's convert is missing (package imagemagick)"
  exit 77
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/Data/Runs"
touch "$out/Data/Notebook_1.txt" "$out/Data/Selftest_1.TLV"
"$dialogs" --headless "$out/Data" "$out/headless.png"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$dialogs" --sdl "$out/Data" "xwd -root -silent -out $out/screen.xwd"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

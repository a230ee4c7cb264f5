#!/usr/bin/env bash
# The demo in a real SDL2 window on an Xvfb screen of its own size: a
# screenshot of the screen taken with xwd shows exactly what the headless
# backend composes.
# usage: demo_sdl_xvfb.sh DEMO PNG_EQUAL
set -euo pipefail
demo="$1" png_equal="$2"
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
"$demo" --headless "$out/headless.png"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" \
  "$demo" --sdl --shot "xwd -root -silent -out $out/screen.xwd"
"$convert" "xwd:$out/screen.xwd" "$out/screen.png"
"$png_equal" "$out/headless.png" "$out/screen.png"

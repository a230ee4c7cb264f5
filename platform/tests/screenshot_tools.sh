# Sourced by the screenshot tests of the SDL2 window: skips the test (exit
# 77) when Xvfb, xwd or ImageMagick's convert is missing, and makes the
# temporary folder $out, removed when the test ends.
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

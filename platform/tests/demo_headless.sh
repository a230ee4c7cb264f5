#!/usr/bin/env bash
# The demo on the headless backend writes the screen it shows, and that
# screen is the golden one.
# usage: demo_headless.sh DEMO PNG_EQUAL GOLDEN_DIR
set -euo pipefail
demo="$1" png_equal="$2" golden="$3"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$demo" --headless "$out/demo.png"
if [[ "${MERETH_UPDATE_GOLDEN:-}" == 1 ]]; then
  cp "$out/demo.png" "$golden/demo.png"
fi
"$png_equal" "$out/demo.png" "$golden/demo.png"

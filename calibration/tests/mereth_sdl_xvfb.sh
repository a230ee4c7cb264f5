#!/usr/bin/env bash
# mereth in a real SDL2 window on an Xvfb screen: the screen shows the main
# dialog pixel for pixel as the headless run's golden one, and closing the
# window ends the program with 0, also when the close comes as soon as the
# window is there, while the program is still starting.
# usage: mereth_sdl_xvfb.sh MERETH CLOSE_WINDOWS PNG_EQUAL GOLDEN_DIR
set -euo pipefail
mereth="$1" close_windows="$2" png_equal="$3" golden="$4"
for tool in xvfb-run xwd; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (packages xvfb, x11-apps)"
    exit 77
  fi
done
convert=/usr/bin/convert
[[ -x "$convert" ]] || convert="$(command -v convert || true)"
if [[ -z "$convert" ]]; then
  echo "skipped: ImageMagick's convert is missing (package imagemagick)"
  exit 77
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export MERETH_SIM_STATE="$out/state"

# run SHOT: starts mereth; with SHOT, waits (up to a minute) for the screen
# to become the golden main dialog before the close.
run() {
  SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    mereth="$1" close_windows="$2" png_equal="$3" convert="$4" out="$5" shot="$6"
    "$mereth" &
    pid=$!
    if [[ -n "$shot" ]]; then
      same=0
      for _ in $(seq 1 120); do
        sleep 0.5
        xwd -root -silent -out "$out/screen.xwd"
        "$convert" "xwd:$out/screen.xwd" "$out/screen.png"
        if "$png_equal" "$out/screen.png" "$shot" >"$out/diff.txt" 2>&1; then
          same=1
          break
        fi
      done
      if [[ $same == 0 ]]; then
        echo "the SDL2 window never showed the headless main dialog:"; cat "$out/diff.txt"
        kill "$pid"
        exit 1
      fi
    fi
    if ! "$close_windows" 30; then
      echo "mereth showed no window to close"
      kill "$pid"
      exit 1
    fi
    # One close is enough: a program still running after it is a failure.
    for _ in $(seq 1 600); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo "mereth did not end when its window was closed"
      kill -9 "$pid"
      exit 1
    fi
    wait "$pid"
  ' run "$mereth" "$close_windows" "$png_equal" "$convert" "$out" "$1"
}

run ""
run "$golden/main_dialog.png"

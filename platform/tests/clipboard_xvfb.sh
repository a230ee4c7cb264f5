#!/usr/bin/env bash
# Two lines with a micro sign, put on the X clipboard by xclip, are read by
# the program in its 8-bit set with carriage returns, put back, and read
# back by xclip in UTF-8 with line feeds.
# usage: clipboard_xvfb.sh DIALOGS
set -euo pipefail
dialogs="$1"
for tool in xvfb-run xclip; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (packages xvfb, xclip)"
    exit 77
  fi
done
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cat > "$out/run.sh" <<'INNER'
set -euo pipefail
dialogs="$1" out="$2"
# CR LF ends the first line, LF the second.
printf '10 \xc2\xb5V\r\nline 2\n' | xclip -selection clipboard -i
"$dialogs" --clipboard "$out/read" 6 &
program=$!
for _ in $(seq 50); do
  [[ -s "$out/read" ]] && break
  sleep 0.1
done
sleep 0.5
xclip -selection clipboard -o > "$out/back"
wait "$program"
INNER
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" bash "$out/run.sh" "$dialogs" "$out"
printf '10 \xb5V\rline 2\r' > "$out/want_read"
printf '10 \xc2\xb5V\nline 2\n' > "$out/want_back"
cmp "$out/read" "$out/want_read"
cmp "$out/back" "$out/want_back"

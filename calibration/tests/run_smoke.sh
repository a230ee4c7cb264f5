#!/usr/bin/env bash
# The program as scripts/run.sh starts it: no settings but a display-less
# session, a fresh home. It must come up on the default simulated rack,
# keep that rack's state in the home's state folder, offer to go on
# without records on Initialize (a new board has none) and end with 0.
# (run.sh itself builds a release tree first, too slow for a test.)
# usage: run_smoke.sh RUN_SH MERETH
set -euo pipefail
run_sh="$1" mereth="$2"
bash -n "$run_sh"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
unset MERETH_SIM_STATE MERETH_SIM_RACK MERETH_QRN55_VOLUMES MERETH_ZRV_LIBRARY XDG_STATE_HOME
export HOME="$out/home" MERETH_UI_HEADLESS=1 MERETH_UI_SCRIPT="$out/script"
mkdir -p "$HOME"

# Initialize, "Cancel" to the missing records, then quit.
cat >"$out/script" <<STEPS
wait 2
click 295 78
wait 2
click 320 217
wait 2
key q cmd
STEPS
(cd "$out" && "$mereth" "$@") >"$out/log" 2>&1 || { echo "mereth failed"; cat "$out/log"; exit 1; }
grep -q 'is empty' "$out/log" || { echo "no offer to go on without records"; cat "$out/log"; exit 1; }
grep -q -- '-> Cancel' "$out/log"
ls "$HOME/.local/state/mereth/"*.eeprom >/dev/null || { echo "no state kept in the home"; exit 1; }
echo "mereth came up, initialised the default rack and ended"

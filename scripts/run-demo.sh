#!/usr/bin/env bash
# Prepares the per-user data directory with a demo base (once) and starts the program there.
set -euo pipefail
build=$1
data=${XDG_DATA_HOME:-$HOME/.local/share}/ter5manager
mkdir -p "$data"
if [ ! -e "$data/demo/subter.db" ]; then
  "$build/tools/ter5tool/ter5tool" demo "$data/demo" --parcels 300
fi
cd "$data"
if [ -x "$build/src/app/ter5manager" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    echo "No display: starting TER5 Manager on a virtual display (xvfb-run); stop it with Ctrl+C." >&2
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$build/src/app/ter5manager" --show
  fi
  exec "$build/src/app/ter5manager" --show
fi
# The desktop program is not built yet: show what the engine reads from the demo base.
exec "$build/tools/ter5tool/ter5tool" info "$data/demo"

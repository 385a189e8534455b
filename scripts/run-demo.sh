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
  exec "$build/src/app/ter5manager" --show
fi
# The desktop program is not built yet: show what the engine reads from the demo base.
exec "$build/tools/ter5tool/ter5tool" info "$data/demo"

#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (only what is missing),
# builds it and then either runs the program on its demo base or runs every test.
#   scripts/setup.sh run    build, prepare the per-user data directory and demo base, start
#   scripts/setup.sh test   build and run every test suite
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-test}
build=${TER5_BUILD_DIR:-$here/build}

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev acl
          qt6-base-dev qt6-svg-dev xvfb xauth libwmf-bin fonts-urw-base35 librsvg2-bin
          fonts-liberation2 fonts-dejavu-core pxlib-dev libgdal-dev gdal-bin)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

case "$mode" in
  test)
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
    ;;
  run)
    exec "$here/scripts/run-demo.sh" "$build"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

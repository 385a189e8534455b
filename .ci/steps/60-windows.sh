#!/usr/bin/env bash
# The Windows build: the engine, the map core, the GUI-less parts of base,
# templates and search, ter5tool.exe and their test suites cross-built with
# MinGW-w64, then every suite run under Wine in a fresh prefix. The Windows
# holder program runs beside them, so the coexistence tests run from the
# Windows side too.
set -euo pipefail
source .ci/lib.sh
need_packages g++-mingw-w64-x86-64-posix googletest wine wine64

build=build-windows
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/ter5-wine-ci.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PATH="$PATH:/usr/lib/wine"   # wine64 lives there on Debian
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wine64 wineboot -i >/dev/null 2>&1

suites=(engine map base search templates tools)
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DTER5_BUILD_GUI=OFF -DTER5_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target ter5tool table_holder winholder "${suites[@]/%/_tests}"

# ter5tool.exe says that this build has no GIS export.
said=$(wine64 "$build/tools/ter5tool/ter5tool.exe" export x -o x.gpkg 2>&1 || true)
case "$said" in
  *"no GIS export"*) ;;
  *) echo "ter5tool.exe export does not say that the build has no GIS export: $said" >&2; exit 1 ;;
esac

failed=()
for s in "${suites[@]}"; do
  echo "== ${s}_tests.exe under Wine"
  (cd "$build/tests/$s" && wine64 "./${s}_tests.exe" --gtest_brief=1) || failed+=("$s")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed under Wine: ${failed[*]}" >&2
  exit 1
fi

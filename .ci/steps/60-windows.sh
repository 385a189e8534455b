#!/usr/bin/env bash
# The Windows build: the engine, the map core, the GUI-less parts of base,
# templates and search, ter5tool.exe, the desktop program ter5manager.exe and
# their test suites cross-built with MinGW-w64, then every suite run under Wine
# in a fresh prefix. The Windows holder program runs beside them, so the
# coexistence tests run from the Windows side too. Last, the walk test drives
# ter5manager.exe on a demo base under Xvfb.
set -euo pipefail
source .ci/lib.sh
need_packages g++-mingw-w64-x86-64-posix googletest wine wine64 xvfb xauth nsis

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
cmake --build "$build" -j "$(nproc)" --target ter5tool ter5manager winwalk table_holder winholder "${suites[@]/%/_tests}"

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

# The installer, installed silently (/S) into a fresh Wine prefix; the walk then drives
# the installed desktop program on a demo base under Xvfb, started hidden in the
# base's parent directory. Screenshots are kept in $TER5_SHOTS_DIR when it is set.
cmake --build "$build" --target installer
setup=$(ls "$build"/ter5manager-*-setup.exe)
echo "installer: $(basename "$setup"), $(stat -c %s "$setup") bytes"
suitePrefix=$WINEPREFIX
wineserver -k 2>/dev/null || true
WINEPREFIX=$(mktemp -d /tmp/ter5-wine-setup.XXXXXX)
walk=$(mktemp -d /tmp/ter5-walk.XXXXXX)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$suitePrefix" "$WINEPREFIX" "$walk"' EXIT
wine64 wineboot -i >/dev/null 2>&1
wine64 "$setup" /S
installed="$WINEPREFIX/drive_c/Program Files/TER5 Manager"
for file in ter5manager.exe ter5tool.exe uninstall.exe templates/NameBase.DB cursors/pick.cur manual/index.html; do
  [ -f "$installed/$file" ] || { echo "the silent install left out $file" >&2; exit 1; }
done
shots=${TER5_SHOTS_DIR:-$walk/shots}
mkdir -p "$shots"
wine64 "$installed/ter5tool.exe" demo "$(winepath -w "$walk/demo")" --parcels 400 >/dev/null
walkDir=$(winepath -w "$walk")
shotsDir=$(winepath -w "$shots")
# The Wine server started above has no display; the walk's must be started under Xvfb.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
echo "== winwalk.exe under Xvfb"
xvfb-run -a -s "-screen 0 1280x800x24" \
  wine64 "$build/tests/winwalk.exe" "C:\\Program Files\\TER5 Manager\\ter5manager.exe" "$walkDir" "$shotsDir"

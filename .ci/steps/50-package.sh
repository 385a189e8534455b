#!/usr/bin/env bash
# The Debian package: built from the test command's build tree, inspected,
# unpacked into a scratch root and run from there as an installed program.
set -euo pipefail
source .ci/lib.sh
need_packages dpkg-dev desktop-file-utils xvfb xauth

build=${TER5_BUILD_DIR:-build}
cmake --build "$build" --target package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/ter5manager_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "package: $deb was not made" >&2; exit 1; }

dpkg-deb -I "$deb"
contents=$(dpkg-deb -c "$deb")
echo "$contents"
expected=(usr/bin/ter5manager usr/bin/ter5manager-start usr/bin/ter5tool
          usr/share/applications/ter5manager.desktop
          usr/share/icons/hicolor/scalable/apps/ter5manager.svg
          usr/share/ter5manager/zoomin.cur usr/share/ter5manager/NameBase.DB usr/share/ter5manager/Bases.DB
          usr/share/ter5manager/Field.DB usr/share/ter5manager/Index.db)
[ -d doc/manual ] && expected+=(usr/share/ter5manager/manual/)
plugins=$(sed -n 's/^TER5_GDAL_PLUGIN_DIR:PATH=//p' "$build/CMakeCache.txt")
[ -n "$plugins" ] && expected+=("usr/$plugins/ogr_Paradox.so")
for path in "${expected[@]}"; do
  grep -q " \./$path\$" <<<"$contents" || { echo "package: $path is missing" >&2; exit 1; }
done
for library in libqt6core6 libqt6widgets6 libqt6svg6 libstdc++6 ${plugins:+libgdal}; do
  dpkg-deb -f "$deb" Depends | grep -q "$library" || { echo "package: no dependency on $library" >&2; exit 1; }
done
dpkg-deb -f "$deb" Recommends | grep -q xdg-utils || { echo "package: xdg-utils is not recommended" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/ter5manager.desktop"
if ldd "$root/usr/bin/ter5manager" "$root/usr/bin/ter5tool" ${plugins:+"$root/usr/$plugins/ogr_Paradox.so"} | grep 'not found'; then
  echo "package: a library the programs need is not installed" >&2
  exit 1
fi

# The unpacked programs answer without a display.
check() {  # check EXPECTED COMMAND...
  local expected=$1 got
  shift
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@")
  [ "$got" = "$expected" ] || { echo "package: $* printed '$got', not '$expected'" >&2; exit 1; }
}
check "ter5tool $version" "$root/usr/bin/ter5tool" --version
check "ter5manager $version" "$root/usr/bin/ter5manager" --version
"$root/usr/bin/ter5tool" --help | grep -q '^  templates DIR'
# GDAL finds the installed driver in its plugin directory.
if [ -n "$plugins" ]; then
  GDAL_DRIVER_PATH=$root/usr/$plugins ogrinfo --format Paradox | grep -q 'Long Name: Paradox tables' ||
    { echo "package: GDAL does not load the installed driver" >&2; exit 1; }
fi

# The desktop entry's start for a new user: the launcher runs the program in the
# user's data directory, which the program fills from the installed files.
home=$root/home
mkdir -p "$home"
status=0
HOME=$home XDG_DATA_HOME= XDG_RUNTIME_DIR= \
  xvfb-run -a -s "-screen 0 1280x800x24" timeout 10 "$root/usr/bin/ter5manager-start" --show || status=$?
[ "$status" -eq 124 ] || { echo "package: the installed program ended early (exit $status)" >&2; exit 1; }
data=$home/.local/share/ter5manager
for file in zoomin.cur pick.cur NameBase.DB Bases.DB Field.DB Index.db; do
  [ -f "$data/$file" ] || { echo "package: $file was not put into the user's data directory" >&2; exit 1; }
done
"$root/usr/bin/ter5tool" verify "$data"
echo "package: $(basename "$deb") ok"

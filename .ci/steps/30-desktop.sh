#!/usr/bin/env bash
# The desktop program in a real setting: a Windows stand-in for the companion program,
# installed into a fresh Wine prefix by a "32-bit installer" (the registry's Wow6432Node
# view) under a folder with Cyrillic letters, found and started by `ter5tool open` with a
# locale that is not installed; then TER5 Manager on a virtual display with a tray host as
# a new user meets it: the first start offers the demo base and shows its map, F1 opens the
# manual, a district of 50,000 parcels opens to a readable overview, and the search dialog
# opens beside the map. Screenshots of the last two are kept in $TER5_CI_SCREENSHOTS
# (default: ter5-ci-screenshots in the temporary directory).
set -euo pipefail
source .ci/lib.sh
need_packages wine wine64 g++-mingw-w64-x86-64 xvfb xauth trayer xdotool scrot

here=$(pwd)
tool=$here/build/tools/ter5tool/ter5tool
app=$here/build/src/app/ter5manager
[ -x "$tool" ] && [ -x "$app" ] || { echo "desktop: build/ is missing; run scripts/setup.sh test first" >&2; exit 1; }

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  WINEPREFIX=$scratch/prefix wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "desktop: $*" >&2; exit 1; }
# Presses key $2 in window $1. A key that closes the window (Return on a question,
# Escape on a dialog) does so on its press; the release then finds no window, which
# xdotool reports as an X error: that is the key having worked.
press() { xdotool key --window "$1" "$2" 2>/dev/null || true; }
# The first visible window whose name matches $1 (other than window $2), waited for up
# to ten seconds; nothing when none appears. The tray icon's own small window bears the
# program's name too: windows under 64 pixels a side are passed over.
wait_window() {
  local found="" id WIDTH HEIGHT
  for _ in $(seq 1 50); do
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "${2:-0}"); do
      eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=[0-9]+$')" || continue
      if [ "${WIDTH:-0}" -ge 64 ] && [ "${HEIGHT:-0}" -ge 64 ]; then found=$id; break; fi
    done
    [ -n "$found" ] && break
    sleep 0.2
  done
  echo "$found"
}

export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all TER5_MACHINE_SETTINGS=$scratch/none.conf
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

echo "desktop: building the stand-in Ter5.exe"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -municode -mwindows -static -o "$scratch/Ter5.exe" tests/wine/Ter5Standin.cpp

echo "desktop: a fresh Wine prefix"
wineboot -i >/dev/null 2>&1 || true
folder='C:\Программы\Тер 5\'
wine reg add 'HKLM\Software\Terrakon' /v PathWorkFiles /d "$folder" /f /reg:32 >/dev/null 2>&1
wineserver -w
grep -q 'Wow6432Node\\\\Terrakon' "$WINEPREFIX/system.reg" || fail "the registry value was not saved"
install -D "$scratch/Ter5.exe" "$WINEPREFIX/drive_c/Программы/Тер 5/Ter5.exe"
base=$WINEPREFIX/drive_c/Bases/Село
"$tool" demo "$base" --parcels 60 >/dev/null

echo "desktop: ter5tool open --dry-run through the drive link"
out=$("$tool" open "$WINEPREFIX/dosdevices/c:/Bases/Село" --dry-run)
expected="program: C:\\Программы\\Тер 5\\Ter5.exe
file: $WINEPREFIX/drive_c/Программы/Тер 5/Ter5.exe
directory: C:\\Bases\\Село"
[ "$out" = "$expected" ] || fail "open --dry-run printed:
$out"

echo "desktop: ter5tool open starts the stand-in under Wine"
record="$WINEPREFIX/drive_c/Программы/Тер 5/started.txt"
LANG=ru_RU.UTF-8 "$tool" open "$base" >/dev/null || fail "open did not start the program"
for _ in $(seq 1 120); do [ -s "$record" ] && break; sleep 1; done
[ -s "$record" ] || fail "the stand-in did not run"
[ "$(head -n 1 "$record" | tr -d '\r')" = 'C:\Bases\Село' ] || fail "the stand-in ran in $(head -n 1 "$record")"

echo "desktop: none of the executables"
mv "$WINEPREFIX/drive_c/Программы/Тер 5/Ter5.exe" "$scratch/Ter5.hidden"
set +e
message=$("$tool" open "$base" --dry-run 2>&1 >/dev/null)
status=$?
set -e
[ "$status" = 1 ] || fail "open without executables exited $status"
grep -q 'Тер 5' <<<"$message" && grep -q 'Wow6432Node' <<<"$message" || fail "the message does not name the folder: $message"
mv "$scratch/Ter5.hidden" "$WINEPREFIX/drive_c/Программы/Тер 5/Ter5.exe"

echo "desktop: TER5 Manager on a virtual display with a tray host"
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.2; done
trayer --edge top --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
mkdir -p "$XDG_CONFIG_HOME/ter5manager"
printf 'WinePrefix=%s\n' "$WINEPREFIX" > "$XDG_CONFIG_HOME/ter5manager/ter5manager.conf"
# Started in the per-user data directory, as the desktop entry starts it: the program
# puts its template tables and cursors there first.
mkdir -p "$XDG_DATA_HOME/ter5manager"
"$tool" demo "$scratch/district" --parcels 50000 >/dev/null
(cd "$XDG_DATA_HOME/ter5manager" && exec "$app" --show) >"$scratch/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
window=$(wait_window '^TER5 Manager v\.1\.0\.0\.2$')
[ -n "$window" ] || fail "the main window did not appear"
data=$XDG_DATA_HOME/ter5manager
# The first start, with no base: the offer of the demo base, answered Yes.
question=$(wait_window '^TER5 Manager$')
[ -n "$question" ] || fail "the first start did not offer the demo base"
# A district beside it, for the overview below, moved in whole (made before the start);
# the tree lists both once the demo is there.
mv "$scratch/district" "$data/district"
xdotool windowfocus --sync "$question"
press "$question" Return
for _ in $(seq 1 100); do [ -f "$data/demo/subter.db" ] && [ -f "$data/map.wmf" ] && break; sleep 0.2; done
[ -f "$data/map.wmf" ] || fail "the demo base was not made and shown"
xdotool windowfocus --sync "$window"
xdotool key --window "$window" F1
help=$(wait_window 'TER5 Manager$' "$window")
[ -n "$help" ] || fail "F1 did not open the manual"
xdotool windowclose "$help"

echo "desktop: the district's overview and the search dialog beside the map"
shots=${TER5_CI_SCREENSHOTS:-${TMPDIR:-/tmp}/ter5-ci-screenshots}
mkdir -p "$shots"
# The tree shows the data directory, "district" its last item: a click in the tree's empty
# part gives it the focus, End selects the district and the key's release opens it.
touch "$scratch/before-district"
xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 100 450 click 1
xdotool key --window "$window" End
for _ in $(seq 1 150); do [ "$data/map.wmf" -nt "$scratch/before-district" ] && break; sleep 0.2; done
[ "$data/map.wmf" -nt "$scratch/before-district" ] || fail "the district's map was not drawn"
sleep 1
scrot -o "$shots/district-overview.png"
xdotool key --window "$window" ctrl+f
seek=$(wait_window '^Поиск по фамилии и адресу$')
[ -n "$seek" ] || fail "Ctrl+F did not open the search dialog"
xdotool type --window "$seek" "ова"
press "$seek" Return
sleep 1
scrot -o "$shots/search-beside-map.png"
press "$seek" Escape
for shot in district-overview search-beside-map; do
  [ -s "$shots/$shot.png" ] || fail "no screenshot $shot.png"
done
echo "desktop: screenshots in $shots"
kill -0 "$app_pid" 2>/dev/null || fail "TER5 Manager ended: $(cat "$scratch/app.log")"
echo "desktop: ok"

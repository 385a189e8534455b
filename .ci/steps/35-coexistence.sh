#!/usr/bin/env bash
# The coexistence tests against a real Windows program under Wine: the holder
# program is cross-built with MinGW-w64, and a skipped Wine test fails CI here.
set -euo pipefail
source .ci/lib.sh
need_packages wine wine64 g++-mingw-w64-x86-64-posix

cmake -S . -B build >/dev/null   # finds the cross compiler now installed
cmake --build build -j "$(nproc)" --target engine_tests winholder
(cd build && TER5_REQUIRE_WINE=1 WINEDEBUG=-all ctest --output-on-failure -R 'Coexistence')

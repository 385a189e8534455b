#!/usr/bin/env bash
# The engine suite under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
here=$(pwd)
source .ci/lib.sh
need_packages clang libclang-rt-14-dev

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTER5_SANITIZE=ON \
      -DTER5_BUILD_GUI=OFF -DTER5_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)" --target engine_tests
(cd build-asan && LSAN_OPTIONS="suppressions=$here/.ci/lsan.supp" ctest --output-on-failure -R '^engine')

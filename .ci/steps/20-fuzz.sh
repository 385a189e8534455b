#!/usr/bin/env bash
# Short libFuzzer runs, seeded with the real tables: the table reader, and every
# write path on a mutated table with planted journals, off-chain blocks, memo files
# cut short and FIFOs under lock file names beside it. Any crash, any file changed
# that must not be (fuzz/FuzzWrite.cpp) and any hang (-timeout) fails CI.
set -euo pipefail
source .ci/lib.sh
need_packages clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTER5_FUZZ=ON -DTER5_BUILD_TESTS=OFF -DTER5_BUILD_BENCH=OFF -DTER5_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_table fuzz_write
corpus=$(mktemp -d)
tables=$(mktemp -d)
find tests/data/paradox -type f \( -iname '*.db' -o -iname '*.px' -o -iname '*.x*' -o -iname '*.y*' \) -exec cp {} "$corpus" \;
find tests/data/paradox -type f -iname '*.db' -size -64k -exec cp {} "$tables" \;
./build-fuzz/fuzz/fuzz_table -max_total_time=60 -rss_limit_mb=2048 "$corpus"
./build-fuzz/fuzz/fuzz_write -max_total_time=90 -timeout=30 -rss_limit_mb=2048 -max_len=65536 "$tables"
echo "fuzz: ok"

#!/usr/bin/env bash
# A minute of libFuzzer on the file source's reading of clips (build-fuzz, clang, AddressSanitizer and
# UBSan), starting from a scratch copy of fuzz/corpus. A failing input is kept in build-fuzz/artifacts.
# The seed is fixed so that a commit fuzzes the same inputs on every machine and a red run can be
# repeated; VELTRA_FUZZ_SEED=0 picks a random one for longer hunts.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
CC=clang CXX=clang++ veltra_build build-fuzz source_fuzzer -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_FUZZ=ON -DVELTRA_SANITIZE=ON -DVELTRA_TESTS=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
source scripts/sanitizer-env.sh
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp fuzz/corpus/* "$corpus"
mkdir -p build-fuzz/artifacts
build-fuzz/fuzz/source_fuzzer -max_total_time="${VELTRA_FUZZ_SECONDS:-60}" -max_len=65536 -timeout=10 \
  -seed="${VELTRA_FUZZ_SEED:-1}" -print_final_stats=1 -artifact_prefix="$PWD/build-fuzz/artifacts/" "$corpus"

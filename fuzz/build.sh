#!/usr/bin/env bash
# Builds every fuzz/*_fuzz.cpp as a libFuzzer target with clang into
# build-fuzz/ (outside the CMake build). Run one with, for example:
#   mkdir -p fuzz/corpus-utf8 && build-fuzz/utf8_fuzz -max_total_time=120 fuzz/corpus-utf8
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root")
# The runtime core (memory manager, raise, catch records) and the Unicode
# module (with the terminal hooks that error exits call) are all the
# conversion routines and text loaders need.
runtime_sources=("$root"/runtime/*.cpp "$root"/runtime/unicode/*.cpp "$root"/view/tui_hooks.cpp)
# Targets that need the whole core (datatypes, evaluator support, services
# and start-up) are listed here; they link zlib and libcrypto as the core does.
core_targets=(transcode_fuzz)
core_sources=("${runtime_sources[@]}" "$root"/datatypes/*.cpp "$root"/evaluator/*.cpp
              "$root"/services/*.cpp "$root"/boot/startup.cpp)
for target in "$root"/fuzz/*_fuzz.cpp; do
    name="$(basename "$target" .cpp)"
    if [[ " ${core_targets[*]} " == *" $name "* ]]; then
        clang++ "${flags[@]}" "$target" "${core_sources[@]}" -lz -lcrypto -o "$out/$name"
    else
        clang++ "${flags[@]}" "$target" "${runtime_sources[@]}" -o "$out/$name"
    fi
done

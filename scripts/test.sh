#!/usr/bin/env bash
# The whole test run: installs what it needs, checks the formatting of every C++ file, builds
# with warnings as errors, runs every test, the Windows builds with their tests under wine, the
# unit tests again under AddressSanitizer + UndefinedBehaviorSanitizer, and a short fuzzing run
# of each network decoder. (scripts/check.sh is the quicker loop while changing the code.)
#
#   scripts/test.sh            (as root on Debian 12; CI runs exactly this)
#
# VM_FUZZ_SECONDS (default 30) sets the fuzzing time per target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${VM_FUZZ_SECONDS:-30}

step() { printf '\n==== %s ====\n' "$*"; }

step "dependencies"
scripts/install-deps.sh

step "formatting (clang-format 14, every C++ file)"
scripts/check-format.sh --all

step "Windows builds (MinGW, i686 and x86_64)"
JOBS=$jobs scripts/build-windows.sh build

step "build (warnings are errors)"
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVM_WERROR=ON \
    -DVM_WIN32_BUILD_DIR="$root/build"
cmake --build build/main -j "$jobs"

step "tests (the Windows program's under wine)"
ctest --test-dir build/main --output-on-failure -j "$jobs" --timeout 600

step "tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVM_WERROR=ON -DVM_SANITIZE=ON \
    -DVM_QT=OFF -DVM_BENCH=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 900 -LE no-sanitizer

step "fuzzing (${fuzz_seconds} s per target)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVM_FUZZ=ON -DVM_TESTS=OFF -DVM_BENCH=OFF -DVM_QT=OFF
cmake --build build/fuzz -j "$jobs" --target fuzzers
scripts/run-fuzzers.sh build/fuzz "$fuzz_seconds"

step "all tests passed"

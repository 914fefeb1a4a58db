#!/usr/bin/env bash
# The inner loop while changing the code, well under two minutes once build/check exists: an
# incremental build with warnings as errors, the tests that need neither wine, a browser,
# Prometheus nor the Debian packages (ctest without the labels `wine` and `integration`), and
# the formatting of the C++ files changed since origin/main (or HEAD when there is none).
# scripts/test.sh remains the whole run.
#
#   scripts/check.sh [CTEST_ARGUMENTS...]     e.g. scripts/check.sh -R Oid
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/check
jobs=${JOBS:-$(nproc)}

if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    if command -v ccache > /dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVM_WERROR=ON \
        "${launcher[@]}"
fi
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300 \
    -LE 'wine|integration' "$@"
scripts/check-format.sh

#!/bin/bash
# Cross-compiles the Windows program with MinGW-w64 for i686 (the 32-bit platform it was
# designed for) and x86_64, each in its own build folder, and zips both executables.
#
#   scripts/build-windows.sh [BUILD_ROOT]
# BUILD_ROOT (default: the repository) receives build-win32-i686/, build-win32-x86_64/ and
# out/vellumark-windows.zip. Pass the same folder to the Linux build as -DVM_WIN32_BUILD_DIR to run
# the wine tests. Extra CMake arguments can be given in VM_WIN32_CMAKE_ARGS.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_root=$(mkdir -p "${1:-$source_dir}" && cd "${1:-$source_dir}" && pwd)
jobs=${JOBS:-2}

for arch in i686 x86_64; do
    build="$build_root/build-win32-$arch"
    # shellcheck disable=SC2086
    cmake -S "$source_dir" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchains/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVM_WERROR=ON -DVM_QT=OFF -DVM_TESTS=ON -DVM_BENCH=OFF \
        ${VM_WIN32_CMAKE_ARGS:-}
    cmake --build "$build" --target vellumark vellumark-driver vellumark-net-test vellumark-condition-read -j "$jobs"
done

# One zip with both programs, each in a folder named after its architecture.
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
for arch in i686 x86_64; do
    mkdir -p "$staging/vellumark-$arch"
    cp "$build_root/build-win32-$arch/apps/win32/vellumark.exe" "$staging/vellumark-$arch/"
done
mkdir -p "$build_root/out"
zip_file="$build_root/out/vellumark-windows.zip"
rm -f "$zip_file"
(cd "$staging" && cmake -E tar cf "$zip_file" --format=zip vellumark-i686 vellumark-x86_64)
echo "built: $build_root/build-win32-i686/apps/win32/vellumark.exe"
echo "built: $build_root/build-win32-x86_64/apps/win32/vellumark.exe"
echo "zipped: $zip_file"

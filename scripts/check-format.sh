#!/usr/bin/env bash
# Fails when a C++ file is not as clang-format 14 writes it with the repository's
# .clang-format, and names the file and the line.
#
#   scripts/check-format.sh --all     every tracked C++ file (scripts/test.sh)
#   scripts/check-format.sh [BASE]    the C++ files changed since BASE, committed or not, and new
#                                     files (scripts/check.sh); BASE defaults to origin/main
#                                     when that exists, else HEAD
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$formatter" ]; then
    echo "clang-format 14 is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
fi

patterns=('*.cpp' '*.h')
if [ "${1:-}" = "--all" ]; then
    mapfile -t files < <(git ls-files -- "${patterns[@]}")
else
    base=${1:-}
    if [ -z "$base" ]; then
        base=HEAD
        if git rev-parse --verify --quiet origin/main > /dev/null; then
            base=$(git merge-base HEAD origin/main)
        fi
    fi
    mapfile -t files < <({
        git diff --name-only --diff-filter=d "$base" -- "${patterns[@]}"
        git ls-files --others --exclude-standard -- "${patterns[@]}"
    } | sort -u)
fi

if [ ${#files[@]} -eq 0 ]; then
    echo "format: no C++ files to check"
    exit 0
fi
if ! "$formatter" --dry-run -Werror "${files[@]}"; then
    echo "format: run $formatter -i on the files above" >&2
    exit 1
fi
echo "format: ${#files[@]} C++ files as clang-format writes them"

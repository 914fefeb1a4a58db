#!/usr/bin/env bash
# Builds the Debian packages of a finished build in a scratch folder and checks them as a new
# user's system would see them: lintian reports no error, every package carries its copyright
# file and changelog, every program its compressed man page naming the others, only the
# desktop package needs Qt, the simulator's package holds every bundled profile, and the man
# pages name the profiles under the prefix really installed to (/usr in a package, the
# --prefix of cmake --install).
#
#   check-debs.sh BUILD_DIR SCRATCH_DIR PROFILE_SOURCE_DIR PACKAGE...
#
# Exit status: 0 passed, 1 failed, 77 skipped (no lintian or dpkg-deb here).
set -uo pipefail

build=${1:?build dir}
scratch=${2:?scratch dir}
profile_source=${3:?profile source dir}
shift 3
packages=("$@")
# The one package allowed to need Qt.
qt_package=vellumark

cmake=${CMAKE:-cmake}
cpack=${CPACK:-cpack}
for tool in lintian dpkg-deb "$cpack" "$cmake"; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/install-deps.sh installs it)"; exit 77; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$scratch"
mkdir -p "$scratch"
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi

debs=()
for package in "${packages[@]}"; do
    deb=$(find "$scratch" -maxdepth 1 -name "${package}_*.deb" | head -n1)
    if [ -z "$deb" ]; then
        fail "no package $package (cpack made: $(find "$scratch" -maxdepth 1 -name '*.deb' -printf '%f '))"
        continue
    fi
    debs+=("$deb")
done
[ ${#debs[@]} -gt 0 ] || exit 1

# lintian: every tag is shown; an error fails.
lintian --display-info "${debs[@]}" >"$scratch/lintian.log" 2>&1
cat "$scratch/lintian.log"
if grep -q '^E: ' "$scratch/lintian.log"; then
    fail "lintian reports errors"
fi

# Man page sections, without roff's escapes: "SEE ALSO" lines become "vellumark-term(1), ...".
see_also() { zcat "$1" | sed -n '/^\.SH SEE ALSO/,/^\.SH/p' | sed 's/\\//g; s/^\.BR //; s/ (/(/'; }

pages=()
for deb in "${debs[@]}"; do
    package=$(dpkg-deb -f "$deb" Package)
    version=$(dpkg-deb -f "$deb" Version)
    tree="$scratch/tree/$package"
    mkdir -p "$tree"
    dpkg-deb -x "$deb" "$tree"

    [ -f "$tree/usr/share/doc/$package/copyright" ] || fail "$package: no copyright file"
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        "$tree/usr/share/doc/$package/copyright" 2>/dev/null ||
        fail "$package: copyright file not in the machine-readable format"
    zcat "$tree/usr/share/doc/$package/changelog.gz" 2>/dev/null | head -n1 |
        grep -qF "($version)" || fail "$package: changelog does not start with version $version"

    depends=$(dpkg-deb -f "$deb" Depends)
    [ -n "$depends" ] || fail "$package: no Depends (dpkg-shlibdeps did not run?)"
    if [ "$package" != "$qt_package" ] && grep -qi 'qt' <<<"$depends"; then
        fail "$package needs Qt: $depends"
    fi

    for program in "$tree"/usr/bin/*; do
        name=$(basename "$program")
        page="$tree/usr/share/man/man1/$name.1.gz"
        if [ ! -f "$page" ]; then
            fail "$package: $name has no compressed man page"
            continue
        fi
        pages+=("$page")
        zcat "$page" | head -n1 | grep -qF "Vellumark $version\"" ||
            fail "$name.1: its header does not name version $version"
    done
    [ -z "$(find "$tree/usr/share/man" -name '*.1' 2>/dev/null)" ] ||
        fail "$package: an uncompressed man page"

    # Every path to the profiles must be the installed one.
    while read -r path; do
        [ "$path" = /usr/share/vellumark/profiles ] || fail "$package: man page names $path"
    done < <(zcat "$tree"/usr/share/man/man1/*.gz 2>/dev/null | grep -o '/[^ ]*vellumark/profiles')
    if zgrep -q '@[A-Z_]*@' "$tree"/usr/share/man/man1/*.gz "$tree/usr/share/doc/$package/changelog.gz"; then
        fail "$package: a placeholder left unfilled"
    fi
done

# Each man page refers to every other one.
for page in "${pages[@]}"; do
    self=$(basename "$page" .1.gz)
    for other in "${pages[@]}"; do
        name=$(basename "$other" .1.gz)
        [ "$name" = "$self" ] && continue
        see_also "$page" | grep -qF "$name(1)" || fail "$self(1) does not SEE ALSO $name(1)"
    done
done

# The simulator's package holds every bundled profile.
sim_tree="$scratch/tree/vellumark-printer-sim"
if [ -d "$sim_tree" ]; then
    profile_names() { find "$1" -maxdepth 1 -name '*.snmprec' -printf '%f\n' 2>/dev/null | sort | tr '\n' ' '; }
    expected=$(profile_names "$profile_source")
    shipped=$(profile_names "$sim_tree/usr/share/vellumark/profiles")
    if [ -z "$expected" ] || [ "$expected" != "$shipped" ]; then
        fail "simulator package profiles differ: expected [$expected], shipped [$shipped]"
    fi
fi

# The exporter's package holds the files that go with it in Prometheus and Grafana.
exporter_tree="$scratch/tree/vellumark-exporter"
if [ -d "$exporter_tree" ]; then
    for file in prometheus/prometheus.yml prometheus/alerts.yml prometheus/printers.yml \
        grafana/vellumark.json; do
        [ -f "$exporter_tree/usr/share/vellumark/$file" ] ||
            fail "vellumark-exporter does not ship /usr/share/vellumark/$file"
    done
fi

# cmake --install under another prefix: the man page names the profiles under that prefix.
prefix="$scratch/prefix"
if "$cmake" --install "$build" --prefix "$prefix" --component simulator >"$scratch/install.log" 2>&1; then
    page="$prefix/share/man/man1/vellumark-printer-sim.1.gz"
    zcat "$page" 2>/dev/null | grep -qF "$prefix/share/vellumark/profiles" ||
        fail "cmake --install --prefix $prefix: the simulator's man page does not name $prefix/share/vellumark/profiles"
    [ -f "$prefix/share/vellumark/profiles/laser-mono.snmprec" ] ||
        fail "cmake --install --prefix $prefix: no profiles"
else
    cat "$scratch/install.log"
    fail "cmake --install --component simulator"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "PASS: ${#debs[@]} packages"

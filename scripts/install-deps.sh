#!/usr/bin/env bash
# Installs, with apt-get, what Vellumark needs on Debian 12: with --build, only what building
# the Linux programs takes (the demo's needs); without it, everything the tests need as well.
# Run as root. Skips the download when every package is already there.
#
#   scripts/install-deps.sh [--build]
set -euo pipefail

# Building the programs: the compiler and CMake, and the libraries they link.
build=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    nlohmann-json3-dev libmicrohttpd-dev libyaml-cpp-dev libcli11-dev libssl-dev libc-ares-dev
    iproute2 procps
)
# The tests: the Windows cross builds and wine, sanitizers and fuzzers, a desktop to screenshot,
# the SNMP peers, Prometheus and a browser, and the packaging checks.
tests=(
    git googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-format
    xvfb xauth trayer openbox x11-utils imagemagick
    snmp snmpd snmpsim python3-pysnmp4 libsnmp-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 icoutils zip
    util-linux tmux valgrind netcat-openbsd
    dpkg-dev lintian
    prometheus prometheus-snmp-exporter prometheus-alertmanager chromium curl python3 python3-yaml
    python3-jsonschema nagios4-core openssl apache2-utils
)

packages=("${build[@]}")
if [ "${1:-}" != --build ]; then
    packages+=("${tests[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"

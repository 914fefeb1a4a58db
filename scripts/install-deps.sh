#!/usr/bin/env bash
# Installs, with apt-get, everything the build, the demo and the tests need on Debian 12.
# Run as root. Skips the download when every package is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    xvfb xauth trayer openbox x11-utils imagemagick
    snmp snmpd snmpsim python3-pysnmp4 libsnmp-dev nlohmann-json3-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 icoutils zip
    iproute2 util-linux procps tmux valgrind netcat-openbsd
    dpkg-dev lintian
    libmicrohttpd-dev libyaml-cpp-dev libcli11-dev
    prometheus prometheus-snmp-exporter prometheus-alertmanager chromium curl python3 python3-yaml
    python3-jsonschema nagios4-core
)

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

#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only where it is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git ccache
    juce-modules-source
    libgtest-dev libbenchmark-dev
    liblilv-dev lilv-utils lv2-dev
    clang libclang-rt-14-dev llvm util-linux # sanitizer and fuzz trees: libFuzzer, runtimes, symbolizer, flock
    xvfb openbox x11-utils # a virtual desktop for the tests that open real windows
    clang-format           # the format check
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

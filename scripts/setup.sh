#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only where it is missing.
#   scripts/setup.sh             everything: the product, the tests, benchmarks, sanitizer and fuzz trees
#   scripts/setup.sh --product   only what building the plug-ins, the standalone app, the tools and the package needs
set -euo pipefail

product=(
    build-essential cmake ninja-build pkg-config git ccache
    juce-modules-source
    liblilv-dev lv2-dev # the LV2 host tool
    file                # the package's dependencies: CPack finds the binaries with it for dpkg-shlibdeps
)
checks=(
    libgtest-dev libbenchmark-dev
    lilv-utils
    clang libclang-rt-14-dev llvm util-linux # sanitizer and fuzz trees: libFuzzer, runtimes, symbolizer, flock
    xvfb openbox x11-utils # a virtual desktop for the tests that open real windows
    clang-format           # the format check
)

packages=("${product[@]}")
[ "${1:-}" = --product ] || packages+=("${checks[@]}")

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

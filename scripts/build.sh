#!/usr/bin/env bash
# Configures and builds in ./build.
#   scripts/build.sh             everything: plug-ins, standalone app, tools, tests, benchmarks
#   scripts/build.sh --product   only what a user installs and renders with: the plug-in formats, the standalone
#                                app and vorn-render (install.sh and package.sh), without the tests and benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --product ]; then
    bash scripts/setup.sh --product
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_TESTS=OFF -DVORN_BUILD_BENCHMARKS=OFF
    cmake --build build -j"$(nproc)" --target Vorn77_VST3 Vorn77_LV2 Vorn77_Standalone vorn-render
else
    bash scripts/setup.sh
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_TESTS=ON -DVORN_BUILD_BENCHMARKS=ON
    cmake --build build -j"$(nproc)"
fi

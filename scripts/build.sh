#!/usr/bin/env bash
# Configures and builds everything (plug-ins, tools, tests, benchmarks) in ./build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

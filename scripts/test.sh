#!/usr/bin/env bash
# Sets up, builds and runs every test: the suite, then the sanitizer runs and a short fuzzing run.
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the suite in ./build only
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 300

if [ "${1:-}" != "--quick" ]; then
    bash scripts/sanitizers.sh
    bash scripts/fuzz.sh 60
fi

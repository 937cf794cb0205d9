#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs every test: the suite (headless, then its window tests on a
# virtual desktop), then the sanitizer runs and a short fuzzing run.
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the suite in ./build only
set -euo pipefail
cd "$(dirname "$0")/.."

# An unformatted file, or an include that runs up the floors, fails at once, before the long build.
bash scripts/setup.sh
bash scripts/check-format.sh
bash scripts/check-imports.sh

bash scripts/build.sh
log=build/ctest-summary.log
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 300 | tee "$log"

# The tests named Desktop open real windows; headless they skip. On a virtual desktop of their own they run, one
# at a time, since windows of parallel tests would take the keyboard from each other.
bash scripts/with-display.sh ctest --test-dir build --output-on-failure -R Desktop --timeout 300

if [ "${1:-}" != "--quick" ]; then
    bash scripts/sanitizers.sh
    bash scripts/fuzz.sh 60
fi

# The suite's count once more as the last line, after the sanitizer and fuzzing output.
sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$log" |
    awk '{ printf "%d passed, %d failed\n", $1 - $2, $2 }'

#!/usr/bin/env bash
# Builds the libFuzzer targets (clang; ASan, UBSan and coverage on all code, JUCE included) in ./build-fuzz and runs
# each for SECONDS (default 60) on its seed corpus, tests/fuzz/corpus/<target>. Inputs the fuzzer adds go to
# build-fuzz/corpus/<target>, so the seeds in the repository stay small. A crash, leak, timeout or out-of-memory
# fails the script and leaves the input in build-fuzz/findings/<target>/: fix it, and add the input to
# tests/fuzz/regressions/<target>/ so the normal suite keeps feeding it.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
targets=(state preset wav)

bash scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVORN_FUZZ=ON -DVORN_BUILD_TESTS=OFF -DVORN_BUILD_BENCHMARKS=OFF >/dev/null
# Builds on a shared machine queue behind one lock; the JUCE helpers run during the build must not fail on leaks.
ASAN_OPTIONS=detect_leaks=0 flock /tmp/vorn-build.lock \
    cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/vorn-fuzz-}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

failed=()
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$target"
    findings="build-fuzz/findings/$target"
    mkdir -p "$corpus" "$findings"
    dict="tests/fuzz/xml.dict"
    [ "$target" = wav ] && dict="tests/fuzz/wav.dict"
    echo "fuzz: $target for $seconds s"
    if ! "build-fuzz/tests/fuzz/vorn-fuzz-$target" "$corpus" "tests/fuzz/corpus/$target" \
        -dict="$dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"build-fuzz/$target.log" 2>&1; then
        failed+=("$target")
        tail -n 60 "build-fuzz/$target.log"
    else
        grep -E "^(stat::number_of_executed_units|stat::new_units_added)" "build-fuzz/$target.log" || true
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: findings in ${failed[*]} (inputs under build-fuzz/findings/)" >&2
    exit 1
fi
echo "fuzz: no findings"

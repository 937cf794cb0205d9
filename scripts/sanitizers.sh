#!/usr/bin/env bash
# Runs the whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (./build-asan), then the
# concurrency tests under ThreadSanitizer (./build-tsan). Both trees are clang builds with every target
# instrumented, JUCE included. Suppressions, for third-party code only, are in tests/sanitizers/.
#
#   scripts/sanitizers.sh            both
#   scripts/sanitizers.sh asan|tsan  one of them
set -euo pipefail
cd "$(dirname "$0")/.."

which="${1:-all}"
supp="$PWD/tests/sanitizers"

configure() {
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DVORN_SANITIZE="$2" -DVORN_BUILD_BENCHMARKS=OFF >/dev/null
}

# Builds on a shared machine queue behind one lock; the JUCE helpers run during the build must not fail on leaks.
build() {
    ASAN_OPTIONS=detect_leaks=0 flock /tmp/vorn-build.lock cmake --build "$1" -j"$(nproc)" --target VornTests VornHostTests
}

bash scripts/setup.sh

if [ "$which" = all ] || [ "$which" = asan ]; then
    configure build-asan address,undefined
    build build-asan
    # Child processes (the renderer, the LV2 host) inherit these and fail their tests on a finding too.
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1" \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp" \
        ctest --test-dir build-asan --output-on-failure -j"$(nproc)" --timeout 900
fi

if [ "$which" = all ] || [ "$which" = tsan ]; then
    configure build-tsan thread
    build build-tsan
    mkdir -p build-tsan/test-home
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
    HOME="$PWD/build-tsan/test-home" \
        build-tsan/tests/VornTests --gtest_filter='Concurrency.*'
fi

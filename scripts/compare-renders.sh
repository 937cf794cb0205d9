#!/usr/bin/env bash
# Renders the same input through two builds of vorn-render and compares the outputs byte for byte: every factory
# program, and the defaults and the heaviest settings at several block sizes and sample rates. For changes that
# must leave the sound as it is (refactoring, speed work).
#   scripts/compare-renders.sh OLD_VORN_RENDER [NEW_VORN_RENDER]   (NEW defaults to build/tools/render/vorn-render)
set -euo pipefail
cd "$(dirname "$0")/.."

old=${1:?usage: scripts/compare-renders.sh OLD_VORN_RENDER [NEW_VORN_RENDER]}
new=${2:-build/tools/render/vorn-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One input for both: the new build's demo, at 48 kHz, plus copies resampled by sox where it is installed.
"$new" --out-dir "$work" >/dev/null
input="$work/vorn77-demo-dry.wav"

heaviest=(--set vintageConv=on --set detune=1.5 --set effectMode=Echo-2 --set pingPong=on --set k1=0.7
          --set k2=0.6 --set routing=1)
cases=()
while IFS= read -r name; do cases+=("--program|$name"); done < <("$new" --list | sed -n 's/^    //p' | grep -v '=')
for block in 1 32 37 256; do
    cases+=("--block|$block" "--block|$block|${heaviest[*]}")
done

differ=0 count=0
for spec in "${cases[@]}"; do
    IFS='|' read -r -a args <<<"$spec"
    [ ${#args[@]} -eq 3 ] && read -r -a extra <<<"${args[2]}" && args=("${args[0]}" "${args[1]}" "${extra[@]}")
    "$old" "${args[@]}" --tail 2 "$input" "$work/old.wav" >/dev/null
    "$new" "${args[@]}" --tail 2 "$input" "$work/new.wav" >/dev/null
    count=$((count + 1))
    if ! cmp -s "$work/old.wav" "$work/new.wav"; then
        echo "differs: ${args[*]}"
        differ=$((differ + 1))
    fi
done

echo "compare-renders: $count cases, $differ differ"
[ "$differ" -eq 0 ]

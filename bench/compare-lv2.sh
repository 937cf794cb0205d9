#!/usr/bin/env bash
# Side by side: CPU time of our LV2 build and of Debian's Dragonfly Hall reverb on the same 60 s stereo
# 48 kHz file, through the same lilv host, in alternating runs, at blocks of 256 and 32 samples. Our plug-in
# runs at its defaults and at its heaviest settings (vintage converter, detune 1.5, Echo-2 with ping-pong,
# feedback 0.7 and 0.6, routing Delay -> Reverb). Prints the median CPU seconds of each row and the ratios.
#   bash bench/compare-lv2.sh [RUNS] [--against BUNDLE]
# RUNS (default 7) runs of each row. --against adds the rows of another build of our LV2 bundle (an older
# one, say), run in the same alternation, to compare before and after on equal terms.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=7
against=""
while [ $# -gt 0 ]; do
    case "$1" in
        --against) against=$2; shift 2 ;;
        *) runs=$1; shift ;;
    esac
done

dpkg-query -W -f='${Status}' dragonfly-reverb-lv2 2>/dev/null | grep -q "ok installed" || {
    echo "installing dragonfly-reverb-lv2"
    ${SUDO:-$( [ "$(id -u)" -ne 0 ] && echo sudo)} apt-get install -y -q dragonfly-reverb-lv2 >/dev/null
}
[ -x build/tools/lv2host/vorn-lv2host ] && [ -x build/tools/render/vorn-render ] || bash scripts/build.sh

host=build/tools/lv2host/vorn-lv2host
bundle="build/Vorn77_artefacts/Release/LV2/Vorn 77 NL.lv2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The dry demo (48 kHz stereo) is the programme material; the host loops it to 60 s.
build/tools/render/vorn-render --out-dir "$work" >/dev/null 2>&1

heaviest=(--set vintageConv=1 --set detune=1.5 --set effectMode=2 --set pingPong=1 --set k1=0.7 --set k2=0.6
          --set routing=1)

# One run of a row: prints the CPU seconds spent in the plug-in.
run_row() { # plugin (vorn|before|dragonfly) settings (defaults|heaviest) block
    local args=(--seconds 60 --block "$3")
    case "$1" in
        vorn) args+=(--uri https://oskvar.audio/plugins/vorn77nl --bundle "$bundle") ;;
        before) args+=(--uri https://oskvar.audio/plugins/vorn77nl --bundle "$against") ;;
        dragonfly) args+=(--uri https://github.com/michaelwillis/dragonfly-reverb --set size=40 --set decay=4) ;;
    esac
    [ "$2" = heaviest ] && args+=("${heaviest[@]}")
    "$host" "${args[@]}" "$work/vorn77-demo-dry.wav" "$work/out.wav" | sed -n 's/.*cpu_seconds=//p'
}

rows=()
for block in 256 32; do
    rows+=("dragonfly defaults $block" "vorn defaults $block" "vorn heaviest $block")
    [ -n "$against" ] && rows+=("before defaults $block" "before heaviest $block")
done

declare -A times
for ((i = 1; i <= runs; i++)); do
    for row in "${rows[@]}"; do
        # shellcheck disable=SC2086
        times[$row]+="$(run_row $row) "
    done
done

median() { printf '%s\n' $1 | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
declare -A m
for row in "${rows[@]}"; do m[$row]=$(median "${times[$row]}"); done

echo "60 s of stereo 48 kHz audio, median CPU seconds over $runs alternating runs"
echo "(ratio: to Dragonfly Hall, size 40, decay 4 s, at the same block size; block 32 / 256: to our own figure at 256)"
printf '  %-36s %6s %9s %8s %14s\n' "plug-in and settings" block seconds ratio "block 32 / 256"
for row in "${rows[@]}"; do
    read -r plugin settings block <<<"$row"
    case "$plugin" in
        dragonfly) name="Dragonfly Hall" ;;
        vorn) name="Vorn 77 NL, $settings" ;;
        before) name="Vorn 77 NL (--against), $settings" ;;
    esac
    awk -v n="$name" -v b="$block" -v v="${m[$row]}" -v d="${m[dragonfly defaults $block]}" \
        -v w="${m[$plugin $settings 256]}" -v p="$plugin" 'BEGIN {
        ratio = p == "dragonfly" ? "" : sprintf("%.3f", v / d)
        small = (p == "dragonfly" || b == 256) ? "" : sprintf("%.3f", v / w)
        printf "  %-36s %6d %9.3f %8s %14s\n", n, b, v, ratio, small
    }'
done
echo "targets: defaults at most 0.25 and heaviest at most 0.4 of Dragonfly Hall at block 256; block 32 at most"
echo "1.1 times our figure at block 256"

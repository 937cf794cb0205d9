#!/usr/bin/env bash
# Side by side: CPU time of our LV2 build and of Debian's Dragonfly Hall reverb on the same 60 s stereo
# 48 kHz file, through the same lilv host, in alternating runs. Prints the medians and their ratio.
#   bash bench/compare-lv2.sh [RUNS]        (default 5 runs of each)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
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

vorn_run() {
    "$host" --uri https://oskvar.audio/plugins/vorn77nl --bundle "$bundle" --seconds 60 \
        "$work/vorn77-demo-dry.wav" "$work/vorn.wav" | sed -n 's/.*cpu_seconds=//p'
}
dragonfly_run() {
    "$host" --uri https://github.com/michaelwillis/dragonfly-reverb --seconds 60 \
        --set size=40 --set decay=4 "$work/vorn77-demo-dry.wav" "$work/dragonfly.wav" | sed -n 's/.*cpu_seconds=//p'
}

vorn_times=() dragonfly_times=()
for ((i = 1; i <= runs; i++)); do
    vorn_times+=("$(vorn_run)")
    dragonfly_times+=("$(dragonfly_run)")
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
vorn=$(median "${vorn_times[@]}")
dragonfly=$(median "${dragonfly_times[@]}")
awk -v v="$vorn" -v d="$dragonfly" -v n="$runs" 'BEGIN {
    printf "60 s of stereo 48 kHz audio, median CPU seconds over %d alternating runs:\n", n
    printf "  Vorn 77 NL (defaults)            %7.3f s  (%5.1fx real time)\n", v, 60 / v
    printf "  Dragonfly Hall (size 40, 4 s)    %7.3f s  (%5.1fx real time)\n", d, 60 / d
    printf "  ratio Vorn / Dragonfly           %7.3f  (target: at most 0.5)\n", v / d
}'

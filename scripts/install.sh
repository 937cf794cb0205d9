#!/usr/bin/env bash
# Sets up, builds the plug-ins, the standalone app and the renderer (not the tests and benchmarks), installs the
# plug-ins into the user's plug-in folders and renders the demo.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh --product

artefacts="build/Vorn77_artefacts/Release"
vst3_dir="$HOME/.vst3"
lv2_dir="$HOME/.lv2"
mkdir -p "$vst3_dir" "$lv2_dir"
rm -rf "$vst3_dir/Vorn 77 NL.vst3" "$lv2_dir/Vorn 77 NL.lv2"
cp -R "$artefacts/VST3/Vorn 77 NL.vst3" "$vst3_dir/"
cp -R "$artefacts/LV2/Vorn 77 NL.lv2" "$lv2_dir/"

echo "Installed:"
echo "  VST3        $vst3_dir/Vorn 77 NL.vst3"
echo "  LV2         $lv2_dir/Vorn 77 NL.lv2"
echo "  Standalone  $PWD/$artefacts/Standalone/Vorn 77 NL"

echo
echo "Rendering the built-in demo:"
mkdir -p demo
build/tools/render/vorn-render --out-dir demo

#!/usr/bin/env bash
# Builds the Debian package vorn77nl_VERSION_ARCH.deb (for example vorn77nl_2.3.0_amd64.deb) into the project's
# folder: the VST3 in /usr/lib/vst3, the LV2 in /usr/lib/lv2, the standalone app (vorn77nl) and vorn-render in
# /usr/bin. Install it with:  sudo apt install ./vorn77nl_2.3.0_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh --product
rm -rf build/package
cpack --config build/CPackConfig.cmake -B build/package
for deb in build/package/vorn77nl_*.deb; do
    mv "$deb" .
    echo "package: $PWD/$(basename "$deb")"
done

#!/usr/bin/env bash
# The SDK's first run: builds the release library and the ovilux tool, then, on the simulated
# camera built into the library, lists the cameras, saves a PNG and a JPEG snapshot into out/
# and runs three seconds of live view.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh main
cmake --preset linux-release >/dev/null
cmake --build build/linux-release
ovilux=./build/linux-release/bin/ovilux
mkdir -p out
echo
echo "== ovilux --simulate list"
"$ovilux" --simulate list
echo
echo "== ovilux --simulate snap"
"$ovilux" --simulate snap -o out/snapshot.png
"$ovilux" --simulate snap -o out/snapshot.jpg --format jpeg
echo
echo "== ovilux --simulate live --seconds 3"
"$ovilux" --simulate live --seconds 3
echo
echo "The pictures are in $PWD/out: snapshot.png and snapshot.jpg"

#!/usr/bin/env bash
# Builds the release library and the ovilux tool, and runs the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh main
cmake --preset linux-release >/dev/null
cmake --build build/linux-release
echo
./build/linux-release/bin/ovilux --version

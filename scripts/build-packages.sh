#!/usr/bin/env bash
# Builds the binary packages into out/packages: the Debian package from the release build and
# the Windows zip from the mingw build (bin/ with the DLL and ovilux.exe, lib/ with the .def and
# the import libraries for mingw and Microsoft's linker, include/). Usage: scripts/build-packages.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/build-mingw-image-libs.sh
mkdir -p out/packages
for preset in linux-release windows; do
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset"
  (cd "build/$preset" && cpack -B "$PWD/../../out/packages" >/dev/null)
done
rm -rf out/packages/_CPack_Packages
ls -l out/packages

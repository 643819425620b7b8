#!/usr/bin/env bash
# Makes the Windows .zip of a mingw build tree, unpacks it, and checks it as an application
# developer meets it: bin/, lib/ and include/; the Microsoft-style import library taken by
# lld-link (a Microsoft-compatible linker) into a program that loads the DLL; the examples built
# with the mingw compiler, directly and through find_package; one of them and the packaged tool
# run under Wine on the simulated camera. Usage: packaging/check-zip.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
wine_run=$source_dir/cmake/wine-run.sh
source "$source_dir/packaging/package-scratch.sh"
zip=$(pack ZIP)
(cd "$scratch" && cmake -E tar xf "$zip")
sdk=$(ls -d "$scratch"/ovilux-sdk-*/)
for file in bin/OviluxSdk_M03_UX.dll bin/ovilux.exe include/OviluxSdk.h include/OviluxSettings.h include/OviluxCodes.h include/OviluxStream.h lib/OviluxSdk_M03_UX.def \
  lib/libOviluxSdk_M03_UX.dll.a lib/OviluxSdk_M03_UX.lib lib/cmake/OviluxSdk/OviluxSdkConfig.cmake \
  share/ovilux/examples/minimal.c; do
  [ -e "$sdk/$file" ] || fail "the zip lacks $file"
done

export OVILUX_SIMULATE=3030 OVILUX_SIM_SPEED=fast
expect() {  # expect WORDS COMMAND...: the command succeeds and prints WORDS
  local words=$1; shift
  local output
  output=$("$@" 2>&1) || fail "$* failed: $output"
  grep -qF -- "$words" <<<"$output" || fail "$* did not print '$words': $output"
}

# The import library for Microsoft's linker: every export of the .def is in it, and lld-link
# links a program against it that then loads the DLL and calls it.
exports=$(sed -n 's/^ \+\([A-Za-z_][A-Za-z0-9_]*\).*/\1/p' "$sdk/lib/OviluxSdk_M03_UX.def" | sort)
imports=$(llvm-nm "$sdk/lib/OviluxSdk_M03_UX.lib" 2>/dev/null | sed -n 's/.* __imp_\(.*\)$/\1/p' | sort -u)
[ "$exports" = "$imports" ] || fail "the .lib does not import exactly the .def's exports: $(diff <(echo "$exports") <(echo "$imports") | head)"
cat >"$scratch/version.c" <<'C'
#include "OviluxSdk.h"
int mainCRTStartup(void) { return Ovilux_GetDllVersion() == 0x00030520u ? 0 : 7; }
C
x86_64-w64-mingw32-gcc-posix -O2 -ffreestanding -fno-asynchronous-unwind-tables -I"$sdk/include" \
  -c "$scratch/version.c" -o "$scratch/version.obj"
lld-link -nologo -nodefaultlib -entry:mainCRTStartup -subsystem:console "$scratch/version.obj" \
  "$sdk/lib/OviluxSdk_M03_UX.lib" -out:"$sdk/bin/version.exe" || fail "lld-link refuses the .lib"
"$wine_run" "$sdk/bin/version.exe" || fail "the program linked by lld-link did not get the version"

# mingw, directly with the import library, and through find_package; one of them runs (the .deb
# check runs all three natively).
for example in minimal live_view settings; do
  x86_64-w64-mingw32-gcc-posix -std=c99 -Wall -Werror -I"$sdk/include" "$sdk/share/ovilux/examples/$example.c" \
    -L"$sdk/lib" -lOviluxSdk_M03_UX -o "$sdk/bin/$example.exe" || fail "$example does not build with mingw"
done
expect "took a 2560 x 1920 picture" "$wine_run" "$sdk/bin/minimal.exe"
cmake -S "$sdk/share/ovilux/examples" -B "$scratch/cmake" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
  -DOviluxSdk_DIR="$sdk/lib/cmake/OviluxSdk" >/dev/null || fail "find_package(OviluxSdk) failed"
cmake --build "$scratch/cmake" >/dev/null || fail "the examples do not build with find_package"
expect "1 camera found" "$wine_run" "$sdk/bin/ovilux.exe" list
echo "the .zip unpacks, links with both linkers and runs its examples under Wine"

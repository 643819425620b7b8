#!/usr/bin/env bash
# Makes the .deb of a Linux build tree, unpacks it into a scratch root (no root install), and
# checks it as an application developer meets it: the layout and soname, an example built with
# pkg-config and with find_package, the examples and the installed tool run on the simulated
# camera, the Python package installed the documented way with a snapshot as a numpy array, and
# the Python wheel it carries in a fresh virtual environment.
# Usage: packaging/check-deb.sh BUILD_DIR [PYTHON]
set -euo pipefail
build=$(cd "$1" && pwd)
python=${2:-python3}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/packaging/package-scratch.sh"
deb=$(pack DEB)
dpkg-deb -f "$deb" Package Version Depends
dpkg-deb -f "$deb" Depends | grep -q 'libusb-1.0-0' || fail "the package does not depend on libusb-1.0-0"
dpkg -x "$deb" "$scratch/root"
usr=$scratch/root/usr
for file in include/OviluxSdk.h include/OviluxSettings.h include/OviluxSim.h include/OviluxCodes.h include/OviluxStream.h bin/ovilux lib/libOviluxSdk_M03_UX.so \
  lib/pkgconfig/ovilux.pc lib/cmake/OviluxSdk/OviluxSdkConfig.cmake share/ovilux/examples/minimal.c \
  lib/udev/rules.d/60-ovilux.rules; do
  [ -e "$usr/$file" ] || fail "the package lacks $file"
done
soname=$(readelf -d "$usr/lib/libOviluxSdk_M03_UX.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ -n "$soname" ] && [ -f "$usr/lib/$soname" ] || fail "no versioned library behind the soname '$soname'"
echo "soname: $soname"

export OVILUX_SIMULATE=3030 OVILUX_SIM_SPEED=fast
run() { LD_LIBRARY_PATH="$usr/lib" "$@"; }
expect() {  # expect WORDS COMMAND...: the command succeeds and prints WORDS
  local words=$1; shift
  local output
  output=$("$@" 2>&1) || fail "$* failed: $output"
  grep -qF -- "$words" <<<"$output" || fail "$* did not print '$words': $output"
}

# pkg-config, relocated by the .pc file's own place.
export PKG_CONFIG_PATH=$usr/lib/pkgconfig
mkdir -p "$scratch/pc"
for example in minimal live_view settings; do
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Werror "$usr/share/ovilux/examples/$example.c" $(pkg-config --cflags --libs ovilux) \
    -o "$scratch/pc/$example" || fail "$example does not build with pkg-config"
done
expect "took a 2560 x 1920 picture" run "$scratch/pc/minimal"
expect "30 frames" run "$scratch/pc/live_view"
expect "window 1280 x 720" run "$scratch/pc/settings"

# find_package(OviluxSdk) and the imported target.
cmake -S "$usr/share/ovilux/examples" -B "$scratch/cmake" -DCMAKE_PREFIX_PATH="$usr" >/dev/null ||
  fail "find_package(OviluxSdk) failed"
cmake --build "$scratch/cmake" >/dev/null || fail "the examples do not build with find_package"
expect "took a 2560 x 1920 picture" run "$scratch/cmake/minimal"

# The installed tool finds its library without help; the soname names the interface it reports.
expect "1 camera found" "$usr/bin/ovilux" list
expect "interface ${soname#libOviluxSdk_M03_UX.so.})" "$usr/bin/ovilux" --version

# The Python package, installed as the README says, over the unpacked library.
"$python" -m venv --system-site-packages "$scratch/venv" || fail "no venv"
cp -r "$source_dir/python" "$scratch/python"  # the build writes beside the sources
"$scratch/venv/bin/pip" install -q --no-build-isolation --no-index "$scratch/python" || fail "pip install"
(OVILUX_LIBRARY="$usr/lib/libOviluxSdk_M03_UX.so" expect "(1920, 2560, 3) uint8" \
  "$scratch/venv/bin/python" -c 'import ovilux
with ovilux.Camera(0) as camera:
    image = camera.snap()
    print(image.shape, image.dtype)')

# The wheel packed beside the library, installed into a fresh virtual environment without
# network (--no-index: numpy comes from the system), and the copy the .deb puts where Debian's
# python3 looks; both with their type information.
wheel=$(ls "$usr"/share/ovilux/python/ovilux-*-py3-none-any.whl 2>/dev/null) || fail "the package lacks the Python wheel"
"$python" -c 'import sys, zipfile; sys.exit("ovilux/py.typed" not in zipfile.ZipFile(sys.argv[1]).namelist())' "$wheel" ||
  fail "the wheel lacks py.typed"
[ -f "$usr/lib/python3/dist-packages/ovilux/py.typed" ] || fail "the package lacks the Python package"
"$python" -m venv --system-site-packages "$scratch/wheel-venv" || fail "no venv"
"$scratch/wheel-venv/bin/pip" install -q --no-index --no-deps "$wheel" || fail "the wheel does not install"
story='import ovilux
with ovilux.Camera(0) as camera:
    camera.subsample = 2
    first, second = camera.snap(), camera.snap()
    print("in order", second.number > first.number, "delivered", camera.statistics()["delivered"], ovilux.__file__)'
(cd / && OVILUX_LIBRARY="$usr/lib/libOviluxSdk_M03_UX.so" expect "in order True delivered 2 $scratch/wheel-venv" \
  "$scratch/wheel-venv/bin/python" -c "$story")
(cd / && PYTHONPATH="$usr/lib/python3/dist-packages" OVILUX_LIBRARY="$usr/lib/libOviluxSdk_M03_UX.so" \
  expect "in order True delivered 2 $usr/lib/python3/dist-packages/ovilux" "$python" -c "$story")
# The GStreamer plugin, where the build made one: in GStreamer's plugin folder below the prefix,
# found by gst-inspect-1.0 there, finding the library beside it by itself, and listing the camera.
if [ -e "$build/gst-plugins/libgstovilux.so" ]; then
  plugins=$usr/$(realpath --relative-to=/usr "$(pkg-config --variable=pluginsdir gstreamer-1.0)")
  [ -f "$plugins/libgstovilux.so" ] || fail "the package lacks the GStreamer plugin in $plugins"
  dpkg-deb -f "$deb" Depends | grep -q 'libgstreamer1.0-0' || fail "the package does not depend on libgstreamer1.0-0"
  export GST_PLUGIN_PATH=$plugins GST_REGISTRY=$scratch/gst-registry.bin
  expect "$plugins/libgstovilux.so" gst-inspect-1.0 oviluxsrc
  expect "OviluxM03-UX" gst-device-monitor-1.0 Video/Source
  expect "Got EOS" gst-launch-1.0 oviluxsrc num-buffers=1 ! videoconvert ! pngenc ! filesink location="$scratch/gst.png"
  file "$scratch/gst.png" | grep -q "PNG image data, 2560 x 1920, 8-bit/color RGB" || fail "no snapshot from gst-launch-1.0"
fi
echo "the .deb installs, builds and runs its examples"

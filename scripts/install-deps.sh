#!/usr/bin/env bash
# Installs, with apt-get, what building and testing the SDK needs on Debian 12. Quick when
# everything is already there. Usage: scripts/install-deps.sh [main|test|bench]
set -euo pipefail
purpose=${1:-test}

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev googletest
  libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev libsqlite3-dev)
# Xlib's and MIT-SHM's headers for the preview window (the library loads libX11 at run time).
packages+=(libx11-dev libxext-dev)
# Real cameras on Linux: libusb over usbfs.
packages+=(libusb-1.0-0-dev)
# The Python package (ctypes over the library, numpy frames), installable without network, and
# its tests.
packages+=(python3 python3-numpy python3-pip python3-setuptools python3-venv python3-wheel python3-pytest)
# The GStreamer plugin (built where these are found) and its tests' GStreamer check library.
packages+=(libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev)
if [ "$purpose" = bench ]; then
  # The benchmarks (cmake -DOVILUX_BUILD_BENCH=ON) and OpenCV's core and imgproc, which they are
  # compared with; neither is ever linked into the library or the tests.
  packages+=(libbenchmark-dev libopencv-imgproc-dev)
  # bench/run-all.sh draws its plot with matplotlib.
  packages+=(python3-matplotlib)
fi
if [ "$purpose" = test ] || [ "$purpose" = bench ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine64 libz-mingw-w64-dev)
  # The display the preview window tests (Linux and Wine) show their windows on.
  packages+=(xvfb)
  # Japanese glyphs for the library's Japanese dialogs under Wine (cmake/wine-run.sh maps the
  # dialogs' Japanese font to it).
  packages+=(fonts-ipafont-gothic)
  # Building the Windows image libraries from source packages, and the independent readers of saved images.
  packages+=(dpkg-dev nasm pngcheck libtiff-tools python3-pil)
  # The independent reader of recorded videos.
  packages+=(ffmpeg)
  # The GStreamer pipelines the tests run: gst-inspect-1.0 and gst-launch-1.0, videoconvert and
  # videoscale, PNG, VP8, Matroska, RTP, UDP, the automatic sink and the X11 one it picks.
  packages+=(gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-x)
  # gst-device-monitor-1.0, which lists the cameras in the package check.
  packages+=(gstreamer1.0-plugins-base-apps)
  # The Windows package's import library for Microsoft's linker, and the linker that checks it.
  packages+=(llvm lld)
  # The fuzzing build: clang and its libFuzzer and sanitizer runtimes.
  packages+=(clang-14 libclang-rt-14-dev)
  # The libusb port's tests: umockdev emulates usbfs for libusb and hands the requests to
  # simulated cameras.
  packages+=(umockdev libumockdev-dev)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

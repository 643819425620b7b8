#!/usr/bin/env bash
# oviluxsrc ! fakesink beside `ovilux live` in the simulated camera's fast mode, 8 and 24-bit, in
# one run: frames per second of each, and the source's share of the tool's rate. The source's
# rate is taken between two runs of different lengths, so that opening the camera and measuring
# its frame rate at the start fall out. Usage: bench/gst-vs-live.sh [BUILD_DIR] (default
# build/linux-release, configured and built here; it must hold the GStreamer plugin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux-release}
cmake --preset linux-release -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null
[ -e "$build/gst-plugins/libgstovilux.so" ] || { echo "no GStreamer plugin in $build" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export OVILUX_REGISTRY="$scratch/registry.sqlite3" OVILUX_SIM_SPEED=fast OVILUX_SIMULATE=3030
export GST_PLUGIN_PATH="$build/gst-plugins" GST_REGISTRY="$scratch/gst-registry.bin"
seconds=${OVILUX_BENCH_SECONDS:-10}

# Seconds a pipeline of count frames takes from start to end.
pipeline_seconds() {
  local caps=$1 count=$2 start end
  start=$(date +%s.%N)
  gst-launch-1.0 -q oviluxsrc num-buffers="$count" ! "$caps" ! fakesink sync=false >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for bits in 8 24; do
  caps=video/x-raw,format=GRAY8
  [ "$bits" = 24 ] && caps=video/x-raw,format=BGR
  tool=$("$build/bin/ovilux" live --bits "$bits" --seconds "$seconds" --json | sed -n 's/.*"fps": \([0-9.]*\),.*/\1/p')
  # Two runs of the tool's frame count and of twice that: the second's extra frames, over its
  # extra time.
  frames=$(awk -v r="$tool" -v s="$seconds" 'BEGIN { printf "%.0f", r * s }')
  short=$(pipeline_seconds "$caps" "$frames")
  long=$(pipeline_seconds "$caps" $((frames * 2)))
  awk -v b="$bits" -v t="$tool" -v n="$frames" -v s="$short" -v l="$long" 'BEGIN {
    r = n / (l - s)
    printf "%2d-bit: ovilux live %.1f fps, oviluxsrc ! fakesink %.1f fps, %.0f %% of the tool\n", b, t, r, 100 * r / t }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Builds the benchmarks (release), then runs every one of them and writes docs/performance.md
# with its plot docs/performance.png. Usage: bench/run-all.sh [BUILD_DIR] (default build/bench).
# Needs scripts/install-deps.sh bench (Debian's python3 with matplotlib). Run it on a quiet machine: the load average before and
# after the run is written beside the figures, and nothing is built while they are measured.
# The preview window's benchmark runs when DISPLAY is set; the libusb one needs umockdev.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
cmake --preset linux-release -B "$build" -DOVILUX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
loadBefore=$(cut -d' ' -f1-3 /proc/loadavg)
programs=(image_filter_bench image_demosaic_bench image_dot_filter_bench image_defect_mask_bench
  api_live_view_bench camera_streaming_bench sim_stream_bench usb_frame_read_bench image_files_bench
  avi_writer_bench libusb_frame_read_bench many_cameras_bench)
if [ -n "${DISPLAY:-}" ]; then
  programs+=(preview_window_bench)
fi
for program in "${programs[@]}"; do
  echo "running $program" >&2
  # The live-view cases keep their settings in a store of this run's own, not the user's.
  # The many-camera program's long goal cases run below, in their own script.
  if ! OVILUX_REGISTRY="$results/registry-$program.sqlite3" "$build/bin/$program" --benchmark_filter=-ManyCamerasGoal \
    --benchmark_out="$results/$program.json" --benchmark_out_format=json >"$results/$program.txt" 2>&1; then
    echo "$program failed:" >&2
    tail -3 "$results/$program.txt" >&2
  fi
done
# The Python package's stream() beside the ovilux tool's live view, 24-bit, fast mode, 10 s each.
export OVILUX_REGISTRY="$results/registry-live.sqlite3" OVILUX_SIM_SPEED=fast
"$build/bin/ovilux" --simulate live --seconds 10 2>/dev/null | sed -n 's/.* \([0-9.]*\) fps (camera.*/tool \1/p' >"$results/live.txt"
OVILUX_LIBRARY="$build/bin/libOviluxSdk_M03_UX.so" PYTHONPATH="$root/python" /usr/bin/python3 - >>"$results/live.txt" <<'PY'
import time
import ovilux
port = ovilux.sim.attach(0x3030)
with ovilux.Camera(0) as camera:
    camera.color_mode = 24
    frames, start = 0, time.monotonic()
    for _ in camera.stream():
        frames += 1
        if time.monotonic() - start >= 10:
            break
    print(f"python {frames / (time.monotonic() - start):.1f}")
ovilux.sim.detach(port)
PY
# Sixteen and thirty-two cameras for 60 s, and four processes of four.
"$root/bench/many-cameras-goals.sh" "$build" "$results"
loadAfter=$(cut -d' ' -f1-3 /proc/loadavg)

{
  echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
  echo "cores: $(nproc); memory: $(free -g | awk '/^Mem:/ {print $2}') GiB"
  echo "system: $(uname -sr); compiler: $(c++ --version | head -1)"
  echo "OpenCV: $(dpkg-query -W -f '${Version}' libopencv-imgproc-dev 2>/dev/null || echo unknown)"
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "load average (1, 5, 15 min) before the run: $loadBefore; after: $loadAfter"
} >"$results/machine.txt"
/usr/bin/python3 "$root/bench/write_performance.py" "$results" "$root/docs" "$results/machine.txt"
echo "wrote $root/docs/performance.md and performance.png" >&2

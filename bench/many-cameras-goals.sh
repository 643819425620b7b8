#!/usr/bin/env bash
# The long many-camera runs, each delivery counted for 60 s at the sensor's timing: sixteen cameras
# (2560 x 1920, 24 bit) in one process; four processes of four cameras at once; thirty-two cameras
# at 8 bit; and one camera alone at each depth, the rate the goals compare with. Writes
# many-cameras-goal-*.json into RESULTS_DIR and prints each goal met or NOT met.
# Usage: bench/many-cameras-goals.sh BUILD_DIR RESULTS_DIR (BUILD_DIR built as run-all.sh builds it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
results=$2
mkdir -p "$results"

run() {
  # Each process keeps its settings in a store of its own, not the user's.
  OVILUX_REGISTRY="$results/registry-$1.sqlite3" "$build/bin/many_cameras_bench" --benchmark_filter="$2" \
    --benchmark_out="$results/many-cameras-goal-$1.json" --benchmark_out_format=json >"$results/many-cameras-goal-$1.txt" 2>&1
}

echo "load average before the long runs: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
run alone '^ManyCamerasGoal/cameras:1/'
run 16 '^ManyCamerasGoal/cameras:16/'
for process in 1 2 3 4; do
  run "4x4-$process" '^ManyCamerasGoal/cameras:4/' &
done
wait
run 32 '^ManyCamerasGoal/cameras:32/'
echo "load average after the long runs: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
/usr/bin/python3 "$root/bench/many_cameras_section.py" "$results"

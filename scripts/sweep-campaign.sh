#!/bin/bash
# Runs the session sweep for a long campaign: random programs against the model of the session
# under one build (default linux-asan; linux-tsan for ThreadSanitizer) until the time is spent,
# going on past failures. Shrunk failing programs land in out/sweep-<preset>/; each can be
# replayed with OVILUX_SWEEP_REPLAY_DIR-style files by copying it into tests/api/sweep-replays/.
#
#   scripts/sweep-campaign.sh [PRESET] [SECONDS] [FIRST_SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-linux-asan}
seconds=${2:-3600}
seed=${3:-$(( $(date +%s) % 1000000000 ))}
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" --target api_session_sweep_tests -j2
out="$PWD/out/sweep-$preset"
mkdir -p "$out"
echo "campaign: $preset, $seconds s, seeds from $seed, failures in $out"
OVILUX_SWEEP_SECONDS=$seconds OVILUX_SWEEP_SEED=$seed OVILUX_SWEEP_KEEP_GOING=1 OVILUX_SWEEP_OUT="$out" \
  "build/$preset/bin/api_session_sweep_tests" --gtest_filter='SessionSweep.RandomProgramsAgreeWithTheModel' \
  2>&1 | tee "$out/campaign-$seed.log"

#!/usr/bin/env bash
# Runs a Windows program under Wine in a throw-away prefix kept beside the build, starting it
# again when Wine did not start it (see below).
# The first caller creates the prefix under a lock so parallel tests do not race on it.
set -euo pipefail
: "${OVILUX_WINEPREFIX:=${TMPDIR:-/tmp}/ovilux-wineprefix-$(id -u)}"
export WINEPREFIX="$OVILUX_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# OVILUX_WINE names another Wine (the runner's own test gives it one that fails on purpose).
wine=${OVILUX_WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
# A wineserver that stays up writes the registry files only when it saves or exits, so a marker
# of our own says that the prefix was made.
ready="$WINEPREFIX/.ovilux-prefix-ready"
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    # The Japanese dialogs name the Windows Japanese font; here the IPA Gothic font draws it.
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'IPAGothic' /f >/dev/null 2>&1 || true
    touch "$ready"
  fi
  flock -u 9
fi
# Now and then Wine does not start the program at all: it fails at once with no output (the
# program never printed its first line). Such a start is made again, at most twice more; each
# one is said on standard error and counted, a line each, in $OVILUX_WINE_RESTARTS (beside the
# prefix unless set), so that a run can say how often it happened. A program that printed
# anything, or ran for a while, keeps its result. Output passes through as it comes (the Wine
# session keeper is read while it runs) and is also kept to tell whether there was any.
: "${OVILUX_WINE_RESTARTS:=$WINEPREFIX.restarts}"
readonly kAttempts=3 kNotStartedMs=10000
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for attempt in $(seq "$kAttempts"); do
  : >"$scratch/out"
  : >"$scratch/err"
  exec 3> >(tee -a "$scratch/out")
  out_pid=$!
  exec 4> >(tee -a "$scratch/err" >&2)
  err_pid=$!
  started=$(date +%s%N)
  status=0
  # A child, not exec: a signal to this script (the run stopping the session keeper) goes on to
  # the program.
  "$wine" "$@" 0<&0 >&3 2>&4 3>&- 4>&- &
  child=$!
  trap 'kill -TERM "$child" 2>/dev/null; wait "$child"; exit 143' TERM INT
  wait "$child" || status=$?
  trap - TERM INT
  elapsed_ms=$((($(date +%s%N) - started) / 1000000))
  exec 3>&- 4>&-
  wait "$out_pid" "$err_pid" 2>/dev/null || true
  if [ "$status" -eq 0 ] || [ -s "$scratch/out" ] || [ -s "$scratch/err" ] || [ "$elapsed_ms" -ge "$kNotStartedMs" ]; then
    exit "$status"
  fi
  echo "wine-run: Wine did not start $1 (status $status after $elapsed_ms ms, no output); attempt $attempt of $kAttempts" >&2
  echo "$(date -u +%Y-%m-%dT%H:%M:%SZ) $* (status $status after $elapsed_ms ms, attempt $attempt)" >>"$OVILUX_WINE_RESTARTS"
done
echo "wine-run: Wine did not start $1 in $kAttempts attempts" >&2
exit "$status"

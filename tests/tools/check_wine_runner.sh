#!/usr/bin/env bash
# The Wine runner against stand-ins for Wine: a start that failed at once with no output is made
# again and counted, a program that printed anything keeps its result, and one that Wine never
# starts fails after the last attempt with a message.
set -euo pipefail
runner=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export OVILUX_WINEPREFIX="$scratch/prefix" OVILUX_WINE_RESTARTS="$scratch/restarts"
mkdir -p "$OVILUX_WINEPREFIX"
touch "$OVILUX_WINEPREFIX/.ovilux-prefix-ready"
fail() { echo "FAILED: $*" >&2; exit 1; }

# A Wine that does not start the program the first SILENT times, then runs it: it prints its
# arguments and exits with status 3.
cat >"$scratch/wine" <<'FAKE'
#!/usr/bin/env bash
count=$(cat "$STAND_IN_COUNT" 2>/dev/null || echo 0)
echo $((count + 1)) >"$STAND_IN_COUNT"
[ "$count" -lt "$SILENT" ] && exit 53
echo "ran $*"
echo "to stderr" >&2
exit 3
FAKE
chmod +x "$scratch/wine"
export OVILUX_WINE="$scratch/wine" STAND_IN_COUNT="$scratch/count"

run() {  # SILENT, then the runner's arguments; sets status, out, err
  rm -f "$STAND_IN_COUNT" "$OVILUX_WINE_RESTARTS"
  export SILENT=$1
  shift
  status=0
  "$runner" "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  out=$(cat "$scratch/out")
  err=$(cat "$scratch/err")
}

run 0 prog.exe --flag
[ "$status" -eq 3 ] || fail "a program that ran keeps its status: $status"
[ "$out" = "ran prog.exe --flag" ] || fail "its output passes through: '$out'"
[ "$err" = "to stderr" ] || fail "its errors pass through: '$err'"
[ ! -e "$OVILUX_WINE_RESTARTS" ] || fail "nothing counted when Wine started it"

run 2 prog.exe
[ "$status" -eq 3 ] && [ "$out" = "ran prog.exe" ] || fail "started on the third attempt: $status '$out'"
[ "$(cat "$STAND_IN_COUNT")" -eq 3 ] || fail "three starts"
[ "$(wc -l <"$OVILUX_WINE_RESTARTS")" -eq 2 ] || fail "two restarts counted: $(cat "$OVILUX_WINE_RESTARTS")"
grep -q "Wine did not start prog.exe" <<<"$err" || fail "each restart is said: '$err'"

run 5 prog.exe
[ "$status" -eq 53 ] || fail "never started: Wine's status: $status"
[ "$(cat "$STAND_IN_COUNT")" -eq 3 ] || fail "three attempts at most"
grep -q "did not start prog.exe in 3 attempts" <<<"$err" || fail "the last failure says so: '$err'"
echo "the Wine runner restarts what Wine did not start, and only that"

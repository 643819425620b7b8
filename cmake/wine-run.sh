#!/usr/bin/env bash
# Runs a Windows program under Wine in a throw-away prefix kept beside the build.
# The first caller creates the prefix under a lock so parallel tests do not race on it.
set -euo pipefail
: "${OVILUX_WINEPREFIX:=${TMPDIR:-/tmp}/ovilux-wineprefix-$(id -u)}"
export WINEPREFIX="$OVILUX_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
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
exec "$wine" "$@"

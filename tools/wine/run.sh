#!/usr/bin/env bash
# Runs a Windows executable under Wine, headless and with a timeout.
#
#   tools/wine/run.sh EXE [ARGS...]
#
# The Wine prefix lives in LT260_WINEPREFIX, or beside the executable's build
# folder ("<build>/wineprefix", found by walking up to CMakeCache.txt). It is
# made on first use with the null graphics driver, without which a program that
# creates a window hangs. LT260_WINE_TIMEOUT (seconds, default 300) bounds the run.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 EXE [ARGS...]" >&2
  exit 2
fi
exe=$(readlink -f "$1")
shift
if [ ! -f "$exe" ]; then
  echo "$0: no such executable: $exe" >&2
  exit 2
fi
if ! command -v wine >/dev/null; then
  echo "$0: wine is not installed (apt-get install wine wine64)" >&2
  exit 2
fi

prefix=${LT260_WINEPREFIX:-}
if [ -z "$prefix" ]; then
  dir=$(dirname "$exe")
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(dirname "$exe")
  prefix="$dir/wineprefix"
fi
export WINEPREFIX="$prefix" WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Several tests may start at once; the first makes the prefix, the rest wait.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.lt260-ready" ]; then
    rm -rf "$prefix"
    timeout 300 wineboot -i >/dev/null 2>&1 || { echo "$0: wineboot failed in $prefix" >&2; exit 1; }
    timeout 120 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 \
      || { echo "$0: could not select the null graphics driver" >&2; exit 1; }
    timeout 60 wineserver -w || true
    touch "$prefix/.lt260-ready"
  fi
) 9>"$prefix.lock"

exec timeout --kill-after=10 "${LT260_WINE_TIMEOUT:-300}" wine "$exe" "$@"

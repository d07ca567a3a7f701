#!/usr/bin/env bash
# Runs a Windows executable under Wine, as tools/wine/run.sh does, in the
# prefix LT260_WINEPREFIX made afresh for this run, and ends that prefix's
# processes afterwards (drivers included), whatever the run left behind.
#
#   LT260_WINEPREFIX=DIR tools/wine/fresh-prefix-run.sh EXE [ARGS...]
set -euo pipefail

prefix=${LT260_WINEPREFIX:?"$0: set LT260_WINEPREFIX to the prefix to make afresh"}
stop() { WINEPREFIX="$prefix" timeout 30 wineserver -k >/dev/null 2>&1 || true; }
stop
rm -rf "$prefix" "$prefix.lock"
status=0
"$(dirname "$0")/run.sh" "$@" || status=$?
stop
exit "$status"

# What the Wine test scripts share, sourced after setting `work` (a temporary
# folder) and `tool` (lt260-window.exe): a fresh prefix, and the tool's answers.
# LT260_WINEPREFIX names the prefix.

wine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_run_sh="$wine_root/tools/wine/run.sh"
: "${LT260_WINEPREFIX:?LT260_WINEPREFIX must name the prefix this test makes}"
export LT260_WINEPREFIX WINEPREFIX=$LT260_WINEPREFIX LT260_WINE_TIMEOUT=${LT260_WINE_TIMEOUT:-120}
wine_log="$work/wine.log"

# Ends whatever runs in the prefix, removes it and makes it again.
fresh_prefix() {
  timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$LT260_WINEPREFIX" "$LT260_WINEPREFIX.lock"
  "$wine_run_sh" "$tool" count nothing >>"$wine_log" 2>&1 </dev/null \
    || { echo "$0: Wine does not start in $LT260_WINEPREFIX" >&2; exit 1; }
}

# A Windows program, its output in the log. A program that another Windows
# program starts inherits that one's output: never a pipe, or the caller waits
# for it to end.
wine_run() { "$wine_run_sh" "$@" >>"$wine_log" 2>&1 </dev/null; }

# lt260-window's answer on stdout, through a file for the same reason.
tool() {
  "$wine_run_sh" "$tool" "$@" >"$work/answer" 2>>"$wine_log" </dev/null || return 1
  tr -d '\r' <"$work/answer"
}

#!/usr/bin/env bash
# lt260ctl.exe as a whole program under Wine: the simulated mouse through the
# main verbs (the default settings file being the Agent's own under
# %APPDATA%), its errors one line each with their exit statuses, the verbs
# that are for Linux, and `list` over Wine's own HID devices, none of which is
# taken for the mouse.
#
#   tests/cli/lt260ctl-wine-test.sh lt260ctl.exe
#
# LT260_WINEPREFIX names the prefix (made on first use). Prints every check
# and the count; fails when a check fails or fewer checks ran than planned.
set -uo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 lt260ctl.exe" >&2
  exit 2
fi
exe=$(readlink -f "$1")
[ -f "$exe" ] || { echo "lt260ctl-wine-test: $exe is missing" >&2; exit 2; }
: "${LT260_WINEPREFIX:?LT260_WINEPREFIX must name the prefix this test uses}"
export LT260_WINE_TIMEOUT=${LT260_WINE_TIMEOUT:-120}
run_sh="$(dirname "$0")/../../tools/wine/run.sh"
source "$(dirname "$0")/../support/checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
checks_begin lt260ctl-wine-test 19

# Runs lt260ctl.exe; its output in $work/out and $work/err without the
# carriage returns, its status in $status.
ctl() {
  "$run_sh" "$exe" "$@" >"$work/out.raw" 2>"$work/err.raw" </dev/null
  status=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
}
status_is() { [ "$status" -eq "$1" ]; }
out_has() { grep -q -- "$1" "$work/out"; }
err_is_one_line() { [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q -- "$1" "$work/err"; }

echo "lt260ctl-wine-test: the simulated mouse"
ctl --device sim list
check "list exits 0 and shows the four interfaces" \
  eval 'status_is 0 && [ "$(grep -c "3938:1101" "$work/out")" -eq 4 ]'

appdata="$LT260_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Quendra/LT-260"
rm -f "$appdata/GamingMouse"
ctl --device sim apply
check "apply exits 0" status_is 0
check "apply without --settings keeps the Agent's file" test -f "$appdata/GamingMouse"

ctl --device sim read --json
check "read --json exits 0 with the profile as JSON" \
  eval 'status_is 0 && out_has "{" && out_has "DPI_Cur"'

ctl --device sim dump
check "dump shows both reports" \
  eval 'status_is 0 && out_has "report 3 (40 bytes)" && out_has "report 4 ("'

echo "lt260ctl-wine-test: watch driven through the control file"
: >"$work/control"
LT260_SIM_CONTROL="$work/control" "$run_sh" "$exe" --device sim watch \
  >"$work/watch.raw" 2>&1 </dev/null &
watcher=$!
for _ in $(seq 300); do grep -q watching "$work/watch.raw" && break; sleep 0.1; done
for line in "press 2" unplug plug quit; do
  echo "$line" >>"$work/control"
  sleep 0.5
done
wait "$watcher"
watch_status=$?
tr -d '\r' <"$work/watch.raw" >"$work/watch"
check "watch ends 0 on quit" test "$watch_status" -eq 0
check "watch prints the DPI stage" grep -qx "DPI stage 2" "$work/watch"
check "watch sees the mouse go and come back" \
  eval 'grep -qx "the mouse is gone" "$work/watch" && grep -qx "the mouse arrived" "$work/watch"'

echo "lt260ctl-wine-test: errors, one line each"
LT260_SIM_UNPLUGGED=1 ctl --device sim apply
check "no mouse: status 3" status_is 3
check "no mouse: one line" err_is_one_line "no LT-260 mouse found"

mkdir -p "$work/bad"
printf '[Setting]\r\nTotle=1\r\nDPI_Cur 3\r\n' >"$work/bad/GamingMouse"
ctl --device sim apply --settings "$work/bad/GamingMouse"
check "bad settings: status 6" status_is 6
check "bad settings: one line naming the line" err_is_one_line 'line 3: "DPI_Cur 3" is not'

ctl --device sim no-such-verb
check "unknown verb: status 2" status_is 2

printf '05 01 09 02 a1 01 85 01 09 01 15 00 25 01 75 08 95 03 81 02 c0\n' >"$work/mouse.desc"
ctl caps "$work/mouse.desc"
check "caps reads a descriptor file" eval 'status_is 0 && out_has "input 4"'

ctl agent
check "agent: status 8" status_is 8
check "agent: one line saying it is for Linux" err_is_one_line "agent is for Linux"
ctl udev-rule
check "udev-rule: status 8, one line" eval 'status_is 8 && err_is_one_line "udev-rule is for Linux"'

echo "lt260ctl-wine-test: Wine's own HID devices"
wine_hid_devices() {
  WINEPREFIX=$LT260_WINEPREFIX WINEDEBUG=-all timeout 60 \
    wine reg query 'HKLM\System\CurrentControlSet\Enum\HID' 2>/dev/null | tr -d '\r' >"$work/hid"
  grep -qi 'VID_845E' "$work/hid"
}
check "the prefix has Wine's virtual HID devices to pass over" wine_hid_devices
ctl list
check "list finds no LT-260 among them: status 3, one line" \
  eval 'status_is 3 && err_is_one_line "no LT-260 mouse found"'

checks_end || {
  echo "--- last output:"; cat "$work/out"
  echo "--- last errors:"; cat "$work/err"
  echo "--- watch:"; cat "$work/watch" 2>/dev/null
  exit 1
}

#!/usr/bin/env bash
# The icon after Explorer restarts, with the simulator build as a whole
# program under Wine: the shell's "TaskbarCreated" message adds the icon again
# while it is meant to be shown, and not after the user removed it. The Agent's
# debug output (WINEDEBUG=warn+seh) shows each add.
#
#   tests/wine/taskbar-restart-test.sh LT260AgentSim.exe lt260-window.exe
#
# LT260_WINEPREFIX names the prefix (made afresh). Prints every check and the
# count; fails when a check fails or fewer checks ran than planned.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 LT260AgentSim.exe lt260-window.exe" >&2
  exit 2
fi
agent_built=$(readlink -f "$1")
tool=$(readlink -f "$2")
for file in "$agent_built" "$tool"; do
  [ -f "$file" ] || { echo "taskbar-restart-test: $file is missing" >&2; exit 2; }
done


work=$(mktemp -d)
source "$(dirname "$0")/../support/checks.sh"
source "$(dirname "$0")/wine-scripts.sh"
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
checks_begin taskbar-restart-test 9
trace="$work/agent-trace.log"
# Wine shows each debug-output line twice: as the call and as its exception.
added_again() { grep -c 'OutputDebugString.*TaskbarCreated: icon added again' "$trace"; }
agent_title=Quendra_LT-260_Hid
taskbar_created=TaskbarCreated
wm_command=0x111
id_tray_hide=6002
wm_agent_reload=0x4FF

echo "taskbar-restart-test: a fresh prefix in $LT260_WINEPREFIX"
fresh_prefix
mkdir -p "$LT260_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Quendra/LT-260"
program_dir="$LT260_WINEPREFIX/drive_c/LT260"
mkdir -p "$program_dir"
cp "$agent_built" "$program_dir/"
cp -r "$(dirname "$agent_built")/Lan" "$program_dir/"

echo "taskbar-restart-test: the Agent with its mouse, the icon shown"
WINEDEBUG=warn+seh "$wine_run_sh" "$program_dir/$(basename "$agent_built")" >"$trace" 2>&1 </dev/null &
agent_job=$!
for _ in $(seq 1 300); do
  grep -q 'OutputDebugString.*OnCreate over' "$trace" 2>/dev/null && break
  sleep 0.1
done
check "the Agent started (\"OnCreate over\")" grep -q 'OutputDebugString.*OnCreate over' "$trace"
check "no add again before the shell restarts" test "$(added_again)" = 0

echo "taskbar-restart-test: Explorer restarts"
check "the Agent answers TaskbarCreated with 0" test "$(tool send "$agent_title" "$taskbar_created")" = 0
check "the icon is added again" test "$(added_again)" = 1

echo "taskbar-restart-test: the user removes the icon, Explorer restarts"
tool send "$agent_title" "$wm_command" "$id_tray_hide" >/dev/null
tool send "$agent_title" "$taskbar_created" >/dev/null
check "a removed icon stays removed" test "$(added_again)" = 1

echo "taskbar-restart-test: a reload shows it, Explorer restarts"
tool send "$agent_title" "$wm_agent_reload" >/dev/null
tool send "$agent_title" "$taskbar_created" >/dev/null
check "the icon is added again" test "$(added_again)" = 2

echo "taskbar-restart-test: the end"
check "the Agent answers WM_CLOSE" test "$(tool send "$agent_title" 0x10)" = 0
check "its window is gone" tool gone "$agent_title" 20
wait "$agent_job"
check "the process ended with 0" test $? -eq 0

if ! checks_end; then
  echo "taskbar-restart-test: the Agent's debug output follows" >&2
  grep -v '^fixme' "$trace" >&2
  exit 1
fi

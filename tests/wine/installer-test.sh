#!/usr/bin/env bash
# The installer as a user meets it, under Wine in a fresh prefix: silent
# install into the Configurator's folder, an upgrade over the running Agent,
# silent uninstall.
#
#   tests/wine/installer-test.sh SETUP.exe LT260Agent.exe lt260-window.exe VERSION
#
# LT260_WINEPREFIX names the prefix (made afresh). Prints every check and the
# count; fails when a check fails or fewer checks ran than planned.
set -uo pipefail

if [ $# -ne 4 ]; then
  echo "usage: $0 SETUP.exe LT260Agent.exe lt260-window.exe VERSION" >&2
  exit 2
fi
setup=$(readlink -f "$1")
agent_built=$(readlink -f "$2")
tool=$(readlink -f "$3")
version=$4
for file in "$setup" "$agent_built" "$tool"; do
  [ -f "$file" ] || { echo "installer-test: $file is missing" >&2; exit 2; }
done

step() { echo "installer-test: $*"; }

work=$(mktemp -d)
source "$(dirname "$0")/../support/checks.sh"
source "$(dirname "$0")/wine-scripts.sh"
trap 'timeout 30 wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
checks_begin installer-test 35
reg_value() {  # reg_value KEY NAME: the data of a value, empty when missing
  timeout 60 wine reg query "$1" /v "$2" 2>/dev/null </dev/null | tr -d '\r' |
    sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
sha() { sha256sum "$1" 2>/dev/null | cut -d' ' -f1; }

step "a fresh prefix in $LT260_WINEPREFIX"
fresh_prefix
user_dir="$LT260_WINEPREFIX/drive_c/users/$(id -un)"
settings_dir="$user_dir/AppData/Roaming/Quendra/LT-260"
settings="$settings_dir/GamingMouse"

# The Configurator is installed first; its files are not ours to touch.
program_dir="$LT260_WINEPREFIX/drive_c/Quendra/LT-260"
mkdir -p "$program_dir"
printf 'the Configurator\r\n' >"$program_dir/Gaming.exe"
printf 'the companion library\r\n' >"$program_dir/CheckPidVid.dll"
gaming_sha=$(sha "$program_dir/Gaming.exe")
companion_sha=$(sha "$program_dir/CheckPidVid.dll")
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quendra LT-260 Agent'
agent_title=Quendra_LT-260_Hid

step "silent install into the Configurator's folder"
wine_run "$setup" /S '/D=C:\Quendra\LT-260'
check "the installer ends with 0" test $? -eq 0
check "LT260Agent.exe is the built one" test "$(sha "$program_dir/LT260Agent.exe")" = "$(sha "$agent_built")"
check "Lan\\skin_En.ini and Lan\\skin_Sp.ini" test -f "$program_dir/Lan/skin_En.ini" -a -f "$program_dir/Lan/skin_Sp.ini"
check "the uninstaller" test -f "$program_dir/Uninstall LT260Agent.exe"
check "Gaming.exe and CheckPidVid.dll untouched" test "$(sha "$program_dir/Gaming.exe") $(sha "$program_dir/CheckPidVid.dll")" = "$gaming_sha $companion_sha"
check "the settings folder exists" test -d "$settings_dir"
command_line=$(reg_value "$run_key" "LT-260 Agent")
check "Run value is the quoted full path" test "$command_line" = '"C:\Quendra\LT-260\LT260Agent.exe"'
check "uninstall entry: name, version, publisher" test "$(reg_value "$uninstall_key" DisplayName)|$(reg_value "$uninstall_key" DisplayVersion)|$(reg_value "$uninstall_key" Publisher)" = "LT-260 Agent|$version|Quendra"
check "uninstall entry: uninstall strings" test "$(reg_value "$uninstall_key" UninstallString)|$(reg_value "$uninstall_key" QuietUninstallString)" = '"C:\Quendra\LT-260\Uninstall LT260Agent.exe"|"C:\Quendra\LT-260\Uninstall LT260Agent.exe" /S'
check "uninstall entry: icon and folder" test "$(reg_value "$uninstall_key" DisplayIcon)|$(reg_value "$uninstall_key" InstallLocation)" = '"C:\Quendra\LT-260\LT260Agent.exe",0|C:\Quendra\LT-260'
size=$(reg_value "$uninstall_key" EstimatedSize)
check "uninstall entry: size in KiB ($size)" test $((size)) -ge $(($(stat -c %s "$agent_built") / 1024))
check "no Agent started by a silent first install" test "$(tool processes LT260Agent.exe)" = 0

step "the Agent started as the Run value says, with the user's settings in place"
printf '[Setting]\r\nTotle=2\r\nActive=1\r\nlan_id=1\r\nShow_TrayIcon=1\r\nDevice=0\r\n[Profile1Setting]\r\nDPI_Cur=3\r\n' >"$settings"
wine_run "$tool" start "$command_line"
check "the Agent's window appears" tool wait "$agent_title" 30
check "the Agent answers at its window" test "$(tool send "$agent_title" 0)" = 0
first_pid=$(tool pid "$agent_title")
check "one Agent runs" test "$(tool processes LT260Agent.exe)" = 1
settings_sha=$(sha "$settings")
check "the settings file is there" test -n "$settings_sha"

step "silent upgrade while the Agent runs"
wine_run "$setup" /S '/D=C:\Quendra\LT-260'
check "the upgrade ends with 0" test $? -eq 0
check "the Agent runs again, once" tool wait "$agent_title" 30
second_pid=$(tool pid "$agent_title")
check "it is a new process: the old one ended ($first_pid, now $second_pid)" test -n "$second_pid" -a "$first_pid" != "$second_pid"
check "one Agent process, one agent window" test "$(tool processes LT260Agent.exe) $(tool count "$agent_title")" = "1 1"
check "the settings file byte for byte" test "$(sha "$settings")" = "$settings_sha"

# The uninstaller works from a copy of itself, which the call does not wait for:
# wait until the uninstaller is gone and Wine has nothing left to run.
# Says why when it fails.
uninstall() {  # uninstall FOLDER [OPTIONS...]
  local folder=$1 status
  shift
  wine_run "$folder/Uninstall LT260Agent.exe" /S "$@"
  status=$?
  if [ $status -ne 0 ]; then
    echo "        the uninstaller ended with $status"
    return 1
  fi
  for _ in $(seq 1 300); do
    [ -e "$folder/Uninstall LT260Agent.exe" ] || break
    sleep 0.1
  done
  [ -e "$folder/Uninstall LT260Agent.exe" ] && echo "        the uninstaller is still there after 30 s"
  timeout 60 wineserver -w
  status=$?
  [ $status -eq 0 ] || echo "        Wine's processes did not end (wineserver -w: $status)"
  return $status
}

step "silent uninstall while the Agent runs"
check "the uninstaller ends with 0" uninstall "$program_dir"
check "no Agent runs" test "$(tool processes LT260Agent.exe) $(tool count "$agent_title")" = "0 0"
check "the program folder holds only the Configurator's files" test "$(cd "$program_dir" && find . -mindepth 1 | sort | tr '\n' ' ')" = "./CheckPidVid.dll ./Gaming.exe "
check "Gaming.exe and CheckPidVid.dll untouched" test "$(sha "$program_dir/Gaming.exe") $(sha "$program_dir/CheckPidVid.dll")" = "$gaming_sha $companion_sha"
check "no Run value" test -z "$(reg_value "$run_key" "LT-260 Agent")"
check "no uninstall entry" test -z "$(reg_value "$uninstall_key" DisplayName)"
check "the settings stay, byte for byte" test "$(sha "$settings")" = "$settings_sha"

step "silent install into the default folder; uninstall that removes the settings"
default_dir="$user_dir/AppData/Local/Programs/Quendra/LT-260"
wine_run "$setup" /S
check "the installer ends with 0" test $? -eq 0
check "the Agent and its uninstaller in %LOCALAPPDATA%\\Programs\\Quendra\\LT-260" \
  test -f "$default_dir/LT260Agent.exe" -a -f "$default_dir/Uninstall LT260Agent.exe"
check "the Run value names it" test "$(reg_value "$run_key" "LT-260 Agent")" \
  = "\"C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Quendra\\LT-260\\LT260Agent.exe\""
check "the uninstaller with /REMOVESETTINGS ends with 0" uninstall "$default_dir" /REMOVESETTINGS
check "the settings are gone, and Quendra's folder with them" test ! -e "$user_dir/AppData/Roaming/Quendra"
check "the program folder is gone, and Quendra's folder with it" \
  test ! -e "$user_dir/AppData/Local/Programs/Quendra"
check "no Run value, no uninstall entry" \
  test -z "$(reg_value "$run_key" "LT-260 Agent")$(reg_value "$uninstall_key" DisplayName)"

if ! checks_end; then
  echo "installer-test: the Wine log follows" >&2
  cat "$wine_log" >&2
  exit 1
fi

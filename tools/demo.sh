#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds what the demo runs, and shows the
# Agent at work: first the settings store (a missing settings file created with
# the defaults, then a messy file written by hand read the way the Agent reads
# it, natively and by the Windows build under Wine), then the Agent itself, the
# simulator build under Wine, driven by a scripted Configurator through the
# main roads: the mouse's arrival, a reload, the DPI button, unplug and plug,
# lock and unlock, and the end; and last the shipped Agent, LT260Agent.exe, on
# the same roads with the virtual LT-260 installed into Wine's HID stack.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target lt260-settings-dump >/dev/null
echo "built: native (lt260-settings-dump)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j2 --target lt260-settings-dump lt260-scripted-configurator >/dev/null
echo "built: mingw (lt260-settings-dump, LT260Agent, LT260AgentSim, the virtual mouse and the scripted Configurator)"

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/fresh" "$demo/messy"

echo
echo "== 1. No settings file yet: the Agent's load creates it with six default profiles"
build/native/tools/settings-dump/lt260-settings-dump "$demo/fresh/GamingMouse" | sed -n '1,4p;12,13p'
echo "   ..."
echo "   the file now has $(wc -l < "$demo/fresh/GamingMouse") lines; its start:"
head -n 16 "$demo/fresh/GamingMouse" | tr -d '\r' | sed 's/^/     | /'

echo
echo "== 2. A file as a person might have edited it: odd spacing, quotes, comments,"
echo "   a duplicate key, an out-of-range value, a map that moves slot 1 to section 3"
printf '%s\r\n' \
  '; edited by hand' \
  '[setting]' \
  '  Totle = 2 ' \
  'Active=1' \
  '0=0' \
  '1=3' \
  'Show_TrayIcon = 7' \
  '[Profile3Setting]' \
  'Profil_Name = "  Sniper  "' \
  'DPI_Cur=1' \
  'DPI_Cur=6' \
  'light_bright=9' \
  'Mouse_Speed=0x0A' > "$demo/messy/GamingMouse"
sed 's/^/     | /' "$demo/messy/GamingMouse" | tr -d '\r'
echo "   read natively:"
build/native/tools/settings-dump/lt260-settings-dump "$demo/messy/GamingMouse" \
  | awk 'NR==1 {print} /^  slot 1/ {p=4} p>0 {print; p--}' | sed 's/^/     /'

echo "   read by the Windows build under Wine (the first run makes a Wine prefix):"
export LT260_WINEPREFIX="$PWD/build/mingw/wineprefix"
windows_path=$(WINEPREFIX="$LT260_WINEPREFIX" WINEDEBUG=-all winepath -w "$demo/messy/GamingMouse" 2>/dev/null \
  || echo "Z:${PWD//\//\\}\\build\\demo\\messy\\GamingMouse")
tools/wine/run.sh build/mingw/tools/settings-dump/lt260-settings-dump.exe "$windows_path" \
  | tr -d '\r' | awk 'NR==1 {print} /^  slot 1/ {p=4} p>0 {print; p--}' | sed 's/^/     /'
echo
echo "The file itself was not changed by either load: validation corrections live in memory only."

echo
echo "== 3. The Agent itself: LT260AgentSim.exe (the Agent with a simulated mouse) under Wine,"
echo "   driven by a scripted Configurator that owns the window \"Quendra LT-260\""
echo "   (a fresh Wine prefix in $demo/wineprefix: its first run takes a little while)"
LT260_WINEPREFIX="$PWD/$demo/wineprefix" \
  tools/wine/run.sh build/mingw/tools/scripted-configurator/lt260-scripted-configurator.exe \
  | tr -d '\r' | sed 's/^/   /'

echo
echo "== 4. The shipped Agent, LT260Agent.exe, with the virtual LT-260: a HID minidriver"
echo "   installed into a fresh Wine prefix ($demo/wineprefix-virtual), whose four interfaces"
echo "   Wine's own HID stack serves; the same scripted Configurator walks the same roads"
LT260_WINEPREFIX="$PWD/$demo/wineprefix-virtual" \
  tools/wine/fresh-prefix-run.sh build/mingw/tools/scripted-configurator/lt260-scripted-configurator.exe \
  --mouse virtual | tr -d '\r' | sed 's/^/   /'

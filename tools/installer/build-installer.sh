#!/usr/bin/env bash
# Builds the Agent's installer with NSIS.
#
#   tools/installer/build-installer.sh PROGRAM_DIR VERSION OUTFILE [ICON]
#
# PROGRAM_DIR holds LT260Agent.exe and Lan\. When LT260_SIGN_CERT and
# LT260_SIGN_KEY name a certificate and its private key, the uninstaller and
# the installer are signed (tools/installer/sign.sh). SOURCE_DATE_EPOCH, when
# set, is the time makensis writes into the installer.
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 PROGRAM_DIR VERSION OUTFILE [ICON]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
program_dir=$(cd "$1" && pwd)
version=$2
outfile=$(realpath -m "$3")
icon=${4:-}

command -v makensis >/dev/null || { echo "$0: makensis is missing (apt-get install nsis)" >&2; exit 2; }
for file in LT260Agent.exe Lan/skin_En.ini Lan/skin_Sp.ini; do
  [ -f "$program_dir/$file" ] || { echo "$0: $program_dir/$file is missing" >&2; exit 2; }
done
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "$0: version '$version' is not N.N.N" >&2; exit 2; }

defines=(-DVERSION="$version" -DPROGRAM_DIR="$program_dir" -DOUTFILE="$outfile")
if [ -n "$icon" ]; then
  [ -f "$icon" ] || { echo "$0: the icon $icon is missing" >&2; exit 2; }
  defines+=(-DICON="$(readlink -f "$icon")")
fi
if [ -n "${LT260_SIGN_CERT:-}" ] || [ -n "${LT260_SIGN_KEY:-}" ]; then
  defines+=(-DSIGN="$here/sign.sh")
fi
mkdir -p "$(dirname "$outfile")"
# -V2: warnings and errors only. Warnings are errors: a script mistake must not
# ship quietly.
makensis -V2 -WX -NOCD "${defines[@]}" "$here/LT260Agent.nsi"
echo "build-installer: wrote $outfile ($(stat -c %s "$outfile") bytes)"

#!/usr/bin/env bash
# Builds the lt260ctl .deb from a fresh clone of the committed sources (what
# is not committed is not in it), lists its contents and checks that the
# program, the udev rule and the user unit are there.
#
#   tools/linux/build-deb.sh [OUTPUT_FOLDER]   (default build/deb)
set -euo pipefail
cd "$(dirname "$0")/../.."
out=$(realpath -m "${1:-build/deb}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== fresh clone of $(git rev-parse --short HEAD)"
git clone -q . "$work/src"
echo "== configure and build lt260ctl (Release, prefix /usr)"
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DLT260_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$work/build" -j2 --target lt260ctl lt260_udev_rule
echo "== cpack"
(cd "$work/build" && cpack -G DEB >/dev/null)
mkdir -p "$out"
deb=$(ls "$work"/build/*.deb)
cp "$deb" "$out/"
deb="$out/$(basename "$deb")"
echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends
echo "== contents"
dpkg-deb -c "$deb"

status=0
for wanted in ./usr/bin/lt260ctl ./usr/lib/udev/rules.d/70-lt260.rules \
    ./usr/lib/systemd/user/lt260-agent.service; do
  if dpkg-deb -c "$deb" | awk '{print $6}' | grep -qx "$wanted"; then
    echo "ok: $wanted"
  else
    echo "MISSING: $wanted"; status=1
  fi
done
exit $status

#!/usr/bin/env bash
# Builds what a release ships, into build/release/:
#
#   LT260Agent-Setup-VERSION.exe   the installer
#   LT260Agent-VERSION.zip         the program files: LT260Agent.exe and Lan\
#   SHA256SUMS                     the checksums of both
#
#   tools/release.sh
#
# VERSION is the project's version in CMakeLists.txt. The build is the
# mingw-release preset's (LT260Agent.exe alone); the same sources give the
# same bytes (tests/release/release-test.sh shows it).
#
# Environment:
#   LT260_SIGN_CERT, LT260_SIGN_KEY  a code-signing certificate and its key
#                         (PEM or DER): LT260Agent.exe, the installer and its
#                         uninstaller are signed (also LT260_SIGN_PASS,
#                         LT260_SIGN_TIMESTAMP_URL; see tools/installer/sign.sh)
#   SOURCE_DATE_EPOCH     the time written into the files (zip entries,
#                         signatures); by default the last commit's
#   LT260_RELEASE_OUT     where the results go (default build/release)
#   LT260_RELEASE_BUILD   the build folder (default build/mingw-release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

fail() { echo "release: $*" >&2; exit 1; }

out=$(realpath -m "${LT260_RELEASE_OUT:-build/release}")
build=$(realpath -m "${LT260_RELEASE_BUILD:-build/mingw-release}")
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || fail "not a git checkout: set SOURCE_DATE_EPOCH"
fi
export SOURCE_DATE_EPOCH

signing=no
if [ -n "${LT260_SIGN_CERT:-}" ] || [ -n "${LT260_SIGN_KEY:-}" ]; then
  [ -n "${LT260_SIGN_CERT:-}" ] && [ -n "${LT260_SIGN_KEY:-}" ] \
    || fail "LT260_SIGN_CERT and LT260_SIGN_KEY go together: set both or neither"
  [ -f "$LT260_SIGN_CERT" ] || fail "no certificate at $LT260_SIGN_CERT"
  [ -f "$LT260_SIGN_KEY" ] || fail "no key at $LT260_SIGN_KEY"
  signing=yes
fi
needed=(cmake ninja x86_64-w64-mingw32-g++-posix makensis zip sha256sum)
[ "$signing" = yes ] && needed+=(osslsigncode)
for program in "${needed[@]}"; do
  command -v "$program" >/dev/null || fail "$program is missing (tools/install-deps.sh installs it)"
done

echo "release: building LT260Agent.exe in $build"
mkdir -p "$build"
cmake --preset mingw-release -B "$build" >"$build/release-configure.log" 2>&1 \
  || { cat "$build/release-configure.log" >&2; fail "configuring failed"; }
cmake --build "$build" --target LT260Agent -j"${LT260_JOBS:-2}" >"$build/release-build.log" 2>&1 \
  || { tail -40 "$build/release-build.log" >&2; fail "the build failed"; }
version=$(cat "$build/lt260-version.txt")
agent="$build/src/platform/win32/LT260Agent.exe"
icon=$(sed -n 's/^LT260_AGENT_ICON:INTERNAL=//p' "$build/CMakeCache.txt")
[ -f "$agent" ] || fail "the build left no $agent"

# The program files as they are shipped, signed when a certificate is given.
package="LT260Agent-$version"
stage="$build/package/$package"
rm -rf "$build/package"
mkdir -p "$stage/Lan"
cp "$agent" "$stage/"
cp "$(dirname "$agent")/Lan/skin_En.ini" "$(dirname "$agent")/Lan/skin_Sp.ini" "$stage/Lan/"
[ "$signing" = yes ] && tools/installer/sign.sh "$stage/LT260Agent.exe"

rm -rf "$out"
mkdir -p "$out"
installer="LT260Agent-Setup-$version.exe"
tools/installer/build-installer.sh "$stage" "$version" "$out/$installer" ${icon:+"$icon"}

# The zip: entries in a fixed order with a fixed time and no extra
# attributes, so that it too depends only on the files.
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$build/package" && find "$package" | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$out/$package.zip")

(cd "$out" && sha256sum "$installer" "$package.zip" >SHA256SUMS)

echo "release: version $version, signed: $signing, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
echo "release: LT260Agent.exe $(stat -c %s "$stage/LT260Agent.exe") bytes (aim: at most 1048576)"
(cd "$out" && for file in "$installer" "$package.zip" SHA256SUMS; do
  printf 'release: %-34s %9d bytes\n' "$file" "$(stat -c %s "$file")"
done)
echo "release: wrote $out in $(($(date +%s) - started)) s"

#!/usr/bin/env bash
# What tools/release.sh promises, checked:
#   - two builds of the same sources in different folders, without the
#     compiler cache, give byte-identical LT260Agent.exe, installer, zip and
#     SHA256SUMS (SOURCE_DATE_EPOCH fixed, as release.sh fixes it);
#   - with a certificate and key given, the Agent in the zip and the
#     installer carry valid signatures (a throwaway self-signed certificate);
#     without them, none;
#   - the size of LT260Agent.exe, reported against its aim of 1 MiB.
#
#   tests/release/release-test.sh     (about two clean builds' time)
#
# Prints every check and the count; fails when a check fails or fewer ran than
# planned.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

source tests/support/checks.sh
checks_begin release-test 9
for program in openssl osslsigncode python3; do
  command -v "$program" >/dev/null || { echo "release-test: $program is missing" >&2; exit 2; }
done

mkdir -p "$root/build"
work=$(mktemp -d "$root/build/release-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1700000000

release() {  # release NAME [ENV...]: a release from build folder NAME into $work/NAME-out
  local name=$1 started
  shift
  started=$(date +%s)
  if ! env CCACHE_DISABLE=1 LT260_RELEASE_BUILD="$work/$name" LT260_RELEASE_OUT="$work/$name-out" \
      "$@" tools/release.sh >"$work/$name.log" 2>&1; then
    cat "$work/$name.log" >&2
    return 1
  fi
  echo "release-test: release '$name' took $(($(date +%s) - started)) s"
}
same() { cmp -s "$work/first-out/$1" "$work/$2-out/$1"; }

echo "release-test: two clean builds of the same sources"
check "the first release" release first
check "the second release, in another folder" release second-build
version=$(cat "$work/first/lt260-version.txt")
agent=src/platform/win32/LT260Agent.exe
check "LT260Agent.exe is byte-identical" cmp -s "$work/first/$agent" "$work/second-build/$agent"
check "the installer is byte-identical" same "LT260Agent-Setup-$version.exe" second-build
check "the zip and SHA256SUMS are byte-identical" \
  eval 'same "LT260Agent-$version.zip" second-build && same SHA256SUMS second-build'

zip_agent() {  # zip_agent ZIP OUT: the Agent out of a release zip
  python3 -c 'import sys, zipfile; open(sys.argv[3], "wb").write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' \
    "$1" "LT260Agent-$version/LT260Agent.exe" "$2"
}
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >>"$work/verify.log" 2>&1; }

echo "release-test: signing with a throwaway certificate"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=LT-260 release test" -addext "extendedKeyUsage=codeSigning" >"$work/openssl.log" 2>&1 \
  || { cat "$work/openssl.log" >&2; exit 1; }
# Signed a little after the certificate's start, so that it was valid then.
check "a signed release" release first SOURCE_DATE_EPOCH=$(($(date +%s) + 5)) \
  LT260_SIGN_CERT="$work/cert.pem" LT260_SIGN_KEY="$work/key.pem"
zip_agent "$work/first-out/LT260Agent-$version.zip" "$work/signed-agent.exe"
check "the Agent in the zip has a valid signature" verify "$work/signed-agent.exe"
check "the installer has a valid signature" verify "$work/first-out/LT260Agent-Setup-$version.exe"
zip_agent "$work/second-build-out/LT260Agent-$version.zip" "$work/unsigned-agent.exe"
check "an unsigned release carries no signature" eval '! verify "$work/unsigned-agent.exe"'

size=$(stat -c %s "$work/first/$agent")
echo "release-test: LT260Agent.exe is $size bytes; the aim is at most 1048576"
if ! checks_end; then
  [ -f "$work/verify.log" ] && cat "$work/verify.log" >&2
  exit 1
fi

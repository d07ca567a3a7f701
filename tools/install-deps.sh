#!/usr/bin/env bash
# Installs what building and testing need on Debian 12: compilers (g++, clang
# for the fuzzers, MinGW-w64 for Windows), CMake and Ninja, GoogleTest and
# Google Benchmark, Wine to run the Windows executables, libudev for the
# Linux HID backend and strace for measuring its idle wake-ups, and what a
# release needs: NSIS for the installer, osslsigncode and OpenSSL for signing, zip.
set -euo pipefail

packages=(
  build-essential cmake ninja-build python3 git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  nsis osslsigncode openssl zip
  libudev-dev pkg-config strace
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

#!/usr/bin/env bash
# Signs a Windows executable in place with osslsigncode (Authenticode, SHA-256).
#
#   LT260_SIGN_CERT=cert.pem LT260_SIGN_KEY=key.pem tools/installer/sign.sh FILE
#
# LT260_SIGN_PASS is the key's password, if it has one. LT260_SIGN_TIMESTAMP_URL
# names a time-stamping server; without one, SOURCE_DATE_EPOCH (when set) is
# the signing time, so that a signed build can be reproduced.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 FILE (an existing executable)" >&2
  exit 2
fi
: "${LT260_SIGN_CERT:?LT260_SIGN_CERT must name the signing certificate}"
: "${LT260_SIGN_KEY:?LT260_SIGN_KEY must name the private key of the certificate}"
for file in "$LT260_SIGN_CERT" "$LT260_SIGN_KEY"; do
  [ -f "$file" ] || { echo "$0: $file does not exist" >&2; exit 2; }
done
command -v osslsigncode >/dev/null || { echo "$0: osslsigncode is missing" >&2; exit 2; }

file=$1
options=(-h sha256 -n "LT-260 Agent" -certs "$LT260_SIGN_CERT" -key "$LT260_SIGN_KEY")
[ -n "${LT260_SIGN_PASS:-}" ] && options+=(-pass "$LT260_SIGN_PASS")
if [ -n "${LT260_SIGN_TIMESTAMP_URL:-}" ]; then
  options+=(-t "$LT260_SIGN_TIMESTAMP_URL")
elif [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  options+=(-time "$SOURCE_DATE_EPOCH")
fi
signed="$file.signing"
rm -f "$signed"
if ! osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >"$signed.log" 2>&1; then
  cat "$signed.log" >&2
  rm -f "$signed" "$signed.log"
  echo "$0: signing $file failed" >&2
  exit 1
fi
rm -f "$signed.log"
mv "$signed" "$file"
echo "sign: signed $file"

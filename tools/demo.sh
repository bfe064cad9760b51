#!/usr/bin/env bash
# The demo: shows the library at work. Called by "./run.sh demo" with the build folder.
# It starts pcscd with a simulated STARCOS 3.5 signature card, lists the readers and
# the card's certificates, verifies the PIN, signs a file's hash on the card and checks
# the signature with openssl against the card's certificate.
set -euo pipefail
BUILD=$(cd "${1:?build folder}" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
VNCARD=$BUILD/tools/vncard/vncard
STACK=$ROOT/tools/cardsim/pcsc-stack.sh
IMAGE=$ROOT/tools/cardsim/images/starcos35-a.card
IMAGE1=$ROOT/tools/cardsim/images/cardos50-dtrust.card
PIN=123456   # the PIN of the simulated card (its image says so)
WORK=$(mktemp -d /tmp/vn-demo.XXXXXX)
STATE=$WORK/stack

step() { printf '\n== %s\n' "$*"; }

echo "== library"
"$VNCARD" version
readelf -d "$BUILD/libvorncryptossl.so.2" | grep SONAME

echo "== configuration (settings.cfg in $ROOT/tools/demo)"
(cd "$ROOT/tools/demo" && "$VNCARD" config)

stop_stack() {
  "$STACK" stop --clean --state "$STATE" >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap stop_stack EXIT

step "starting the demo's own pcscd with the vpcd reader driver: a simulated STARCOS 3.5 card in reader 0, a CardOS 5.0 card in reader 1"
"$STACK" start --image0 "$IMAGE" --image1 "$IMAGE1" --pki "$BUILD/pki" --cardsim "$BUILD/tools/cardsim/cardsim" \
  --state "$STATE"
# The stack's pcscd is the demo's own; libpcsclite (vncard's, OpenSC's) finds it through its socket.
export "$("$STACK" env --state "$STATE")"

step "OpenSC's view of the readers and of the PKCS#15 card in reader 1"
opensc-tool -l
pkcs15-tool --reader 1 -c | grep -E "X.509|Path" || echo "(pkcs15-tool found no certificates)"

step "readers"
"$VNCARD" readers

step "certificates on the card"
"$VNCARD" certs --reader 0

step "the signature certificate (index 0) as PEM"
"$VNCARD" export --reader 0 --cert 0 --format pem --out "$WORK/signer.pem"
openssl x509 -in "$WORK/signer.pem" -noout -subject -issuer -enddate

step "verifying the PIN (given on standard input)"
echo "$PIN" | "$VNCARD" verify-pin --reader 0 --cert 0 --pin-from stdin

step "signing the SHA-256 hash of a file on the card"
printf 'Dies ist ein Dokument, das mit der Signaturkarte unterschrieben wird.\n' > "$WORK/document.txt"
echo "$PIN" | "$VNCARD" sign --reader 0 --cert 0 --algo sha256 --file "$WORK/document.txt" \
  --out "$WORK/document.sig" --pin-from stdin
echo "signature: $(od -An -tx1 -N16 "$WORK/document.sig" | tr -d ' \n')... ($(stat -c %s "$WORK/document.sig") bytes)"

step "checking the signature with openssl against the card's certificate"
openssl dgst -sha256 -binary "$WORK/document.txt" > "$WORK/document.sha256"
openssl pkeyutl -verify -certin -inkey "$WORK/signer.pem" -pkeyopt digest:sha256 \
  -in "$WORK/document.sha256" -sigfile "$WORK/document.sig"

step "done: the card signed and openssl verified the signature"

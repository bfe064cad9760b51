#!/usr/bin/env bash
# The demo: shows the library at work. Called by "./run.sh demo" with the build folder.
# It starts pcscd with a simulated STARCOS 3.5 signature card, lists the readers and
# the card's certificates, verifies the PIN, signs a file's hash on the card and checks
# the signature with openssl against the card's certificate. Then it signs a document on
# the card as CAdES signed data with a timestamp from the local timestamp service, shows
# the signature, and checks it with openssl cms and the timestamp with openssl ts.
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
TSA_PID=""

step() { printf '\n== %s\n' "$*"; }

echo "== library"
"$VNCARD" version
readelf -d "$BUILD/libvorncryptossl.so.2" | grep SONAME

echo "== configuration (settings.cfg in $ROOT/tools/demo)"
(cd "$ROOT/tools/demo" && "$VNCARD" config)

stop_stack() {
  [ -z "$TSA_PID" ] || { kill "$TSA_PID" 2>/dev/null || true; wait "$TSA_PID" 2>/dev/null || true; }
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

step "starting the local timestamp service (openssl ts behind HTTP on 127.0.0.1)"
python3 "$ROOT/tools/tsa/tsa-server.py" --pki "$BUILD/pki" --port 0 --port-file "$WORK/tsa.port" --lifetime 300 \
  >/dev/null &
TSA_PID=$!
for _ in $(seq 100); do [ -s "$WORK/tsa.port" ] && break; sleep 0.1; done
TSA="http://127.0.0.1:$(cat "$WORK/tsa.port")/"
echo "timestamp service: $TSA"

step "signing the document on the card as CAdES signed data with a timestamp"
echo "$PIN" | "$VNCARD" sign-doc --reader 0 --cert 0 --in "$WORK/document.txt" --out "$WORK/document.p7s" \
  --tsa "$TSA" --pin-from stdin

step "the signature as the tool shows it"
"$VNCARD" show-sig --in "$WORK/document.p7s"

step "checking the signed data with openssl cms against the test CA"
openssl cms -verify -binary -inform DER -in "$WORK/document.p7s" -content "$WORK/document.txt" \
  -CAfile "$BUILD/pki/chain.pem" -out /dev/null

step "checking the timestamp token with openssl ts (it covers the signature value)"
python3 "$ROOT/tools/demo/cms-token.py" "$WORK/document.p7s" "$WORK/token.der" "$WORK/signature.bin"
openssl ts -verify -token_in -in "$WORK/token.der" -data "$WORK/signature.bin" \
  -CAfile "$BUILD/pki/root-ca.pem" -untrusted "$BUILD/pki/chain.pem"
openssl ts -reply -token_in -in "$WORK/token.der" -token_out -text 2>/dev/null | grep -E "Time stamp:|TSA:" || true

step "verifying the signed data with vncard verify-doc (validation report, timestamp checked)"
"$VNCARD" verify-doc --sig "$WORK/document.p7s" --content "$WORK/document.txt" --ca-file "$BUILD/pki/chain.pem"

step "done: the card signed, the service timestamped, and openssl and vncard verified both"

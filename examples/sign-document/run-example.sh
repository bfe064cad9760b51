#!/usr/bin/env bash
# Runs the example host program on the simulated STARCOS 3.5 card with the local
# timestamp service, and checks its output with openssl.
#   run-example.sh BUILD-FOLDER
set -euo pipefail
BUILD=$(cd "${1:?build folder}" && pwd)
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
PKI=$BUILD/pki
WORK=$(mktemp -d /tmp/vn-example.XXXXXX)
STATE=$WORK/stack
TSA_PID=""
cleanup() {
  [ -z "$TSA_PID" ] || { kill "$TSA_PID" 2>/dev/null || true; wait "$TSA_PID" 2>/dev/null || true; }
  "$ROOT/tools/cardsim/pcsc-stack.sh" stop --clean --state "$STATE" >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

"$ROOT/tools/cardsim/pcsc-stack.sh" start --image0 "$ROOT/tools/cardsim/images/starcos35-a.card" --pki "$PKI" \
  --cardsim "$BUILD/tools/cardsim/cardsim" --state "$STATE" >/dev/null
# The stack's pcscd is this run's own; libpcsclite finds it through its socket.
export "$("$ROOT/tools/cardsim/pcsc-stack.sh" env --state "$STATE")"
python3 "$ROOT/tools/tsa/tsa-server.py" --pki "$PKI" --port 0 --port-file "$WORK/tsa.port" --lifetime 300 >/dev/null &
TSA_PID=$!
for _ in $(seq 100); do [ -s "$WORK/tsa.port" ] && break; sleep 0.1; done
URL="http://127.0.0.1:$(cat "$WORK/tsa.port")/"

printf 'Ein Dokument, vom Beispielprogramm signiert.\n' > "$WORK/document.txt"
echo 123456 | "$BUILD/examples/sign-document/sign_document" "$WORK/document.txt" "$WORK/document.p7s" "$URL"
openssl cms -verify -binary -inform DER -in "$WORK/document.p7s" -content "$WORK/document.txt" \
  -CAfile "$PKI/chain.pem" -out /dev/null
openssl cms -cmsout -print -inform DER -in "$WORK/document.p7s" | grep -q 'id-smime-aa-timeStampToken'
echo "example: signed, timestamped and verified"

# The verification example on a detached signature that openssl made with a key of the test PKI.
openssl cms -sign -binary -outform DER -in "$WORK/document.txt" -signer "$PKI/signer-rsa2048.pem" \
  -inkey "$PKI/signer-rsa2048.key" -certfile "$PKI/issuing-ca.pem" -out "$WORK/openssl.p7s"
"$BUILD/examples/verify-document/verify_document" "$WORK/openssl.p7s" "$WORK/document.txt" "$PKI/chain.pem"
printf 'a changed document\n' > "$WORK/changed.txt"
if "$BUILD/examples/verify-document/verify_document" "$WORK/openssl.p7s" "$WORK/changed.txt" "$PKI/chain.pem"; then
  echo "a changed document was accepted" >&2
  exit 1
fi
echo "example: verified, and a changed document refused"

#!/usr/bin/env bash
# The demo: shows the library at work. Called by "./run.sh demo" with the build folder.
set -euo pipefail
BUILD=${1:?build folder}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
VNCARD=$BUILD/tools/vncard/vncard

echo "== library"
"$VNCARD" version
readelf -d "$BUILD/libvorncryptossl.so.2" | grep SONAME

echo "== configuration (settings.cfg in $ROOT/tools/demo)"
cd "$ROOT/tools/demo"
"$VNCARD" config

echo "== card simulator: pcscd with the vpcd reader driver and two simulated cards"
STACK=$ROOT/tools/cardsim/pcsc-stack.sh
"$STACK" start --cardsim "$BUILD/tools/cardsim/cardsim" --pki "$BUILD/pki" --image0 cardos50-dtrust --image1 starcos35-a
trap '"$STACK" stop' EXIT
opensc-tool -l
echo "-- OpenSC's view of the PKCS#15 card in reader 0"
pkcs15-tool --reader 0 -c | grep -E "X.509|Path"

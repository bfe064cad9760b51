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

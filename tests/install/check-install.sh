#!/usr/bin/env bash
# Usage: check-install.sh BUILD_DIR HOST_SOURCE [EXTRA_CXXFLAGS]
set -euo pipefail
build=$1 host=$2 extra=${3:-}
prefix=$(mktemp -d /tmp/vn-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
lib=$(find "$prefix" -name libvorncryptossl.so.2.0.0 | head -1)
readelf -d "$lib" | grep -q 'SONAME.*\[libvorncryptossl.so.2\]' || { echo "SONAME missing"; exit 1; }
# Internal helpers stay hidden; interface symbols are exported.
nm -DC --defined-only "$lib" > "$prefix/symbols"
if grep -q 'vnLogger' "$prefix/symbols"; then echo "internal symbol exported"; exit 1; fi
grep -q 'CMsg::GetRessString' "$prefix/symbols" || { echo "interface symbol missing"; exit 1; }
pcdir=$(dirname "$(find "$prefix" -name vorncryptossl.pc | head -1)")
export PKG_CONFIG_PATH=$pcdir
c++ -std=c++17 $extra "$host" -o "$prefix/host" $(pkg-config --cflags --libs vorncryptossl)
out=$(LD_LIBRARY_PATH=$(dirname "$lib") "$prefix/host")
echo "$out"
[ "$out" = "2.0.0 Abbrechen" ]

#!/usr/bin/env bash
# Card commands from loading a PKCS#11 module to the list of all its objects, per card
# image, on the simulated stack: `vncard certs`, `pkcs11-tool -O` with this module, and
# `pkcs11-tool -O` with OpenSC's module where that one finds a token. Each program starts
# in a process of its own (no profile cache carried over); the commands are counted in
# the card simulator's transcript.
#
#   bench/pkcs11/command-counts.sh BUILD [IMAGE...]
#
# One row per image: "image vncard-certs=N module=N opensc=N" (opensc=- when OpenSC's
# module shows no objects of the card).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:?build folder}" && pwd)
shift
IMAGES=("$@")
[ ${#IMAGES[@]} -gt 0 ] || IMAGES=(starcos35-a starcos35-b cardos50-dtrust cardos54-dtrust cardos54-41-multi-ecc
                                   cardos44-dtrust smartcard-hsm-layout starcos30-signtrust starcos32-medisign
                                   starcos34-dtrust tcos20-telesec tcos30v2-esign)
MODULE=$BUILD/src/pkcs11/libvorncryptossl-pkcs11.so
OPENSC=${OPENSC_MODULE:-/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so}
STACK=$ROOT/tools/cardsim/pcsc-stack.sh
STATE=$(mktemp -d /tmp/vn-p11-counts.XXXXXX)
trap '"$STACK" stop --state "$STATE" --clean >/dev/null 2>&1; rm -rf "$STATE"' EXIT

commands() {
    local n
    n=$(grep -c '^>' "$STATE/transcript0.log" 2>/dev/null)
    echo "${n:-0}"
}

# Card commands a program sends; the program's output goes to $STATE/out.
count() {
    local before after
    before=$(commands)
    "$@" >"$STATE/out" 2>&1
    after=$(commands)
    echo $((after - before))
}

for image in "${IMAGES[@]}"; do
    "$STACK" stop --state "$STATE" >/dev/null 2>&1
    if ! "$STACK" start --image0 "$image" --state "$STATE" >/dev/null 2>&1; then
        echo "$image: the stack did not start"
        continue
    fi
    export $("$STACK" env --state "$STATE")
    vncard=$(count "$BUILD/tools/vncard/vncard" certs --reader 0)
    ours=$(count pkcs11-tool --module "$MODULE" -O)
    opensc=$(count pkcs11-tool --module "$OPENSC" --slot-index 0 -O)
    grep -q "Object;" "$STATE/out" || opensc=-
    [ -z "${KEEP_OUTPUT:-}" ] || cp "$STATE/out" "/tmp/vn-p11-counts-opensc-$image.txt"
    echo "$image vncard-certs=$vncard module=$ours opensc=$opensc"
done

#!/usr/bin/env bash
# Every card image with keys through the PKCS#11 module: p11-try.py (pkcs11-tool lists,
# logs in with the image's PINs, runs --test, signs with every key and mechanism, deciphers,
# and openssl checks every result) on a private stack per image, two at a time (JOBS=N).
# Each image's summary must equal its row in every-image.txt; the run fails on any other
# summary, on an image without a row, and on a row without an image run.
#
#   every-image.sh BUILD [IMAGE...]      default: every image of every-image.txt
set -uo pipefail
umask 077
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
BUILD=$(cd "${1:?build folder}" && pwd)
shift
TABLE=$HERE/every-image.txt
JOBS=${JOBS:-2}
if [ $# -eq 0 ]; then
  set -- $(grep -v '^#' "$TABLE" | awk 'NF { print $1 }')
fi

one() {  # one IMAGE: prints "IMAGE tokens=... failures=F"
  local image=$1 work
  work=$(mktemp -d "/tmp/vn-p11-every-$image.XXXXXX")
  if ! "$ROOT/tools/cardsim/pcsc-stack.sh" start --state "$work/stack" \
       --image0 "$ROOT/tools/cardsim/images/$image.card" --pki "$BUILD/pki" \
       --cardsim "$BUILD/tools/cardsim/cardsim" >"$work/start.log" 2>&1; then
    echo "$image stack-did-not-start"
  else
    # pkcs11-tool's fork and thread tests are the module's, not the card's: the
    # parameterised module test runs them.
    PCSCLITE_CSOCK_NAME=$work/stack/run/pcscd.comm P11_THREADS=0 timeout 600 \
      python3 "$HERE/p11-try.py" "$BUILD/src/pkcs11/libvorncryptossl-pkcs11.so" \
      "$ROOT/tools/cardsim/images/$image.card" "$work/try" >"$work/try.log" 2>&1
    local summary
    summary=$(grep '^SUMMARY' "$work/try.log" | sed 's/^SUMMARY //')
    echo "$image ${summary:-no-summary}"
    grep '^FAIL' "$work/try.log" | head -5 | sed "s/^/  $image: /" >&2
  fi
  "$ROOT/tools/cardsim/pcsc-stack.sh" stop --clean --state "$work/stack" >/dev/null 2>&1
  rm -rf "$work"
}
export -f one
export ROOT BUILD HERE

RESULTS=$(mktemp /tmp/vn-p11-every.XXXXXX)
printf '%s\n' "$@" | xargs -P "$JOBS" -I{} bash -c 'one "$1"' _ {} | sort >"$RESULTS"
status=0
while read -r image rest; do
  want=$(grep -v '^#' "$TABLE" | awk -v i="$image" '$1 == i { $1 = ""; sub(/^ /, ""); print }')
  if [ -z "$want" ]; then
    echo "NO ROW  $image $rest"
    status=1
  elif [ "$want" != "$rest" ]; then
    echo "DIFFERS $image: $rest (row: $want)"
    status=1
  else
    echo "ok      $image $rest"
  fi
done <"$RESULTS"
[ "$(wc -l <"$RESULTS")" -eq $# ] || { echo "images run: $(wc -l <"$RESULTS") of $#"; status=1; }
rm -f "$RESULTS"
exit $status

#!/usr/bin/env bash
# Counts the card commands of a first certificate listing per card image: "vncard certs"
# against OpenSC's "pkcs15-tool -c", each on a freshly inserted card of a private stack.
#
#   count-listing.sh BUILD [IMAGE...]     default: every image of tools/cardsim/images
#
# One line per image, then a summary:
#   IMAGE  ours=N  certs=C  opensc=M  opensc-certs=D  [over]
# (N commands and C certificates of "vncard certs --reader 0", M commands and D
# certificates of "pkcs15-tool --reader 0 -c"; opensc=- when pkcs15-tool lists no
# certificate; "over" marks an image both read on which the listing sent more).
# Images run two at a time (JOBS=N to change). Exit 1 when any image is over.
set -uo pipefail
umask 077
BUILD=$(cd "${1:?build folder}" && pwd)
shift
HERE=$(cd "$(dirname "$0")" && pwd)
STACK=$HERE/pcsc-stack.sh
VNCARD=$BUILD/tools/vncard/vncard
JOBS=${JOBS:-2}

commands() { grep -c '^> ' "$1" 2>/dev/null || true; }

count_one() {  # count_one IMAGE: prints the image's line
  local image=$1 name work state t before ours certs opensc ocerts over=""
  name=$(basename "$image" .card)
  work=$(mktemp -d "/tmp/vn-count-$name.XXXXXX")
  state=$work/stack
  if ! "$STACK" start --state "$state" --image0 "$image" --pki "$BUILD/pki" \
       --cardsim "$BUILD/tools/cardsim/cardsim" >"$work/start.log" 2>&1; then
    printf '%-30s stack did not start\n' "$name"
    "$STACK" stop --clean --state "$state" >/dev/null 2>&1
    rm -rf "$work"
    return
  fi
  export PCSCLITE_CSOCK_NAME=$state/run/pcscd.comm
  t=$state/transcript0.log
  before=$(commands "$t")
  timeout 120 "$VNCARD" certs --reader 0 --json >"$work/certs.json" 2>/dev/null
  ours=$(($(commands "$t") - before))
  certs=$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1])).get("certificates", [])))' \
            "$work/certs.json" 2>/dev/null || echo 0)
  # pkcs15-tool on the card as it is after a new insertion, as the listing had it
  "$STACK" remove 0 --state "$state" >/dev/null 2>&1
  "$STACK" insert 0 --state "$state" >/dev/null 2>&1
  before=$(commands "$t")
  timeout 120 pkcs15-tool --reader 0 -c >"$work/opensc.out" 2>&1
  opensc=$(($(commands "$t") - before))
  ocerts=$(grep -c 'X.509 Certificate' "$work/opensc.out" || true)
  if [ "$ocerts" = 0 ]; then
    opensc=-
  elif [ "$certs" -gt 0 ] && [ "$ours" -gt "$opensc" ]; then
    over=" over"
  fi
  printf '%-30s ours=%d certs=%d opensc=%s opensc-certs=%d%s\n' "$name" "$ours" "$certs" "$opensc" "$ocerts" "$over"
  "$STACK" stop --clean --state "$state" >/dev/null 2>&1
  rm -rf "$work"
}

if [ $# -eq 0 ]; then set -- "$HERE"/images/*.card; fi
export -f count_one commands
export STACK VNCARD BUILD
RESULTS=$(mktemp /tmp/vn-count-listing.XXXXXX)
printf '%s\n' "$@" | xargs -P "$JOBS" -I{} bash -c 'count_one "$1"' _ {} | sort | tee "$RESULTS"
awk '{ n++; if ($4 != "opensc=-") { both++; split($2, a, "="); split($4, b, "="); ours += a[2]; theirs += b[2] }
       if ($NF == "over") over++ }
     END { printf "images %d, read by both %d (commands %d against %d), over %d\n", n, both, ours, theirs, over; exit over > 0 }' \
  "$RESULTS"
status=$?
rm -f "$RESULTS"
exit $status

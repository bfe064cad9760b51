#!/usr/bin/env bash
# Tries card images as a user of vncard would: for each image a private stack, then
# "vncard certs --json" (which carries every certificate), and for every certificate "vncard sign" (the PINs of the image tried
# in turn) and "openssl pkeyutl -verify" of the signature against the certificate; for
# every RSA certificate whose key usage names keyEncipherment or dataEncipherment (or that
# has no key usage while the image marks its key for decipherment, decipher-alg), a block
# enciphered by "openssl pkeyutl -encrypt" with the certificate is given to
# "vncard decrypt", which must give back the plaintext. Images whose card signs only under
# secure messaging (option sm-auth-key) get the card's public key by --card-key, as a host
# that knows it from the card's issuer does.
#
#   try-images.sh [--check] BUILD [IMAGE...]     default: every image of tools/cardsim/images
#
# One line per image and a summary:
#   IMAGE  certs=N  signed=S/K  verified=V/S  deciphered=D/E  [notes]
# (N certificates listed, K of them with their key on the card, S signed, V verified,
# E of the K for encipherment, D of them deciphered back to the plaintext).
# Images run two at a time (JOBS=N to change), each on its own stack.
# With --check the run fails (exit 1) when an image lists fewer certificates, has fewer
# keys, signs or verifies fewer signatures, or deciphers fewer blocks than the "Lists",
# "Signs" and "Deciphers" columns of its row in the README's image table promise, or when
# an image has no row.
set -uo pipefail
umask 077
CHECK=0
if [ "${1:-}" = --check ]; then
  CHECK=1
  shift
fi
BUILD=$(cd "${1:?build folder}" && pwd)
shift
HERE=$(cd "$(dirname "$0")" && pwd)
STACK=$HERE/pcsc-stack.sh
VNCARD=$BUILD/tools/vncard/vncard
JOBS=${JOBS:-2}

raw_to_der() {  # raw_to_der RAW DER: ECDSA r||s as the DER SEQUENCE openssl verifies
  python3 - "$1" "$2" <<'PY'
import sys
raw = open(sys.argv[1], "rb").read()
def integer(b):
    b = b.lstrip(b"\0") or b"\0"
    if b[0] & 0x80: b = b"\0" + b
    return b"\x02" + bytes([len(b)]) + b
h = len(raw) // 2
body = integer(raw[:h]) + integer(raw[h:])
open(sys.argv[2], "wb").write(b"\x30" + (bytes([len(body)]) if len(body) < 128 else b"\x81" + bytes([len(body)])) + body)
PY
}

split_certs() {  # split_certs JSON DIR: writes DIR/cert<index>.pem, prints the number of certificates
  python3 - "$1" "$2" <<'PY'
import json, sys
certs = json.load(open(sys.argv[1])).get("certificates", [])
for c in certs:
    if c.get("pem"):
        open("%s/cert%d.pem" % (sys.argv[2], c["index"]), "w").write(c["pem"])
print(len(certs))
PY
}

try_one() {  # try_one IMAGE: prints the image's line
  local image=$1 name work state n i pin key keys=0 signed=0 verified=0 dkeys=0 deciphered=0 notes="" cardkey=()
  name=$(basename "$image" .card)
  work=$(mktemp -d "/tmp/vn-try-$name.XXXXXX")
  state=$work/stack
  if ! "$STACK" start --state "$state" --image0 "$image" --pki "$BUILD/pki" \
       --cardsim "$BUILD/tools/cardsim/cardsim" >"$work/start.log" 2>&1; then
    printf '%-34s stack did not start\n' "$name"
    "$STACK" stop --clean --state "$state" >/dev/null 2>&1
    rm -rf "$work"
    return
  fi
  export PCSCLITE_CSOCK_NAME=$state/run/pcscd.comm
  "$VNCARD" certs --reader 0 --json >"$work/certs.json" 2>"$work/certs.err"
  # The number of certificates; each certificate as cert<index>.pem from the same listing.
  n=$(split_certs "$work/certs.json" "$work" 2>/dev/null || echo 0)
  # PIN values of the image, most used first; public keys of its private keys
  mapfile -t pins < <(awk '/^\[/ { inpin = ($1 == "[pin") } inpin && $1 == "value" { print $3 }' "$image" |
                      sort | uniq -c | sort -rn | awk '{print $2}')
  : >"$work/keys.pub"
  for key in $(awk '/^\[/ { inkey = ($1 == "[key") } inkey && $1 == "private" { print $3 }' "$image"); do
    openssl pkey -in "$BUILD/pki/$key" -pubout 2>/dev/null >>"$work/keys.pub"
  done
  # Public keys of the image's keys marked for decipherment (decipher-alg).
  : >"$work/decipher.pub"
  for key in $(awk '/^\[/ { if (inkey && file != "" && dec) print file; inkey = ($1 == "[key"); file = ""; dec = 0 }
                    inkey && $1 == "private" { file = $3 } inkey && $1 == "decipher-alg" { dec = 1 }
                    END { if (inkey && file != "" && dec) print file }' "$image"); do
    openssl pkey -in "$BUILD/pki/$key" -pubout 2>/dev/null >>"$work/decipher.pub"
  done
  # The card's public authentication key, for a card that signs under secure messaging.
  local smkey
  smkey=$(awk '$1 == "option.sm-auth-key" { print $3 }' "$image")
  if [ -n "$smkey" ]; then
    key=$(awk -v ref="$smkey" '/^\[/ { inkey = ($1 == "[key" && toupper($3) == toupper(ref "]")) }
                               inkey && $1 == "private" { print $3; exit }' "$image")
    if [ -n "$key" ] && openssl pkey -in "$BUILD/pki/$key" -pubout -out "$work/card-key.pem" 2>/dev/null; then
      cardkey=(--card-key "$work/card-key.pem")
    fi
  fi
  printf 'vorn cardsim image test document %s\n' "$name" >"$work/doc.txt"
  openssl dgst -sha256 -binary "$work/doc.txt" >"$work/doc.sha256"
  for ((i = 0; i < n; i++)); do
    openssl x509 -in "$work/cert$i.pem" -pubkey -noout >"$work/cert$i.pub" 2>/dev/null
    if ! [ -s "$work/cert$i.pub" ] || ! grep -qFf <(sed -n 2p "$work/cert$i.pub") "$work/keys.pub"; then
      continue   # no key of this certificate on the card
    fi
    keys=$((keys + 1))
    local ok=0 last=""
    for pin in "${pins[@]}"; do
      if printf '%s\n' "$pin" | "$VNCARD" sign --reader 0 --cert "$i" --algo sha256 --file "$work/doc.txt" \
           --out "$work/sig$i" "${cardkey[@]}" --pin-from stdin >"$work/sign$i.out" 2>&1 && [ -s "$work/sig$i" ]; then
        ok=1
        break
      fi
      last=$(tr '\n' ' ' <"$work/sign$i.out" | cut -c1-70)
      grep -qi "wrong PIN\|PIN verification failed\|incorrect" "$work/sign$i.out" || break
    done
    if [ "$ok" = 1 ]; then
      signed=$((signed + 1))
      if openssl pkeyutl -verify -certin -inkey "$work/cert$i.pem" -pkeyopt digest:sha256 \
           -in "$work/doc.sha256" -sigfile "$work/sig$i" >/dev/null 2>&1 ||
         { grep -q "^-----BEGIN PUBLIC KEY" "$work/cert$i.pub" && openssl pkey -pubin -in "$work/cert$i.pub" -noout -text 2>/dev/null | grep -q "ASN1 OID\|prime" &&
           raw_to_der "$work/sig$i" "$work/sig$i.der" &&
           openssl pkeyutl -verify -certin -inkey "$work/cert$i.pem" -in "$work/doc.sha256" \
             -sigfile "$work/sig$i.der" >/dev/null 2>&1; }; then
        verified=$((verified + 1))
      elif openssl pkeyutl -verify -certin -inkey "$work/cert$i.pem" -pkeyopt digest:sha256 \
           -pkeyopt rsa_padding_mode:pss -in "$work/doc.sha256" -sigfile "$work/sig$i" >/dev/null 2>&1; then
        notes+=" cert$i:PSS-without-asking"
      else
        notes+=" cert$i:not-verified"
      fi
    else
      notes+=" cert$i:${last:-no signature}"
    fi
    # Decipherment with the keys whose certificate is for encipherment, or has no key usage
    # while the image marks its key for decipherment (RSA only).
    local usage
    usage=$(openssl x509 -in "$work/cert$i.pem" -noout -ext keyUsage 2>/dev/null)
    if openssl x509 -in "$work/cert$i.pem" -noout -text 2>/dev/null | grep -q "rsaEncryption" &&
       { grep -q "Key Encipherment\|Data Encipherment" <<<"$usage" ||
         { [ -z "$usage" ] && grep -qFf <(sed -n 2p "$work/cert$i.pub") "$work/decipher.pub"; }; }; then
      dkeys=$((dkeys + 1))
      openssl rand -out "$work/plain$i" 24 2>/dev/null
      local dok=0 dlast="" dpin
      if openssl pkeyutl -encrypt -certin -inkey "$work/cert$i.pem" -in "$work/plain$i" -out "$work/enc$i" 2>/dev/null; then
        [ "$ok" = 1 ] && set -- "$pin" "${pins[@]}" || set -- "${pins[@]}"
        for dpin in "$@"; do
          if printf '%s\n' "$dpin" | "$VNCARD" decrypt --reader 0 --cert "$i" --in "$work/enc$i" --out "$work/dec$i" \
               "${cardkey[@]}" --pin-from stdin >"$work/decrypt$i.out" 2>&1 && cmp -s "$work/plain$i" "$work/dec$i"; then
            dok=1
            break
          fi
          dlast=$(tr '\n' ' ' <"$work/decrypt$i.out" | cut -c1-70)
          grep -qi "wrong PIN\|PIN verification failed\|incorrect" "$work/decrypt$i.out" || break
        done
      fi
      if [ "$dok" = 1 ]; then
        deciphered=$((deciphered + 1))
      else
        notes+=" cert$i-decrypt:${dlast:-not deciphered}"
      fi
    fi
  done
  [ "$n" = 0 ] && notes+=" $(tr '\n' ' ' <"$work/certs.err" | cut -c1-80)"
  printf '%-34s certs=%d signed=%d/%d verified=%d/%d deciphered=%d/%d %s\n' "$name" "$n" "$signed" "$keys" "$verified" \
    "$signed" "$deciphered" "$dkeys" "$notes"
  "$STACK" stop --clean --state "$state" >/dev/null 2>&1
  rm -rf "$work"
}

if [ $# -eq 0 ]; then set -- "$HERE"/images/*.card; fi
export -f try_one raw_to_der split_certs
export STACK VNCARD BUILD HERE
RESULTS=$(mktemp /tmp/vn-try-images.XXXXXX)
printf '%s\n' "$@" | xargs -P "$JOBS" -I{} bash -c 'try_one "$1"' _ {} | sort | tee "$RESULTS"
awk '{ n++; if ($2 ~ /^certs=[1-9]/) listed++; split($3, s, "[=/]"); if (s[3] > 0) { keys++; if (s[2] == s[3]) all++ }
       split($4, v, "[=/]"); ver += v[2]; sig += v[3]; split($5, d, "[=/]"); dec += d[2]; dk += d[3] }
     END { printf "images %d, listing certificates %d, with keys %d, signing with every key %d, signatures verified %d of %d, blocks deciphered %d of %d\n",
           n, listed, keys, all, ver, sig, dec, dk }' "$RESULTS"
status=0
if [ "$CHECK" = 1 ]; then
  # README rows: | `name` | dialect | keys | lists | signs S/K | deciphers D/E | what it is |
  awk -F'|' 'NR == FNR { if ($2 ~ /^ `[^`]+` $/) { name = $2; gsub(/[ `]/, "", name); lists[name] = $5 + 0;
                             split($6, w, "/"); signs[name] = w[1] + 0; keys[name] = w[2] + 0
                             split($7, x, "/"); decs[name] = x[1] + 0; dkeys[name] = x[2] + 0 } next }
             { split($0, f, /[ \t]+/); name = f[1]
               split(f[2], c, "="); split(f[3], s, "[=/]"); split(f[4], v, "[=/]"); split(f[5], d, "[=/]")
               if (!(name in lists)) { print "no row in the README: " name; bad++; next }
               if (c[2] < lists[name] || s[3] < keys[name] || s[2] < signs[name] || v[2] < s[2] ||
                   d[3] < dkeys[name] || d[2] < decs[name]) {
                 printf "worse than its row (lists %d, signs %d/%d, deciphers %d/%d): %s\n", lists[name], signs[name],
                        keys[name], decs[name], dkeys[name], $0; bad++ } }
             END { exit bad > 0 }' "$HERE/README.md" "$RESULTS" || status=1
fi
rm -f "$RESULTS"
exit $status

#!/usr/bin/env bash
# PKI and signatures of the validation report tests, made at test time with the openssl
# command (and faketime for signatures made in the past).
#   make-report-cases.sh pki OUT HTTPPORT
#       root and issuing CA, signers (RSA, EC, expired, revoked for keyCompromise, one the
#       OCSP responder does not know), a TSA with a critical and one with a non-critical
#       extended key usage, an OCSP responder, a foreign root with its signer, the issuing
#       CA's CRL, and the signatures over content.txt.
#   make-report-cases.sh token OUT DATAFILE TIME TSA TOKENOUT
#       a timestamp token over DATAFILE made by the TSA (tsa or tsaweak) at TIME
#       ("now" or a faketime time such as "2023-06-01 12:00:00").
# Known times (UTC): every certificate is valid from 2020-01-01 to 2040-01-01 except the
# expired signer (to 2024-01-01); signatures "made in the past" claim 2023-06-01 12:00:00;
# the revoked signer is revoked (keyCompromise) at 2025-01-01 00:00:00 and signs once more,
# by its own claim, at 2025-06-01.
set -euo pipefail
export OPENSSL_CONF=/dev/null
MODE=$1
OUT=$2
PAST="2023-06-01 12:00:00"
REVOKED_AT="2025-01-01 00:00:00"
AFTER_REVOCATION="2025-06-01 00:00:00"

if [ "$MODE" = token ]; then
  DATA=$3; WHEN=$4; SIGNER=$5; TOKEN=$6
  # openssl ts -reply will not sign with a TSA certificate whose usage is not critical: the
  # TSA's TSTInfo is signed again with openssl cms for that one.
  TSA=tsa
  cd "$OUT"
  q=$(mktemp -p "$OUT" q.XXXXXX)
  openssl ts -query -data "$DATA" -sha256 -cert -no_nonce -out "$q" 2>/dev/null
  cat > "$TSA-ts.cnf" <<EOC
[tsa]
default_tsa = tsa_config
[tsa_config]
serial = $OUT/$TSA.serial
crypto_device = builtin
signer_cert = $OUT/$TSA.pem
certs = $OUT/chain.pem
signer_key = $OUT/$TSA.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ordering = no
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOC
  [ -f "$TSA.serial" ] || echo 01 > "$TSA.serial"
  if [ "$WHEN" = now ]; then
    openssl ts -reply -queryfile "$q" -config "$TSA-ts.cnf" -token_out -out "$TOKEN" 2>/dev/null
  else
    FAKETIME_DONT_FAKE_MONOTONIC=1 faketime "$WHEN" \
      openssl ts -reply -queryfile "$q" -config "$TSA-ts.cnf" -token_out -out "$TOKEN" 2>/dev/null
  fi
  rm -f "$q"
  if [ "$SIGNER" != tsa ]; then
    openssl cms -verify -noverify -binary -inform DER -in "$TOKEN" -out "$TOKEN.tst" 2>/dev/null
    openssl cms -sign -nodetach -binary -md sha256 -econtent_type 1.2.840.113549.1.9.16.1.4 -in "$TOKEN.tst" \
      -signer "$SIGNER.pem" -inkey "$SIGNER.key" -certfile chain.pem -outform DER -out "$TOKEN" 2>/dev/null
    rm -f "$TOKEN.tst"
  fi
  exit 0
fi

HTTPPORT=$3
mkdir -p "$OUT"
cd "$OUT"
START=20200101000000Z
END=20400101000000Z

# One folder per CA so that each CRL lists only its own certificates.
ca_config() {  # NAME
  mkdir -p "db-$1"
  touch "db-$1/index.txt"
  [ -f "db-$1/serial" ] || openssl rand -hex 8 > "db-$1/serial"
  [ -f "db-$1/crlnumber" ] || echo 01 > "db-$1/crlnumber"
  cat > "$1.cnf" <<EOC
[ca]
default_ca = issue
[issue]
database = db-$1/index.txt
new_certs_dir = db-$1
serial = db-$1/serial
crlnumber = db-$1/crlnumber
default_md = sha256
default_crl_days = 3650
policy = any
unique_subject = no
copy_extensions = none
[any]
commonName = supplied
[root]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[inter]
basicConstraints = critical,CA:true,pathlen:0
keyUsage = critical,keyCertSign,cRLSign,digitalSignature
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[sign]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation,digitalSignature
extendedKeyUsage = emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:http://127.0.0.1:$HTTPPORT/inter.crl
[sign_nocrl]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation,digitalSignature
subjectKeyIdentifier = hash
crlDistributionPoints = URI:http://127.0.0.1:$HTTPPORT/missing.crl,URI:http://127.0.0.1:1/inter.crl
[tsa]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,timeStamping
[tsaweak]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = timeStamping
[ocsp]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,OCSPSigning
EOC
}

key() {  # NAME [ec]
  if [ "${2:-}" = ec ]; then
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null
  else
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null
  fi
}

issue() {  # NAME CN EXTENSIONS ISSUER [END] [ec]
  key "$1" "${6:-}"
  openssl req -new -key "$1.key" -subj "/CN=$2" -out "$1.csr" 2>/dev/null
  if [ "$4" = self ]; then
    ca_config "$1"
    openssl ca -batch -config "$1.cnf" -selfsign -keyfile "$1.key" -extensions "$3" -startdate $START \
      -enddate "${5:-$END}" -in "$1.csr" -out "$1.pem" -notext 2>/dev/null
  else
    openssl ca -batch -config "$4.cnf" -cert "$4.pem" -keyfile "$4.key" -extensions "$3" -startdate $START \
      -enddate "${5:-$END}" -in "$1.csr" -out "$1.pem" -notext 2>/dev/null
  fi
}

issue root "Report Root CA" root self
issue inter "Report Issuing CA" inter root
ca_config inter
issue foreignroot "Foreign Root CA" root self
ca_config foreignroot
issue foreign "Foreign Signer" sign foreignroot
for s in signer signer2 expired revoked ghost; do
  end=$END
  [ $s = expired ] && end=20240101000000Z
  issue $s "Report $s" sign inter $end
done
issue ecsigner "Report EC signer" sign inter "" ec
issue nocrl "Report signer without CRL" sign_nocrl inter
issue tsa "Report TSA" tsa inter
issue tsaweak "Report TSA with a non-critical usage" tsaweak inter
issue ocsp "Report OCSP responder" ocsp inter

# The OCSP responder's index lacks the ghost signer, so that it answers "unknown" for it.
FAKETIME_DONT_FAKE_MONOTONIC=1 faketime "$REVOKED_AT" openssl ca -batch -config inter.cnf -cert inter.pem \
  -keyfile inter.key -revoke revoked.pem -crl_reason keyCompromise 2>/dev/null
ghost=$(openssl x509 -in ghost.pem -noout -serial | cut -d= -f2)
grep -v "	$ghost	" db-inter/index.txt > ocsp-index.txt
mkdir -p crls
openssl ca -batch -config inter.cnf -cert inter.pem -keyfile inter.key -gencrl -out inter.crl.pem 2>/dev/null
openssl crl -in inter.crl.pem -outform DER -out crls/inter.crl
cp root.pem cafile.pem
cat inter.pem root.pem > chain.pem
mkdir -p tsapki
cp tsa.pem tsa.key chain.pem tsapki/
openssl pkcs12 -export -in signer.pem -inkey signer.key -certfile inter.pem -passout pass:1234 -out signer.p12 \
  2>/dev/null
openssl pkcs12 -export -in ecsigner.pem -inkey ecsigner.key -certfile inter.pem -passout pass:1234 -out ecsigner.p12 \
  2>/dev/null

printf 'The report tests sign this text.\r\nA second line.\r\n' > content.txt
printf 'The report tests sign this text.\r\nA second lime.\r\n' > tampered.txt

# WHEN set: signed at that (fake) time.
sign() {  # OUT SIGNER [openssl cms options...]
  local out=$1 signer=$2 pre=()
  shift 2
  [ -n "${WHEN:-}" ] && pre=(env FAKETIME_DONT_FAKE_MONOTONIC=1 faketime "$WHEN")
  "${pre[@]}" openssl cms -sign -binary -md sha256 -in content.txt -signer "$signer.pem" -inkey "$signer.key" "$@" -out "$out" \
    2>/dev/null
}
sign good.p7s signer -certfile inter.pem -outform DER
sign pss.p7s signer -certfile inter.pem -outform DER -keyopt rsa_padding_mode:pss
sign keyid.p7s signer -certfile inter.pem -outform DER -keyid
sign pem.p7s signer -certfile inter.pem -outform PEM
sign smime.txt signer -certfile inter.pem -outform SMIME
sign opaque.txt signer -certfile inter.pem -outform SMIME -nodetach
sign ec.p7s ecsigner -certfile inter.pem -outform DER
sign nointer.p7s signer -outform DER
sign foreign.p7s foreign -certfile foreignroot.pem -outform DER
sign bytsa.p7s tsa -certfile inter.pem -outform DER
sign byocsp.p7s ocsp -certfile inter.pem -outform DER
sign byca.p7s inter -outform DER
sign ghost.p7s ghost -certfile inter.pem -outform DER
sign nocrl.p7s nocrl -certfile inter.pem -outform DER
sign nocert.p7s signer -certfile inter.pem -outform DER -nocerts
openssl cms -sign -binary -md sha256 -in content.txt -signer signer.pem -inkey signer.key -signer signer2.pem \
  -inkey signer2.key -certfile inter.pem -outform DER -out multi.p7s 2>/dev/null
openssl cms -sign -binary -md sha256 -in content.txt -signer signer.pem -inkey signer.key -signer tsa.pem \
  -inkey tsa.key -certfile inter.pem -outform DER -out multibad.p7s 2>/dev/null
# Signed in the past: the signing time claims 2023-06-01.
WHEN=$PAST sign expired-past.p7s expired -certfile inter.pem -outform DER
WHEN=$PAST sign revoked-past.p7s revoked -certfile inter.pem -outform DER
WHEN=$PAST sign signer-past.p7s signer -certfile inter.pem -outform DER
WHEN=$AFTER_REVOCATION sign revoked-after.p7s revoked -certfile inter.pem -outform DER

#!/usr/bin/env bash
# PKI of the long-term signature tests, made at test time with the openssl command.
#   make-lt-pki.sh cas OUT HTTPPORT
#   make-lt-pki.sh leaves OUT HTTPPORT OCSPPORT
# (the OCSP responder is started between the two, on the issuing CA's index, so that the
# leaves can name the port it got)
# A root and an issuing CA; a signer and a timestamp authority under the issuing CA that
# name a CRL (http://127.0.0.1:HTTPPORT/inter.crl) and an OCSP responder
# (http://127.0.0.1:OCSPPORT/); the issuing CA names the root's CRL (root.crl); an OCSP
# responder certificate with id-pkix-ocsp-nocheck; a foreign root with its own CRL; the
# signer's PKCS#12 file (password 1234); content.txt and a signature of it made by
# `openssl cms -sign` (plain.p7s, B-B with signing-certificate-v2); a signer and a TSA whose
# certificates end a day after the PKI is made (plain-short.p7s by that signer), and a TSA
# for archive timestamps. The other certificates are valid from 2020-01-01 to 2040-01-01.
set -euo pipefail
export OPENSSL_CONF=/dev/null
MODE=$1
OUT=$2
HTTPPORT=$3
OCSPPORT=${4:-0}
mkdir -p "$OUT"
cd "$OUT"
# Every name carries a tag of this PKI, so that answers of another run's peers never pass as ours.
[ -f run.tag ] || openssl rand -hex 4 > run.tag
START=20200101000000Z
END=20400101000000Z

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
crlDistributionPoints = URI:http://127.0.0.1:$HTTPPORT/root.crl
[sign]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation,digitalSignature
extendedKeyUsage = emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:http://127.0.0.1:$HTTPPORT/inter.crl
authorityInfoAccess = OCSP;URI:http://127.0.0.1:$OCSPPORT/
[tsa]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:http://127.0.0.1:$HTTPPORT/inter.crl
authorityInfoAccess = OCSP;URI:http://127.0.0.1:$OCSPPORT/
[ocsp]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,OCSPSigning
noCheck = ignored
EOC
}

issue() {  # NAME CN EXTENSIONS ISSUER [END]
  local cn="$2 $(cat run.tag)"
  openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null
  openssl req -new -key "$1.key" -subj "/CN=$cn" -out "$1.csr" 2>/dev/null
  if [ "$4" = self ]; then
    ca_config "$1"
    openssl ca -batch -config "$1.cnf" -selfsign -keyfile "$1.key" -extensions "$3" -startdate $START \
      -enddate $END -in "$1.csr" -out "$1.pem" -notext 2>/dev/null
  else
    openssl ca -batch -config "$4.cnf" -cert "$4.pem" -keyfile "$4.key" -extensions "$3" -startdate $START \
      -enddate "${5:-$END}" -in "$1.csr" -out "$1.pem" -notext 2>/dev/null
  fi
}

crl() {  # CA
  openssl ca -batch -config "$1.cnf" -cert "$1.pem" -keyfile "$1.key" -gencrl -out "$1.crl.pem" 2>/dev/null
  openssl crl -in "$1.crl.pem" -outform DER -out "$1.crl"
}

if [ "$MODE" = cas ]; then
  issue root "LT Root CA" root self
  issue inter "LT Issuing CA" inter root
  ca_config inter
  issue ocsp "LT OCSP responder" ocsp inter
  issue foreignroot "LT Foreign Root CA" root self
  exit 0
fi
ca_config root
ca_config inter
ca_config foreignroot
issue signer "LT Signer" sign inter
issue tsa "LT TSA" tsa inter
# Short-lived: a signer and a TSA whose certificates end a day from now, and a TSA for the
# archive timestamps that outlives them (each TSA in a folder of its own for tsa-server.py).
SHORT_END=$(date -u -d '+1 day' +%Y%m%d%H%M%SZ)
issue shortsigner "LT Short-lived Signer" sign inter "$SHORT_END"
issue shorttsa "LT Short-lived TSA" tsa inter "$SHORT_END"
issue archivetsa "LT Archive TSA" tsa inter
crl root
crl inter
crl foreignroot
cp root.pem cafile.pem
openssl x509 -in inter.pem -outform DER -out inter.der
cat inter.pem root.pem > chain.pem
openssl pkcs12 -export -in signer.pem -inkey signer.key -certfile inter.pem -passout pass:1234 -out signer.p12 \
  2>/dev/null
for t in shorttsa archivetsa; do
  mkdir -p "tsa-$t"
  cp "$t.pem" "tsa-$t/tsa.pem"
  cp "$t.key" "tsa-$t/tsa.key"
  cat inter.pem root.pem > "tsa-$t/chain.pem"
done
printf 'The long-term tests sign this text.\r\n' > content.txt
openssl cms -sign -binary -md sha256 -in content.txt -signer signer.pem -inkey signer.key -certfile inter.pem \
  -outform DER -out plain.p7s 2>/dev/null
openssl cms -sign -binary -md sha256 -in content.txt -signer shortsigner.pem -inkey shortsigner.key \
  -certfile inter.pem -outform DER -out plain-short.p7s 2>/dev/null

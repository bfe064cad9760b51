#!/usr/bin/env bash
# Test PKI of the verification tests, made with the openssl command.
#   make-verify-pki.sh keys KEYDIR
#       RSA-2048 keys, made once at build time.
#   make-verify-pki.sh cas KEYDIR OUTDIR
#       root CA, issuing CA, a CA that expired after issuing, an impostor of the issuing CA
#       (same name, other key), an unrelated root, OCSP responder certificates, the
#       revocation index and CRLs (DER and PEM), the CA file and the hashed CA directory,
#       and the signers whose tests need no server: an expired one, one of the unrelated
#       root, one whose certificate signature is broken. Made once at build time.
#   make-verify-pki.sh signers KEYDIR CADIR OUTDIR HTTPPORT OCSPPORT
#       the signers whose distribution points and OCSP address name the servers of one
#       test run, with their signatures over content.txt.
# Known times (UTC): the revoked signer was revoked at 2024-06-01 00:00:00; the expired CA
# was valid 2020-01-01 to 2023-01-01; the expired signer 2020-01-01 to 2022-01-01.
set -euo pipefail
export OPENSSL_CONF=/dev/null
MODE=$1
KEYS=$2

if [ "$MODE" = keys ]; then
  mkdir -p "$KEYS"
  for k in root issuing oldca impostor foreign ocsp forged good revoked expired chain noaia stranger; do
    [ -f "$KEYS/$k.key" ] || openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$KEYS/$k.key" 2>/dev/null
  done
  exit 0
fi

if [ "$MODE" = cas ]; then
  OUT=$3; HTTPPORT=1; OCSPPORT=1
else
  CADIR=$3; OUT=$4; HTTPPORT=$5; OCSPPORT=$6
fi
HTTP=http://127.0.0.1:$HTTPPORT
mkdir -p "$OUT/db"
cd "$OUT"

# Certificates are issued with "openssl ca" so that their validity dates can be chosen.
cat > ext.cnf <<EOC
[ca]
default_ca = issue
[issue]
database = db/index.txt
new_certs_dir = db
serial = db/serial
default_md = sha256
policy = any
unique_subject = no
copy_extensions = none
[any]
commonName = supplied
organizationName = optional
countryName = optional
[root]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[issuing]
basicConstraints = critical,CA:true,pathlen:0
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[sign]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation,digitalSignature
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:$HTTP/missing.crl,URI:$HTTP/issuing.crl
authorityInfoAccess = OCSP;URI:http://127.0.0.1:$OCSPPORT/
[noaia]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation,digitalSignature
crlDistributionPoints = URI:$HTTP/oldca.crl
[ocsp]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,OCSPSigning
[crl]
database = db/crlindex.txt
crlnumber = db/crlnumber
default_md = sha256
default_crl_days = 3650
EOC

# issue NAME KEY SUBJECT ISSUER EXTENSION SERIAL START END
issue() {
  local name=$1 key=$2 subject=$3 issuer=$4 ext=$5 serial=$6 start=$7 end=$8
  : > db/index.txt
  echo "$serial" > db/serial
  openssl req -new -key "$KEYS/$key.key" -subj "$subject" -out db/req.pem
  if [ "$issuer" = self ]; then
    openssl ca -batch -notext -config ext.cnf -selfsign -keyfile "$KEYS/$key.key" -in db/req.pem \
      -extfile ext.cnf -extensions "$ext" -startdate "$start" -enddate "$end" -out "$name.pem" 2>/dev/null
  else
    openssl ca -batch -notext -config ext.cnf -cert "$issuer.pem" -keyfile "$KEYS/$(keyof "$issuer").key" \
      -in db/req.pem -extfile ext.cnf -extensions "$ext" -startdate "$start" -enddate "$end" -out "$name.pem" 2>/dev/null
  fi
  openssl x509 -in "$name.pem" -outform DER -out "$name.der"
  echo "$key" > "db/$name.keyname"
}
keyof() { cat "db/$1.keyname"; }

# crl NAME ISSUER INDEXFILE
crl() {
  cp "$3" db/crlindex.txt
  echo 01 > db/crlnumber
  openssl ca -config ext.cnf -name crl -gencrl -cert "$2.pem" -keyfile "$KEYS/$(keyof "$2").key" \
    -out "$1.pem.crl" 2>/dev/null
  openssl crl -in "$1.pem.crl" -outform DER -out "$1.crl"
}

ISSUING_DN="/C=DE/O=VN Test/CN=Test Issuing CA"
# Serial numbers of the signers, fixed so that the index can be written before they exist.
GOOD=1001; REVOKED=1002; EXPIRED=1003; CHAIN=2001; NOAIA=2002

# sign NAME: a detached signature; signall NAME adds an attached one and one without
# signed attributes.
sign() {
  openssl cms -sign -binary -md sha256 -in content.txt -signer "$1.pem" -inkey "$KEYS/$(keyof "$1").key" \
    -outform DER -out "$1.p7s"
}
signall() {
  sign "$1"
  openssl cms -sign -binary -nodetach -md sha256 -in content.txt -signer "$1.pem" \
    -inkey "$KEYS/$(keyof "$1").key" -outform DER -out "$1-attached.p7s"
  openssl cms -sign -binary -noattr -md sha256 -in content.txt -signer "$1.pem" \
    -inkey "$KEYS/$(keyof "$1").key" -outform DER -out "$1-noattr.p7s"
}

if [ "$MODE" = cas ]; then
  issue root root "/C=DE/O=VN Test/CN=Test Root CA" self root 01 20200101000000Z 20400101000000Z
  issue issuing issuing "$ISSUING_DN" root issuing 10 20200101000000Z 20400101000000Z
  issue oldca oldca "/C=DE/O=VN Test/CN=Test Expired CA" root issuing 11 20200101000000Z 20230101000000Z
  issue impostor impostor "$ISSUING_DN" self root 01 20200101000000Z 20400101000000Z
  issue foreign foreign "/C=DE/O=Elsewhere/CN=Unrelated Root" self root 01 20200101000000Z 20400101000000Z
  issue ocsp ocsp "/C=DE/O=VN Test/CN=Test OCSP Responder" issuing ocsp 20 20200101000000Z 20400101000000Z
  issue forged forged "/C=DE/O=VN Test/CN=Test OCSP Responder" self ocsp 01 20200101000000Z 20400101000000Z
  # The revocation index of the issuing CA (also the OCSP responder's database).
  printf 'V\t360101000000Z\t\t%s\tunknown\t/CN=Good Signer\n' $GOOD > issuing-index.txt
  printf 'R\t360101000000Z\t240601000000Z\t%s\tunknown\t/CN=Revoked Signer\n' $REVOKED >> issuing-index.txt
  printf 'V\t220101000000Z\t\t%s\tunknown\t/CN=Expired Signer\n' $EXPIRED >> issuing-index.txt
  crl issuing issuing issuing-index.txt
  # The expired CA revoked its signer in 2021, the impostor "revokes" the good signer.
  printf 'R\t360101000000Z\t210601000000Z\t%s\tunknown\t/CN=Chain Signer\n' $CHAIN > oldca-index.txt
  crl oldca oldca oldca-index.txt
  printf 'R\t360101000000Z\t200101000000Z\t%s\tunknown\t/CN=Good Signer\n' $GOOD > impostor-index.txt
  crl impostor impostor impostor-index.txt
  cat root.pem issuing.pem oldca.pem > cafile.pem
  cat cafile.pem issuing.pem.crl > cafile-crl.pem
  rm -rf cadir crldir && mkdir -p cadir crldir
  cp root.pem issuing.pem oldca.pem cadir/
  openssl rehash cadir 2>/dev/null
  cp issuing.pem.crl crldir/
  openssl rehash crldir 2>/dev/null
  printf 'Signed content of the verification tests.\n' > content.txt
  issue expired expired "/CN=Expired Signer" issuing sign $EXPIRED 20200101000000Z 20220101000000Z
  issue stranger stranger "/CN=Stranger" foreign sign 3001 20210101000000Z 20360101000000Z
  signall expired
  sign stranger
  # A signer certificate with one byte of its signature changed.
  issue badsig good "/CN=Good Signer" issuing sign $GOOD 20210101000000Z 20360101000000Z
  size=$(stat -c %s badsig.der)
  printf '\x55' | dd of=badsig.der bs=1 seek=$((size - 10)) conv=notrunc 2>/dev/null
  openssl x509 -inform DER -in badsig.der -out badsig.pem
  sign badsig
  exit 0
fi

if [ "$MODE" = signers ]; then
  cp "$CADIR"/issuing.pem "$CADIR"/oldca.pem "$CADIR"/content.txt .
  cp "$CADIR"/db/issuing.keyname "$CADIR"/db/oldca.keyname db/
  issue good good "/CN=Good Signer" issuing sign $GOOD 20210101000000Z 20360101000000Z
  issue revoked revoked "/CN=Revoked Signer" issuing sign $REVOKED 20210101000000Z 20360101000000Z
  issue chain chain "/CN=Chain Signer" oldca sign $CHAIN 20210101000000Z 20360101000000Z
  issue noaia noaia "/CN=No AIA Signer" oldca noaia $NOAIA 20210101000000Z 20360101000000Z
  signall good
  for s in revoked chain noaia; do sign $s; done
  # A bare PKCS#1 v1.5 signature over the content.
  openssl dgst -sha256 -sign "$KEYS/good.key" -out good.pkcs1 content.txt
  exit 0
fi
echo "unknown mode $MODE" >&2
exit 2

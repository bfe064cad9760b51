#!/usr/bin/env bash
# Test PKI for the card simulator and the library's tests.
#   make-pki.sh OUTDIR
# Makes, with the openssl command: a root CA, an issuing CA, signer certificates
# (RSA 2048 and 3072, EC P-256), authentication certificates, a timestamp
# authority, an OCSP responder, a revoked certificate, CRLs of both CAs and
# PKCS#12 files (password 123456). CRL distribution points and OCSP addresses
# point to 127.0.0.1:
#   http://127.0.0.1:18080/root-ca.crl, http://127.0.0.1:18080/issuing-ca.crl
#   OCSP http://127.0.0.1:18081
# Every certificate is there as NAME.pem and NAME.der, its key as NAME.key (PEM).
# Runs again only when the script changed (OUTDIR/.done holds its checksum).
set -euo pipefail
OUT=${1:?usage: make-pki.sh OUTDIR}
SUM=$(sha256sum "$0" | cut -d' ' -f1)
if [ -f "$OUT/.done" ] && [ "$(cat "$OUT/.done")" = "$SUM" ]; then exit 0; fi
mkdir -p "$OUT"
cd "$OUT"
rm -rf ca && mkdir -p ca
export OPENSSL_CONF=/dev/null

CRLBASE=http://127.0.0.1:18080
OCSPURL=http://127.0.0.1:18081

cat > ca/ext.cnf <<EOC
[root]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[issuing]
basicConstraints = critical,CA:true,pathlen:0
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:$CRLBASE/root-ca.crl
[sign]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:$CRLBASE/issuing-ca.crl
authorityInfoAccess = OCSP;URI:$OCSPURL,caIssuers;URI:$CRLBASE/issuing-ca.der
certificatePolicies = 1.3.6.1.4.1.99999.1.1
[auth]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = clientAuth,emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:$CRLBASE/issuing-ca.crl
authorityInfoAccess = OCSP;URI:$OCSPURL
[tsa]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
crlDistributionPoints = URI:$CRLBASE/issuing-ca.crl
[ocsp]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,OCSPSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
1.3.6.1.5.5.7.48.1.5 = ASN1:NULL
[ca_root]
database = ca/root-index.txt
crlnumber = ca/root-crlnumber
default_md = sha256
default_crl_days = 3650
[ca_issuing]
database = ca/issuing-index.txt
crlnumber = ca/issuing-crlnumber
default_md = sha256
default_crl_days = 3650
EOC
touch ca/root-index.txt ca/issuing-index.txt
echo 01 > ca/root-crlnumber
echo 01 > ca/issuing-crlnumber

serial=4096
rsa() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:"$2" -out "$1.key" 2>/dev/null; }
ec() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null; }
# issue NAME SUBJECT EXTSECTION ISSUER DAYS
issue() {
  serial=$((serial + 1))
  openssl req -new -key "$1.key" -subj "$2" -out ca/"$1".csr 2>/dev/null
  openssl x509 -req -in ca/"$1".csr -CA "$4.pem" -CAkey "$4.key" -set_serial "$serial" -days "$5" -sha256 \
    -extfile ca/ext.cnf -extensions "$3" -out "$1.pem" 2>/dev/null
  openssl x509 -in "$1.pem" -outform DER -out "$1.der"
  local idx=ca/issuing-index.txt
  [ "$4" = root-ca ] && idx=ca/root-index.txt
  local end
  end=$(openssl x509 -in "$1.pem" -noout -enddate | cut -d= -f2)
  printf 'V\t%s\t\t%X\tunknown\t%s\n' "$(date -u -d "$end" +%y%m%d%H%M%SZ)" "$serial" "$2" >> "$idx"
}

rsa root-ca 2048
openssl req -x509 -new -key root-ca.key -subj "/C=DE/O=Vorn Test PKI/CN=Vorn Test Root CA" -days 7300 -sha256 \
  -set_serial 1 -config ca/ext.cnf -extensions root -out root-ca.pem 2>/dev/null
openssl x509 -in root-ca.pem -outform DER -out root-ca.der

rsa issuing-ca 2048
issue issuing-ca "/C=DE/O=Vorn Test PKI/CN=Vorn Test Issuing CA" issuing root-ca 7000

rsa signer-rsa2048 2048
issue signer-rsa2048 "/C=DE/O=Vorn Test PKI/serialNumber=1001/CN=Erika Mustermann" sign issuing-ca 3650
rsa auth-rsa2048 2048
issue auth-rsa2048 "/C=DE/O=Vorn Test PKI/serialNumber=1002/CN=Erika Mustermann" auth issuing-ca 3650
rsa signer-rsa3072 3072
issue signer-rsa3072 "/C=DE/O=Vorn Test PKI/serialNumber=1003/CN=Max Mustermann" sign issuing-ca 3650
ec signer-ec256
issue signer-ec256 "/C=DE/O=Vorn Test PKI/serialNumber=1004/CN=Erika Mustermann EC" sign issuing-ca 3650
rsa signer-revoked 2048
issue signer-revoked "/C=DE/O=Vorn Test PKI/serialNumber=1005/CN=Revoked Signer" sign issuing-ca 3650
rsa tsa 2048
issue tsa "/C=DE/O=Vorn Test PKI/CN=Vorn Test Timestamp Authority" tsa issuing-ca 3650
rsa ocsp 2048
issue ocsp "/C=DE/O=Vorn Test PKI/CN=Vorn Test OCSP Responder" ocsp issuing-ca 3650
# Two CAs with the medisign subject names that card detection knows (DER 85 and 98 bytes).
rsa medisign-zod 2048
issue medisign-zod "/C=DE/O=medisign GmbH/CN=medisign Zertifizierungsdienst ZOD1" issuing root-ca 7000
rsa medisign-zod-test 2048
issue medisign-zod-test "/C=DE/O=medisign GmbH/CN=medisign Zertifizierungsdienst ZOD1 Test-CA 2026" issuing root-ca 7000

openssl ca -config ca/ext.cnf -name ca_issuing -revoke signer-revoked.pem -keyfile issuing-ca.key -cert issuing-ca.pem \
  -crl_reason keyCompromise >/dev/null 2>&1
openssl ca -config ca/ext.cnf -name ca_issuing -gencrl -keyfile issuing-ca.key -cert issuing-ca.pem -out issuing-ca.crl.pem >/dev/null 2>&1
openssl ca -config ca/ext.cnf -name ca_root -gencrl -keyfile root-ca.key -cert root-ca.pem -out root-ca.crl.pem >/dev/null 2>&1
openssl crl -in issuing-ca.crl.pem -outform DER -out issuing-ca.crl
openssl crl -in root-ca.crl.pem -outform DER -out root-ca.crl

cat issuing-ca.pem root-ca.pem > chain.pem
for n in signer-rsa2048 signer-rsa3072 signer-ec256 auth-rsa2048; do
  openssl pkcs12 -export -in "$n.pem" -inkey "$n.key" -certfile chain.pem -name "$n" -passout pass:123456 \
    -out "$n.p12" 2>/dev/null
done
echo "$SUM" > .done

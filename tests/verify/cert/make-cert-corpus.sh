#!/usr/bin/env bash
# Generates the certificates of the certificate-inspection tests with the openssl command.
#   make-cert-corpus.sh OUTDIR
# pki/: a three-level PKI (root, issuing CA, signer) as PEM and DER, and ca/ with the two
# CA certificates as *.pem, *.crt, *.der and *.cer. certs/: signer certificates with every
# extension the formatters know, RSA and EC keys, long, multi-valued and UTF-8 names, and
# validity dates on both sides of 2050 (UTCTime and GeneralizedTime). OUTDIR/done marks a
# finished corpus.
set -euo pipefail
out=${1:?usage: make-cert-corpus.sh OUTDIR}
mkdir -p "$(dirname "$out")"
exec 9>"$out.lock"
flock 9
[ -f "$out/done" ] && exit 0
rm -rf "$out"
mkdir -p "$out/pki" "$out/ca" "$out/certs" "$out/keys" "$out/db"
cd "$out"
touch db/index.txt
echo 1000 > db/serial

cat > keys/ext.cnf <<'CNF'
[ ca ]
default_ca = testca
[ testca ]
database = db/index.txt
serial = db/serial
new_certs_dir = db
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
email_in_dn = yes
preserve = yes
utf8 = yes
[ anything ]
countryName = optional
stateOrProvinceName = optional
localityName = optional
organizationName = optional
organizationalUnitName = optional
commonName = optional
emailAddress = optional
serialNumber = optional
title = optional
[ req ]
distinguished_name = dn
string_mask = utf8only
[ dn ]
[ root_ca ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[ sub_ca ]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[ plain ]
basicConstraints = CA:FALSE
keyUsage = digitalSignature, nonRepudiation
[ full ]
basicConstraints = CA:FALSE
keyUsage = critical, nonRepudiation
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = email:erika@example.org, DNS:signer.example.org, URI:http://example.org/erika
issuerAltName = URI:http://ca.example.org/, email:ca@example.org
certificatePolicies = 1.3.36.8.1.1, 0.4.0.194112.1.2
crlDistributionPoints = crldp
authorityInfoAccess = OCSP;URI:http://127.0.0.1:8081/ocsp, caIssuers;URI:http://127.0.0.1:8080/ca.der
1.3.6.1.5.5.7.1.3 = DER:301A3008060604008E4601013008060604008E4601043004060204003004060204FF
1.3.36.8.3.8 = ASN1:UTF8String:Nur für Tests
[ crldp ]
fullname = URI:http://127.0.0.1:8080/sub.crl
reasons = keyCompromise, CACompromise
CRLissuer = dirName:crl_issuer
[ crl_issuer ]
C = DE
O = CRL Issuer
[ noncritical_ku ]
keyUsage = nonRepudiation
CNF

ca() { openssl ca -batch -config keys/ext.cnf -notext "$@" 2>/dev/null; }
newkey() { openssl genpkey -algorithm "$@" 2>/dev/null; }
# csr NAME SUBJECT KEYFILE
csr() { openssl req -new -config keys/ext.cnf -utf8 -multivalue-rdn -key "$3" -subj "$2" -out "keys/$1.csr" 2>/dev/null; }

# The three-level PKI.
newkey RSA -pkeyopt rsa_keygen_bits:2048 -out keys/root.key
newkey RSA -pkeyopt rsa_keygen_bits:2048 -out keys/sub.key
newkey RSA -pkeyopt rsa_keygen_bits:2048 -out keys/signer.key
newkey EC -pkeyopt ec_paramgen_curve:P-256 -pkeyopt ec_param_enc:named_curve -out keys/ec.key
csr root "/C=DE/O=Test Trust/CN=Test Root CA" keys/root.key
ca -selfsign -keyfile keys/root.key -in keys/root.csr -extensions root_ca -startdate 20200101000000Z -enddate 20400101000000Z -out pki/root.pem
csr sub "/C=DE/O=Test Trust/CN=Test Sub CA" keys/sub.key
ca -cert pki/root.pem -keyfile keys/root.key -in keys/sub.csr -extensions sub_ca -startdate 20200101000000Z -enddate 20390101000000Z -out pki/sub.pem
csr signer "/C=DE/O=Test Trust/CN=Erika Mustermann" keys/signer.key
ca -cert pki/sub.pem -keyfile keys/sub.key -in keys/signer.csr -extensions full -startdate 20240701120000Z -enddate 20350115120000Z -out pki/signer.pem
for n in root sub signer; do openssl x509 -in pki/$n.pem -outform DER -out pki/$n.der; done
cp pki/root.pem ca/root.pem
openssl x509 -in pki/sub.pem -outform DER -out ca/sub.der
cp pki/root.pem ca/root-copy.crt
openssl x509 -in pki/sub.pem -outform DER -out ca/sub-copy.cer
echo "not a certificate" > ca/broken.pem
cp pki/signer.pem keys/signer.cert.pem

# sign NAME SUBJECT KEY EXTENSIONS START END
sign() {
  csr "$1" "$2" "$3"
  ca -cert pki/sub.pem -keyfile keys/sub.key -in "keys/$1.csr" -extensions "$4" -startdate "$5" -enddate "$6" -out "keys/$1.pem"
  openssl x509 -in "keys/$1.pem" -outform DER -out "certs/$1.der"
}
sign full_rsa "/C=DE/O=Test Trust/CN=Full RSA" keys/signer.key full 20240701120000Z 20350115120000Z
sign full_ec "/C=DE/O=Test Trust/CN=Full EC" keys/ec.key full 20240115120000Z 20340701120000Z
sign names_long "/C=DE/ST=Nordrhein-Westfalen/L=Koeln/O=$(printf 'L%.0s' {1..60})/OU=Unit One/OU=Unit Two/CN=Erika Mustermann+serialNumber=PNODE-1234567890/emailAddress=erika.mustermann@example.org" keys/signer.key plain 20240701120000Z 20350115120000Z
sign names_latin "/C=DE/O=Grüße aus Köln/CN=Jürgen Weiß é" keys/signer.key plain 20240701120000Z 20350115120000Z
sign names_greek "/C=DE/O=Ωmega Ä/CN=Test ΩΨ" keys/ec.key plain 20240701120000Z 20350115120000Z
sign dates_utc "/CN=Dates UTC" keys/signer.key plain 19900615103000Z 20491231235959Z
sign dates_across "/CN=Dates Across" keys/signer.key noncritical_ku 20490601000000Z 20500101000000Z
sign dates_gen "/CN=Dates Generalized" keys/signer.key plain 20510315080910Z 20991231235959Z
openssl req -x509 -new -config keys/ext.cnf -key keys/signer.key -subj "/CN=Version One" -days 30 -outform DER -out certs/v1.der 2>/dev/null

# A PKCS#7 signature by the signer (certificate included).
printf 'signed data' > keys/data.txt
openssl smime -sign -binary -in keys/data.txt -signer pki/signer.pem -inkey keys/signer.key -certfile pki/sub.pem -outform DER -nodetach -out keys/signed.p7 2>/dev/null
touch done

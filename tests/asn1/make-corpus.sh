#!/usr/bin/env bash
# Generates the certificate corpus of the ASN.1 cross-checks with the openssl command.
#   make-corpus.sh OUTDIR
# Keys: RSA 1024 to 4096 bits (and an odd 2047-bit one), RSASSA-PSS, EC on P-256, P-384,
# P-521 and brainpool curves. Certificates: version 1 and 3, many extensions, long and
# multi-valued names, BMPString and T61String names. Every certificate is written as DER
# (*.der); OUTDIR/done marks a finished corpus.
set -euo pipefail
out=${1:?usage: make-corpus.sh OUTDIR}
mkdir -p "$(dirname "$out")"
# Test programs running side by side generate the corpus once.
exec 9>"$out.lock"
flock 9
[ -f "$out/done" ] && exit 0
rm -rf "$out"
mkdir -p "$out/keys"
cd "$out"

# An issuing CA with a long, multi-valued name.
openssl req -x509 -newkey rsa:2048 -nodes -keyout keys/ca.key -days 30 -set_serial 0x0102030405060708090A0B0C0D0E0F10 \
  -subj "/C=DE/ST=Nordrhein-Westfalen/L=Musterstadt an der Langen Strasse/O=Muster Trust Center Aktiengesellschaft fuer Signaturen/OU=Qualified Certification Authority Operations/OU=Second Unit/CN=Muster Qualified CA 42+serialNumber=CA-0001" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -outform PEM -out keys/ca.pem 2>/dev/null

# Signs keys/NAME.csr with the CA. $2: extension file section or "" for a version 1 certificate.
sign() {
  local name=$1 ext=$2 serial=$3
  local args=(-req -in "keys/$name.csr" -CA keys/ca.pem -CAkey keys/ca.key -days 30 -set_serial "$serial" -outform DER -out "$name.der")
  if [ -n "$ext" ]; then
    args+=(-extfile keys/ext.cnf -extensions "$ext")
  fi
  openssl x509 "${args[@]}" 2>/dev/null
}

cat > keys/ext.cnf <<'CNF'
[ plain ]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation

[ many ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = clientAuth, emailProtection, timeStamping, OCSPSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid, issuer
subjectAltName = email:max.mustermann@example.org, DNS:signer.example.org, URI:http://example.org/a, IP:127.0.0.1, dirName:alt_dir
issuerAltName = issuer:copy
certificatePolicies = 1.3.36.8.1.1, 2.5.29.32.0, 0.4.0.194112.1.2
crlDistributionPoints = URI:http://127.0.0.1:8080/ca.crl
authorityInfoAccess = OCSP;URI:http://127.0.0.1:8081/, caIssuers;URI:http://127.0.0.1:8080/ca.der
nsComment = "netscape comment"
1.3.6.1.5.5.7.1.3 = DER:3010300E06060400469E0101300402020400
1.3.36.8.3.3 = ASN1:UTF8String:Rechtsanwalt
1.3.6.1.4.1.8301.3.5 = ASN1:OID:1.3.6.1.4.1.8301.3.5.1
2.999.3.4 = ASN1:NULL
1.2.3.4.5.6.7.8.9.10.11.12.300000.4294967295 = ASN1:BOOLEAN:TRUE
2.5.29.9 = DER:3018301606082B06010505070901310A180831393730303130315A

[ alt_dir ]
C = DE
O = Alt Org
CN = Alt Name
CNF

gen_csr() {
  local name=$1 subj=$2
  shift 2
  openssl req -new -key "keys/$name.key" -subj "$subj" -out "keys/$name.csr" "$@" 2>/dev/null
}

n=1
for bits in 1024 2047 2048 3072 4096; do
  openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:$bits -out keys/rsa$bits.key 2>/dev/null
  gen_csr rsa$bits "/C=DE/O=Corpus/CN=RSA $bits"
  sign rsa$bits many $((n++))
done
openssl genpkey -algorithm RSA-PSS -pkeyopt rsa_keygen_bits:2048 -out keys/pss.key 2>/dev/null
gen_csr pss "/C=DE/CN=RSA PSS key"
sign pss plain $((n++))
openssl req -x509 -key keys/pss.key -subj "/CN=PSS self-signed" -days 30 -outform DER -out pss_self.der 2>/dev/null

for curve in P-256 P-384 P-521 brainpoolP256r1 brainpoolP384r1 brainpoolP512r1; do
  openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:$curve -pkeyopt ec_param_enc:named_curve -out keys/$curve.key 2>/dev/null
  gen_csr $curve "/C=DE/O=Corpus/CN=EC $curve"
  sign $curve many $((n++))
done

# Version 1 certificates (no extensions) with RSA and EC keys, and a large serial number.
sign rsa2048 "" 0x7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01 && mv rsa2048.der v1_rsa.der
sign P-256 "" 0x00FF && mv P-256.der v1_ec.der
sign P-256 many $((n++))

# Names: long values, multi-valued RDNs, BMPString, T61String, UTF8String.
openssl req -new -key keys/rsa2048.key -utf8 -multivalue-rdn -out keys/names_long.csr \
  -subj "/C=DE/O=$(printf 'L%.0s' {1..64})/OU=$(printf 'u%.0s' {1..64})/OU=Second/OU=Third/CN=Erika Mustermann+serialNumber=PNODE-1234567890+title=Dr./emailAddress=erika.mustermann@example.org/street=Heidestrasse 17/postalCode=51147/L=Koeln/ST=NRW/givenName=Erika/SN=Mustermann/pseudonym=Pseudo" 2>/dev/null
sign names_long plain $((n++))
printf '[req]\ndistinguished_name=dn\nstring_mask=default\n[dn]\n' > keys/bmp.cnf
openssl req -new -config keys/bmp.cnf -key keys/rsa2048.key -utf8 -out keys/names_bmp.csr \
  -subj "/C=DE/O=Ωmega Ελληνικά Ä/OU=under_score @ T61/CN=Ünïcödé Ωmega/L=Zürich" 2>/dev/null
sign names_bmp plain $((n++))
printf '[req]\ndistinguished_name=dn\nstring_mask=utf8only\n[dn]\n' > keys/utf8.cnf
openssl req -new -config keys/utf8.cnf -key keys/rsa2048.key -utf8 -out keys/names_utf8.csr \
  -subj "/C=DE/O=Grüße aus Köln/CN=Jürgen Weiß" 2>/dev/null
sign names_utf8 plain $((n++))

# A signed CMS message (ContentInfo).
printf 'corpus data' > keys/data.txt
openssl cms -sign -in keys/data.txt -signer keys/ca.pem -inkey keys/ca.key -outform DER -out keys/signed.cms -nodetach 2>/dev/null

openssl x509 -in keys/ca.pem -outform DER -out ca.der
touch done

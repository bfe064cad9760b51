#!/usr/bin/env bash
# Extra test material of the PKCS#7 tests, issued by the test PKI's issuing CA:
# EC signer certificates on P-384 and P-521.
#   make-material.sh PKIDIR OUTDIR
set -euo pipefail
PKI=${1:?usage: make-material.sh PKIDIR OUTDIR}
OUT=${2:?usage: make-material.sh PKIDIR OUTDIR}
export OPENSSL_CONF=/dev/null
mkdir -p "$OUT"
cd "$OUT"
cat > ext.cnf <<EOC
[sign]
basicConstraints = critical,CA:false
keyUsage = critical,nonRepudiation,digitalSignature
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOC
serial=2001
for curve in P-384 P-521; do
  name=signer-ec${curve#P-}
  openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:$curve -out $name.key 2>/dev/null
  openssl req -new -key $name.key -subj "/C=DE/O=Vorn Test PKI/serialNumber=$serial/CN=EC $curve Signer" -out $name.csr
  openssl x509 -req -in $name.csr -CA "$PKI/issuing-ca.pem" -CAkey "$PKI/issuing-ca.key" -set_serial $serial \
    -days 3650 -sha256 -extfile ext.cnf -extensions sign -out $name.pem 2>/dev/null
  openssl x509 -in $name.pem -outform DER -out $name.der
  serial=$((serial + 1))
done
touch .done

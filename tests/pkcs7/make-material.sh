#!/usr/bin/env bash
# Extra test material of the PKCS#7 tests, issued by the test PKI's issuing CA:
# EC signer certificates on P-384 and P-521 and a timestamp-authority configuration.
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
cat > ts.cnf <<EOC
[tsa]
default_tsa = tsa_config
[tsa_config]
serial = $OUT/tsaserial
crypto_device = builtin
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.2.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOC
echo 01 > tsaserial
touch .done

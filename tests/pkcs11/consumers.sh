#!/usr/bin/env bash
# Other PKCS#11 consumers with the module, on the card in the running stack's reader 0
# (PCSCLITE_CSOCK_NAME set by the caller): GnuTLS p11tool, NSS (modutil, certutil,
# cmsutil), OpenSSL's pkcs11 engine (pkeyutl and cms), ssh-keygen -D, and p11-kit with
# the installed module file. Every signature is checked with openssl against the
# token's certificate.
#
#   consumers.sh MODULE BUILD WORK PIN [KEYID] [TOKEN]
#
# KEYID defaults to the first private key's CKA_ID. TOKEN, the label of one token, is
# for a card with several PINs: every consumer then works on that token alone, so the
# PIN is never tried on the token of another PIN.
#
# One line per check ("OK name" or "FAIL name: why"); exit status 1 when one failed.
set -uo pipefail
MODULE=$1 BUILD=$2 WORK=$3 PIN=$4 ID=${5:-} TOKEN=${6:-}
mkdir -p "$WORK"
cd "$WORK" || exit 1
# The token as pkcs11-tool, a PKCS#11 URL and NSS name it.
tool_token=() url_token="" nss_token=all
if [ -n "$TOKEN" ]; then
    tool_token=(--token-label "$TOKEN")
    url_token="token=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1]))' "$TOKEN");"
    nss_token=$TOKEN
fi
[ -n "$ID" ] || ID=$(pkcs11-tool --module "$MODULE" "${tool_token[@]}" --login --pin "$PIN" -O --type privkey 2>/dev/null |
                     sed -n 's/^[[:space:]]*ID:[[:space:]]*\([0-9a-f]*\)$/\1/p' | head -1)
failed=0
ok() { echo "OK $1"; }
skip() { echo "SKIP $1: $2"; }
fail() { echo "FAIL $1: ${2:-}"; failed=1; }
last() { tr '\n' ' ' <"$1" | tail -c 300; }
printf 'a document for the PKCS#11 consumers\n' >doc.txt
openssl dgst -sha256 -binary doc.txt >doc.sha256

# The certificate of the key, read with pkcs11-tool.
if pkcs11-tool --module "$MODULE" "${tool_token[@]}" --read-object --type cert --id "$ID" -o cert.der >tool.log 2>&1 &&
   openssl x509 -inform DER -in cert.der -out cert.pem 2>>tool.log; then
    ok "pkcs11-tool read-object"
else
    fail "pkcs11-tool read-object" "$(last tool.log)"
    exit 1
fi
openssl x509 -in cert.pem -pubkey -noout >pub.pem
# The trust anchors: the test PKI's, and a self-signed certificate of the card (some
# images carry one of their own) as its own anchor.
cp "$BUILD/pki/chain.pem" trust.pem
selfsigned=0
if [ "$(openssl x509 -in cert.pem -noout -subject | sed 's/^subject=//')" = \
     "$(openssl x509 -in cert.pem -noout -issuer | sed 's/^issuer=//')" ]; then
    selfsigned=1
    cat cert.pem >>trust.pem
fi
ec=0
openssl pkey -pubin -in pub.pem -noout -text 2>/dev/null | grep -q "ASN1 OID" && ec=1

# GnuTLS: every object listed, and a test signature with the private key.
if p11tool --provider "$MODULE" --login --set-pin="$PIN" --list-all "pkcs11:${url_token%;}" >p11tool.log 2>&1 &&
   grep -q "Type: X.509 Certificate" p11tool.log && grep -q "Type: Private key" p11tool.log; then
    ok "p11tool --list-all"
else
    fail "p11tool --list-all" "$(last p11tool.log)"
fi
url=$(p11tool --provider "$MODULE" --login --set-pin="$PIN" --list-privkeys "pkcs11:${url_token%;}" 2>/dev/null |
      sed -n 's/^[[:space:]]*URL: \(pkcs11:.*id=%[0]*'"$ID"';.*\)$/\1/p' | head -1)
[ -n "$url" ] || url=$(p11tool --provider "$MODULE" --login --set-pin="$PIN" --list-privkeys "pkcs11:${url_token%;}" 2>/dev/null |
                       sed -n 's/^[[:space:]]*URL: \(pkcs11:.*\)$/\1/p' | head -1)
if [ -n "$url" ] && p11tool --provider "$MODULE" --login --set-pin="$PIN" --test-sign "$url" >testsign.log 2>&1 &&
   grep -qi "verifying against public key in the token... ok\|ok$" testsign.log; then
    ok "p11tool --test-sign"
else
    fail "p11tool --test-sign" "$url $(last testsign.log)"
fi

# NSS: the module added to a fresh database, its certificates listed, a CMS signature.
mkdir -p nss
certutil -N -d sql:nss --empty-password >nss.log 2>&1
# The test PKI's CAs, so that NSS can build the signer's chain.
certutil -A -d sql:nss -n "test root" -t "C,C,C" -i "$BUILD/pki/root-ca.pem" >>nss.log 2>&1
certutil -A -d sql:nss -n "test issuing" -t ",," -i "$BUILD/pki/issuing-ca.pem" >>nss.log 2>&1
[ "$selfsigned" = 0 ] || certutil -A -d sql:nss -n "card self-signed" -t "C,C,C" -i cert.pem >>nss.log 2>&1
printf '%s\n' "$PIN" >pin.txt
if modutil -dbdir sql:nss -add vorncryptossl -libfile "$MODULE" -force >>nss.log 2>&1 &&
   certutil -L -h "$nss_token" -d sql:nss -f pin.txt >certs.log 2>&1; then
    ok "modutil -add, certutil -L -h all"
else
    fail "modutil/certutil" "$(last nss.log) $(last certs.log)"
fi
# cmsutil signs for e-mail, which wants a certificate for digital signatures: the
# token's certificates are tried in turn.
signed=""
: >cms.log
for nick in $(grep -F ":" certs.log | grep -v "^Certificate Nickname" |
              sed 's/[[:space:]]\+[a-zA-Z]*,[a-zA-Z]*,[a-zA-Z]*$//; s/[[:space:]]*$//; s/ /%20/g'); do
    nick=${nick//%20/ }
    [ -z "$TOKEN" ] || [ "${nick%%:*}" = "$TOKEN" ] || continue
    if cmsutil -S -d sql:nss -N "$nick" -i doc.txt -o nss.p7 -f pin.txt -H SHA256 >>cms.log 2>&1 &&
       openssl cms -verify -inform DER -in nss.p7 -CAfile trust.pem -purpose any -out nss.out >>cms.log 2>&1 &&
       cmp -s nss.out doc.txt; then
        signed=$nick
        break
    fi
done
if [ -n "$signed" ]; then
    ok "cmsutil -S, openssl cms -verify ($signed)"
elif ! grep -qv "INADEQUATE_KEY_USAGE\|NSS_Shutdown\|^$" <(grep -i "error" cms.log); then
    skip "cmsutil -S" "no certificate of the token is for digital signatures (NSS refuses S/MIME signing)"
else
    fail "cmsutil -S" "$(last cms.log)"
fi

# OpenSSL's pkcs11 engine: a raw signature and CMS signed data. The engine asks the
# PIN of a key that wants it for every signature through its terminal prompt, so such
# keys are left out.
key="pkcs11:${url_token}id=%$ID;type=private;pin-value=$PIN"
export PKCS11_MODULE_PATH=$MODULE
always=0
pkcs11-tool --module "$MODULE" "${tool_token[@]}" --login --pin "$PIN" -O --type privkey --id "$ID" 2>/dev/null |
    grep -q "always authenticate" && always=1
if [ "$always" = 1 ]; then
    skip "openssl -engine pkcs11" "the key asks for its PIN for every signature"
elif openssl pkeyutl -engine pkcs11 -keyform engine -inkey "$key" -sign -in doc.sha256 -out engine.sig \
       -pkeyopt digest:sha256 >engine.log 2>&1 &&
   openssl pkeyutl -verify -certin -inkey cert.pem -pkeyopt digest:sha256 -in doc.sha256 -sigfile engine.sig >>engine.log 2>&1; then
    ok "openssl pkeyutl -engine pkcs11"
else
    fail "openssl pkeyutl -engine pkcs11" "$(last engine.log)"
fi
if [ "$always" = 1 ]; then
    :
elif openssl cms -sign -engine pkcs11 -keyform engine -inkey "$key" -signer cert.pem -in doc.txt -binary -nodetach \
       -outform DER -out engine.p7 >cmssign.log 2>&1 &&
   openssl cms -verify -inform DER -in engine.p7 -CAfile trust.pem -purpose any -out engine.out >>cmssign.log 2>&1 &&
   cmp -s engine.out doc.txt; then
    ok "openssl cms -sign -engine pkcs11"
else
    fail "openssl cms -sign -engine pkcs11" "$(last cmssign.log)"
fi
unset PKCS11_MODULE_PATH

# ssh-keygen: the token's public key as an ssh key.
if ssh-keygen -D "$MODULE" >ssh.log 2>ssh.err && ssh-keygen -i -m PKCS8 -f pub.pem >ssh.expected 2>>ssh.err &&
   grep -qF "$(cut -d' ' -f2 ssh.expected)" ssh.log; then
    ok "ssh-keygen -D"
else
    fail "ssh-keygen -D" "$(last ssh.err) $(last ssh.log)"
fi

# p11-kit: the module file of an installed tree. p11-kit reads a user's own module
# files (~/.config/pkcs11/modules) but not root's: as root the system's module folder
# is replaced, in a private mount namespace, by one holding only ours.
p11kit_list() {
    if [ "$(id -u)" -ne 0 ]; then
        mkdir -p home/.config/pkcs11/modules &&
            cp "$WORK/inst/share/p11-kit/modules/vorncryptossl.module" home/.config/pkcs11/modules/ &&
            HOME=$WORK/home timeout 60 p11-kit list-modules
        return
    fi
    mkdir -p modules && cp "$WORK/inst/share/p11-kit/modules/vorncryptossl.module" modules/ &&
        unshare -m sh -c 'mount --bind "$1" /usr/share/p11-kit/modules && timeout 60 p11-kit list-modules' _ "$WORK/modules"
}
if [[ "${LD_PRELOAD:-}" == *libasan* ]]; then
    # p11-kit itself deadlocks at its exit (freelocale) with the ASan runtime preloaded,
    # with or without our module; the module file is checked in the ordinary build.
    skip "p11-kit list-modules" "not under a preloaded ASan runtime"
elif [ -d "$BUILD/CMakeFiles" ] && cmake --install "$BUILD" --prefix "$WORK/inst" >install.log 2>&1 &&
   p11kit_list >p11kit.log 2>&1 &&
   awk '/^[^ ]/ { ours = ($1 == "vorncryptossl:") } ours' p11kit.log | grep -q "token: "; then
    ok "p11-kit list-modules"
else
    fail "p11-kit list-modules" "$(last install.log) $(last p11kit.log)"
fi
exit $failed

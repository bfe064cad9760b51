#!/usr/bin/env python3
"""Tries every token of the simulated card in the stack through pkcs11-tool: lists
slots and objects, logs in with the image's PINs, runs --test, signs with every key and
every sign mechanism the token offers, deciphers where the key deciphers, and checks
every signature and plain text with openssl against the token's certificate; then
--test-fork and --test-threads (three threads racing to C_Initialize); P11_THREADS=0
leaves those two out (pkcs11-tool's thread test sleeps 30 s of its own).

  p11-try.py MODULE IMAGE WORKDIR

One line per step ("TOKEN", "SIGN", "DECRYPT", "FAIL") and a last line
"SUMMARY tokens=T keys=K signatures=S verified=V decrypted=D failures=F".
"""
import hashlib
import os
import re
import subprocess
import sys

MODULE, IMAGE, WORK = sys.argv[1:4]
os.makedirs(WORK, exist_ok=True)
HASHES = {"SHA1": "sha1", "SHA256": "sha256", "SHA384": "sha384", "SHA512": "sha512"}
DIGEST_INFO = {
    "sha256": bytes.fromhex("3031300d060960864801650304020105000420"),
}
failures = 0
counts = {"tokens": 0, "keys": 0, "signatures": 0, "verified": 0, "decrypted": 0}


def run(args, data=None):
    p = subprocess.run(args, input=data, capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode(errors="replace") + p.stderr.decode(errors="replace")


def tool(*args):
    return run(["pkcs11-tool", "--module", MODULE] + list(args))


def fail(text):
    global failures
    failures += 1
    print("FAIL " + text, flush=True)


def image_pins():
    """PIN values of the image, most used first."""
    pins, section = [], ""
    for line in open(IMAGE):
        line = line.split("#")[0].strip()
        if line.startswith("["):
            section = line.split()[0]
        elif section == "[pin" and line.startswith("value"):
            pins.append(line.split("=", 1)[1].strip())
    return sorted(set(pins), key=lambda p: -pins.count(p))


def objects(listing):
    """(class, id, always_authenticate, key type) of the objects pkcs11-tool lists."""
    out, current = [], None
    for line in listing.splitlines():
        m = re.match(r"^(Private Key|Public Key|Certificate|Data) Object;\s*(\S*)", line)
        if m:
            current = {"class": m.group(1), "type": m.group(2), "id": None, "always": False, "usage": ""}
            out.append(current)
        elif current is not None:
            m = re.match(r"^\s+ID:\s+([0-9a-f]+)", line)
            if m:
                current["id"] = m.group(1)
            m = re.match(r"^\s+Usage:\s+(.*)$", line)
            if m:
                current["usage"] = m.group(1)
            if "always authenticate" in line:
                current["always"] = True
    return out


def verify_with_openssl(mech, cert, doc, digest, sig):
    """True when openssl accepts the signature the mechanism made."""
    hash_name = next((HASHES[h] for h in HASHES if mech.startswith(h) or ("-" + h) in mech), "sha256")
    pss = "PSS" in mech
    if mech.startswith("ECDSA") or mech in ("RSA-PKCS", "RSA-PKCS-PSS"):
        # signature over a given hash
        args = ["openssl", "pkeyutl", "-verify", "-certin", "-inkey", cert, "-in", digest, "-sigfile", sig]
        if not mech.startswith("ECDSA"):
            args += ["-pkeyopt", "digest:" + hash_name]
        if pss:
            args += ["-pkeyopt", "rsa_padding_mode:pss", "-pkeyopt", "rsa_pss_saltlen:digest"]
        return run(args)[0] == 0
    run(["openssl", "x509", "-in", cert, "-pubkey", "-noout", "-out", cert + ".pub"])
    args = ["openssl", "dgst", "-" + hash_name, "-verify", cert + ".pub", "-signature", sig]
    if pss:
        args += ["-sigopt", "rsa_padding_mode:pss", "-sigopt", "rsa_pss_saltlen:digest"]
    return run(args + [doc])[0] == 0


def sign_one(slot, pin, obj, mech, cert):
    base = os.path.join(WORK, "s%s-%s-%s" % (slot, obj["id"], mech))
    doc = base + ".doc"
    with open(doc, "wb") as f:
        f.write(b"a document signed through the PKCS#11 module\n")
    hash_name = next((HASHES[h] for h in HASHES if ("-" + h) in mech or mech.startswith(h)), "sha256")
    digest = base + ".hash"
    with open(digest, "wb") as f:
        f.write(hashlib.new(hash_name, open(doc, "rb").read()).digest())
    data = doc
    extra = []
    if mech == "RSA-PKCS":
        data = base + ".di"
        with open(data, "wb") as f:
            f.write(DIGEST_INFO["sha256"] + open(digest, "rb").read())
    elif mech in ("ECDSA", "RSA-PKCS-PSS"):
        data = digest
    if mech == "RSA-PKCS-PSS":
        extra = ["--hash-algorithm", "SHA256", "--mgf", "MGF1-SHA256"]
    if mech.startswith("ECDSA"):
        extra = ["--signature-format", "openssl"]
    sig = base + ".sig"
    rc, out = tool("--slot", slot, "--login", "--pin", pin, "--sign", "--id", obj["id"], "-m", mech,
                   "-i", data, "-o", sig, *extra)
    if rc != 0:
        fail("sign slot=%s id=%s mech=%s: %s" % (slot, obj["id"], mech, out.strip().splitlines()[-1:]))
        return
    counts["signatures"] += 1
    if verify_with_openssl(mech, cert, doc, digest, sig):
        counts["verified"] += 1
        print("SIGN slot=%s id=%s mech=%s verified" % (slot, obj["id"], mech), flush=True)
    else:
        fail("verify slot=%s id=%s mech=%s" % (slot, obj["id"], mech))


def decrypt_one(slot, pin, obj, mech, cert):
    base = os.path.join(WORK, "d%s-%s-%s" % (slot, obj["id"], mech))
    secret = os.urandom(24)
    with open(base + ".plain", "wb") as f:
        f.write(secret)
    args = ["openssl", "pkeyutl", "-encrypt", "-certin", "-inkey", cert, "-in", base + ".plain", "-out", base + ".enc"]
    extra = []
    if mech == "RSA-PKCS-OAEP":
        args += ["-pkeyopt", "rsa_padding_mode:oaep", "-pkeyopt", "rsa_oaep_md:sha256", "-pkeyopt", "rsa_mgf1_md:sha256"]
        extra = ["--hash-algorithm", "SHA256", "--mgf", "MGF1-SHA256"]
    if run(args)[0] != 0:
        fail("encrypt for slot=%s id=%s" % (slot, obj["id"]))
        return
    rc, out = tool("--slot", slot, "--login", "--pin", pin, "--decrypt", "--id", obj["id"], "-m", mech,
                   "-i", base + ".enc", "-o", base + ".dec", *extra)
    if rc == 0 and open(base + ".dec", "rb").read() == secret:
        counts["decrypted"] += 1
        print("DECRYPT slot=%s id=%s mech=%s" % (slot, obj["id"], mech), flush=True)
    else:
        fail("decrypt slot=%s id=%s mech=%s: %s" % (slot, obj["id"], mech, out.strip().splitlines()[-1:]))


def main():
    rc, listing = tool("-L")
    if rc != 0:
        fail("-L: " + listing)
    slots = re.findall(r"^Slot \d+ \((0x[0-9a-f]+)\):", listing, re.M)
    pins = image_pins()
    for slot in slots:
        rc, public = tool("--slot", slot, "-O")
        if rc != 0:
            continue  # no token in this slot
        counts["tokens"] += 1
        token_pin = None
        for pin in pins:
            rc, out = tool("--slot", slot, "--login", "--pin", pin, "-O")
            if rc == 0:
                token_pin, listed = pin, out
                break
        if token_pin is None:
            fail("no PIN of the image logs in to slot %s" % slot)
            continue
        print("TOKEN slot=%s pin=ok" % slot, flush=True)
        rc, mechs = tool("--slot", slot, "-M")
        mechanisms = [(m.group(1), m.group(2)) for m in re.finditer(r"^\s+([A-Z0-9-]+),?(.*)$", mechs, re.M)]
        names = [n for n, _ in mechanisms]
        if "RSA-X-509" in names:
            # The card layer signs hashes and removes the padding of what it deciphers:
            # raw RSA is never offered.
            fail("slot %s offers RSA-X-509" % slot)
        if "RSA-PKCS" in names and "SHA1-RSA-PKCS" not in names:
            # pkcs11-tool's signature test signs a SHA-1 DigestInfo with CKM_RSA_PKCS.
            print("SKIP --test slot=%s: the card has no SHA-1 signature" % slot, flush=True)
        else:
            rc, out = tool("--slot", slot, "--login", "--pin", token_pin, "--test")
            if rc == 0:
                print("TEST slot=%s --test" % slot, flush=True)
            else:
                fail("--test slot=%s: %s" % (slot, " ".join(out.strip().splitlines()[-6:])))
        found = objects(listed)
        for obj in found:
            if obj["class"] != "Private Key" or obj["id"] is None:
                continue
            counts["keys"] += 1
            cert = os.path.join(WORK, "cert-%s-%s.pem" % (slot, obj["id"]))
            rc, out = tool("--slot", slot, "--read-object", "--type", "cert", "--id", obj["id"], "-o", cert + ".der")
            if rc != 0 or run(["openssl", "x509", "-inform", "DER", "-in", cert + ".der", "-out", cert])[0] != 0:
                fail("certificate of slot=%s id=%s" % (slot, obj["id"]))
                continue
            is_ec = obj["type"].startswith("EC")
            for name, flags in mechanisms:
                if ("sign" in flags) and (name.startswith("ECDSA") == is_ec):
                    sign_one(slot, token_pin, obj, name, cert)
                if "decrypt" in flags and not is_ec and os.environ.get("P11_DECRYPT", "1") == "1":
                    # the card's decipher key only; others fail and count as failures
                    if any(o["class"] == "Public Key" and o["id"] == obj["id"] and "encrypt" in o["usage"]
                           for o in found):
                        decrypt_one(slot, token_pin, obj, name, cert)
    if os.environ.get("P11_THREADS", "1") == "1":
        fork_and_threads()
    print("SUMMARY tokens=%d keys=%d signatures=%d verified=%d decrypted=%d failures=%d" %
          (counts["tokens"], counts["keys"], counts["signatures"], counts["verified"], counts["decrypted"], failures))


def fork_and_threads():
    rc, out = tool("--test-fork")
    if rc == 0 and "C_Initialize in forked child" in out:
        print("TEST --test-fork", flush=True)
    else:
        fail("--test-fork: " + " ".join(out.strip().splitlines()[-4:]))
    threads = ["--test-threads", "ILGISLT0"] * 3
    rc, out = tool("--use-locking", *threads)
    # One C_Initialize succeeds (the main thread's or one thread's), the others find
    # the module initialised.
    if rc == 0 and "all threads have ended with CKR_OK" in out and out.count("C_Initialize  returned CKR_OK") <= 1:
        print("TEST --test-threads", flush=True)
    else:
        fail("--test-threads: " + " ".join(out.strip().splitlines()[-6:]))


main()

#!/usr/bin/env python3
"""Writes the card simulator images of the card application layouts
(tools/cardsim/images/<name>.card): one image for every profile type that detection
sets and for the branches of its decision rules. Certificates come from the test PKI
(tools/pki/make-pki.sh) by file name. Run from the source tree root."""
import os
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else "tools/cardsim/images"

ATR = {
    "tcos2": "3B BA 96 00 81 31 86 5D 00 64 05 00 02 03 31 80 90 00 00",
    "tcos3": "3B BF 96 00 81 31 FE 5D 00 64 04 11 03 01 31 C0 73 F7 01 D0 00 90 00 7D",
    "micardo": "3B 6F 00 FF 00 68 D2 76 00 00 28 FF 05 1E 31 80 00 90 00",
    "cardos43": "3B F2 18 00 02 C1 0A 31 FE 58 C8 08 74",
    "starcos30": "3B BB 18 00 C0 10 31 FE 45 80 67 04 12 B0 03 04 00 10 81 05 2B",
    "seccos": "3B FF 00 00 FF 81 31 FE 45 65 63 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
    "setcos441": "3B 9F 00 80 1F C3 00 68 10 44 05 01 46 49 53 45 31 C8 00 90 00 00",
    "setcos442": "3B 9F 00 80 1F C3 00 68 10 44 05 02 46 49 53 45 31 C8 00 90 00 00",
    "starcos32": "3B 9F 96 81 B1 FE 45 1F 07 00 64 05 1E B2 00 31 B0 73 96 21 00 00 90 00 00",
    "cardos44": "3B D2 18 02 C1 0A 31 FE 58 C8 0D 51",
    "starcos34": "3B D8 18 FF 81 B1 FE 45 1F 03 80 64 04 1A B4 03 81 05 61",
    "tcos3v2": "3B 9F 96 81 31 FE 9D 00 64 05 A0 03 04 31 C0 73 F7 01 D0 00 90 00 28",
    "starcos35": "3B D9 96 FF 81 31 FE 45 80 31 B8 73 86 01 E0 81 05 22",
    "cardos50": "3B D2 18 00 81 31 FE 58 C9 01 14",
    "cardos54": "3B D2 18 00 81 31 FE 58 C9 04 11",
}
IMAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "cardsim", "images")
# Layout images that share the key locations of a card operating system image take its
# PINs and keys.
KEYS_FROM = {
    "micardo21": "micardo21-dtrust",
    "micardo21-multi": "micardo21-dtrust",
    "starcos30": "starcos30-signtrust",
    "starcos30-single": "starcos30-signtrust",
    "starcos34-dtrust-01": "starcos34-dtrust",
    "starcos35-b-multi": "starcos35-b",
    "cardos54-41-std-rsa": "cardos54-dtrust",
    "cardos54-44-std-rsa": "cardos54-dtrust",
    "tcos3-single": "tcos30-telesec",
    "tcos3-multi": "tcos30-telesec",
    "starcos34-dtrust-02": "starcos34-dtrust",
    "starcos34-dtrust-03": "starcos34-dtrust",
    "starcos34-dtrust-04": "starcos34-dtrust",
    "cardos50-v31-batch100": "cardos50-dtrust",
    "cardos50-v31-multicard": "cardos50-dtrust",
    "cardos50-v34-standard": "cardos50-dtrust",
    "cardos50-v34-multicard": "cardos50-dtrust",
}
# The simulator dialect of each card operating system: the layout images answer as a
# card of their kind does.
DIALECT = {
    "tcos2": "tcos", "tcos3": "tcos", "tcos3v2": "tcos", "micardo": "micardo", "cardos43": "cardos4",
    "cardos44": "cardos4", "starcos30": "starcos3", "starcos32": "starcos3", "seccos": "seccos",
    "setcos441": "setcos", "setcos442": "setcos", "starcos34": "starcos35", "starcos35": "starcos35",
    "cardos50": "cardos50", "cardos54": "cardos50",
}
# The ATR of the operating system image, where the layout images once had a generic one.
ATR.update({
    "seccos": "3B FF 00 00 FF 81 31 FE 45 65 63 0D 0C 01 21 42 00 00 00 00 00 00 00 00 00",
    "setcos441": "3B 9F 94 80 1F C3 00 68 10 44 05 01 46 49 53 45 31 C8 07 90 00 18",
})
# Cards whose ATR offers T=0 only (no TD1 byte) or that answer a selection through GET
# RESPONSE: the reader runs them on T=0.
T0_ONLY = {"micardo", "setcos441"}


# ---- DER ----
def tlv(tag, content):
    n = len(content)
    if n < 0x80:
        head = bytes([tag, n])
    elif n < 0x100:
        head = bytes([tag, 0x81, n])
    else:
        head = bytes([tag, 0x82, n >> 8, n & 0xFF])
    return head + content


def seq(*items):
    return tlv(0x30, b"".join(items))


def octets(h, tag=0x04):
    return tlv(tag, bytes.fromhex(h.replace("/", "")))


def utf8(s, tag=0x0C):
    return tlv(tag, s.encode())


def integer(v, tag=0x02):
    b = v.to_bytes(max(1, (v.bit_length() + 8) // 8), "big")
    return tlv(tag, b)


def path(p, index=None, length=None):
    c = octets(p)
    if index is not None:
        c += integer(index)
    if length is not None:
        c += integer(length, 0x80)
    return seq(c)


def pin_obj(label, auth_id, ref, p, local=True, minl=6, maxl=12):
    flags = bytes([0x03, 0x02, 0x03, 0x48 if local else 0x08])  # (local,) initialized
    attrs = flags + integer(1, 0x0A) + integer(minl) + integer(8) + integer(maxl) + integer(ref, 0x80)
    attrs += tlv(0x04, b"\x00")
    if p:
        attrs += path(p)
    return seq(seq(utf8(label), bytes.fromhex("030206C0")), seq(octets(auth_id)), tlv(0xA1, seq(attrs)))


def key_obj(label, auth_id, key_id, ref, p, bits=2048):
    common = seq(utf8(label), bytes.fromhex("03020780"), octets(auth_id))
    key = seq(octets(key_id), bytes.fromhex("03020520"), integer(ref))
    return seq(common, key, tlv(0xA1, seq(path(p), integer(bits))))


def cert_obj(label, cert_id, p, authority=False, index=None, length=None):
    attrs = octets(cert_id) + (bytes.fromhex("0101FF") if authority else b"")
    return seq(seq(utf8(label)), seq(attrs), tlv(0xA1, seq(path(p, index, length))))


def token_info(serial, manufacturer, label, flags=0x20):
    c = integer(0) + octets(serial)
    if manufacturer:
        c += utf8(manufacturer)
    c += utf8(label, 0x80) + bytes([0x03, 0x02, 0x05, flags])
    return seq(c)


def odf(entries):
    return b"".join(tlv(0xA0 + kind, path(p)) for kind, p in entries)


def efdir(p, label="PKCS#15"):
    return tlv(0x61, octets("A000000063504B43532D3135", 0x4F) + utf8(label, 0x50) + octets(p, 0x51))


def hexlines(b, key="data"):
    out = []
    for i in range(0, len(b), 32):
        out.append(key + " = " + " ".join("%02X" % x for x in b[i:i + 32]))
    return "\n".join(out)


# ---- images ----
class Image:
    def __init__(self, name, comment, kind, label):
        self.name, self.comment, self.kind, self.label = name, comment, kind, label
        self.dfs, self.efs, self.extra, self.aids = set(), [], [], {}

    def _parents(self, p):
        parts = p.split("/")
        for i in range(2, len(parts)):
            self.dfs.add("/".join(parts[:i]))

    def df(self, p):
        self._parents(p + "/x")

    def cert(self, p, pki):
        self._parents(p)
        self.efs.append((p, "cert = " + pki))

    def data(self, p, b):
        self._parents(p)
        self.efs.append((p, hexlines(b)))

    def records(self, p, recs):
        self._parents(p)
        self.efs.append((p, "type = linear-variable\n" + "\n".join("record = " + " ".join("%02X" % x for x in r) for r in recs)))

    def getdata(self, p1p2, b):
        self.extra.append("[data %s]\nvalue = %s" % (p1p2, " ".join("%02X" % x for x in b)))

    def keys_from(self, os_image):
        """The PINs, keys and security environments of the card operating system image
        whose key locations the layout shares, so that the layout signs too."""
        self.comment += "\nPINs and keys as in %s.card." % os_image
        section = None
        with open(os.path.join(IMAGES, os_image + ".card")) as f:
            for line in f:
                text = line.split("#")[0].strip()
                if line.startswith("["):
                    words = text[1:-1].split()
                    section = None
                    if words[0] in ("pin", "key", "se"):
                        if words[1] != "3F00":
                            self.df(words[1])
                        section = [text]
                        self.extra.append(section)
                elif section is not None and text:
                    section.append(text)
        self.extra = ["\n".join(e) if isinstance(e, list) else e for e in self.extra]

    def pin(self, df, ref, value, encoding="format2", local_df=None, minl=4, maxl=16):
        """A PIN in DF df (the MF for a global one) with its reference as the card knows it."""
        if df != "3F00":
            self.df(df)
        self.extra.append("[pin %s %02X]\nvalue = %s\npuk = 12345678\nencoding = %s\nmin-length = %d\nmax-length = %d"
                          % (df, ref, value, encoding, minl, maxl))

    def key(self, df, ref, private, pin, decipher=False, per_signature=False, raw_auth=False, sign_alg=None):
        """A private key of the PKI folder in DF df, used after PIN pin (in df or above)."""
        if df != "3F00":
            self.df(df)
        text = "[key %s %02X]\nprivate = %s\npin = %02X" % (df, ref, private, pin)
        if decipher:
            text += "\ndecipher-alg = raw"
        if per_signature:
            text += "\npin-per-signature = yes"
        if raw_auth:
            text += "\nauth-alg = raw"
        if sign_alg:
            text += "\nsign-alg = " + sign_alg
        self.extra.append(text)

    def ef(self, *paths):
        """Empty EFs the card selects by name: key files and PIN files of the layout."""
        for p in paths:
            self._parents(p)
            self.efs.append((p, ""))

    def serial(self, h):
        b = bytes.fromhex(h)
        self.data("3F00/2F02", bytes([0x5A, len(b)]) + b)
        self.serial_bytes = b

    def write(self):
        # CardOS answers its chip serial number to GET DATA 01 81 (8 bytes).
        serial = getattr(self, "serial_bytes", None)
        if serial and self.kind.startswith("cardos") and not any(e.startswith("[data 0181]") for e in self.extra):
            self.getdata("0181", serial.rjust(8, b"\0")[-8:])
        # CardOS 5 names its largest command and response data fields (GET DATA 01 8D).
        if self.kind in ("cardos50", "cardos54") and not any(e.startswith("[data 018D]") for e in self.extra):
            self.getdata("018D", b"\x04\x00")
        self._write()

    def _write(self):
        if self.name in KEYS_FROM:
            self.keys_from(KEYS_FROM[self.name])
        lines = ["# " + l for l in self.comment.split("\n")]
        lines += ["", "[card]", "dialect = " + DIALECT[self.kind],
                  "atr = " + ATR[self.kind], "protocol = " + ("T0" if self.kind in T0_ONLY else "T1"), "label = " + self.label, ""]
        for d in sorted(self.dfs, key=lambda x: (x.count("/"), x)):
            lines.append("[df %s]" % d)
            if d in self.aids:
                lines.append("aid = " + self.aids[d])
        lines.append("")
        for p, body in self.efs:
            lines.append("[ef %s]" % p)
            lines.append(body)
        for e in self.extra:
            lines.append(e)
        with open(os.path.join(OUT, self.name + ".card"), "w") as f:
            f.write("\n".join(lines) + "\n")


SIG, AUTH, CA, ROOT, SIG3K, MZOD, MZODT = ("signer-rsa2048.der", "auth-rsa2048.der", "issuing-ca.der",
                                           "root-ca.der", "signer-rsa3072.der", "medisign-zod.der",
                                           "medisign-zod-test.der")
# The 1024-bit key of the cards that sign with no other size (made by the card tests' build).
R1K, R1KEY = "rsa1024.der", "rsa1024.key"

# TCOS 2: 1024-bit keys (the card signs with no other size). Keys of DF01, DF06 and 8000
# sign with the key of the selected directory; the others through MSE C1 B8 and PSO 80 84.
# The PINs sit in the MF (ASCII), the key and PIN files the layout selects are there.
im = Image("tcos2-telesec", "TCOS 2 TeleSec layout: SigG and qualified certificates in DF06, certificates in DF01.\n"
           "Keys: DF06 81 and DF01 80 (rsa1024), PIN 81 (ASCII) = 123456.", "tcos2", "TCOS 2 TeleSec")
im.serial("0123456789"); im.cert("3F00/DF06/C000", R1K); im.cert("3F00/DF06/4331", R1K); im.cert("3F00/DF01/C000", R1K); im.cert("3F00/DF01/C200", CA)
im.ef("3F00/DF06/5331", "3F00/DF01/5331", "3F00/DF01/53B1")
im.pin("3F00", 0x81, "123456", "ascii"); im.key("3F00/DF06", 0x81, R1KEY, 0x81, True); im.key("3F00/DF01", 0x80, R1KEY, 0x81, True)
im.write()
im = Image("tcos2-signtrust", "TCOS 2 Signtrust layout (profile 6, rows of 5).\n"
           "Keys: 8000/DF01 81, 8000/8200 80, 8000/8300 80 (rsa1024), PIN 81 (ASCII) = 123456.", "tcos2", "TCOS 2 Signtrust")
im.serial("0123456790"); im.cert("3F00/8000/DF01/C000", R1K); im.cert("3F00/8000/8200/8220", R1K)
im.cert("3F00/8000/8300/8320", R1K); im.cert("3F00/8000/DF01/C00E", ROOT)
im.ef("3F00/8000/DF01/5331", "3F00/8000/DF01/0000", "3F00/8000/8200/8210", "3F00/8000/8200/0040", "3F00/8000/8300/8310", "3F00/8000/8300/0040")
im.pin("3F00", 0x81, "123456", "ascii"); im.key("3F00/8000/DF01", 0x81, R1KEY, 0x81, True)
im.key("3F00/8000/8200", 0x80, R1KEY, 0x81, True); im.key("3F00/8000/8300", 0x80, R1KEY, 0x81, True)
im.write()
im = Image("tcos2-datev", "TCOS 2 Datev layout.\nKeys: DF01 81 (PIN 81) and 3000 82 (PIN 01), rsa1024; PINs (ASCII) 81 = 123456, 01 = 654321.", "tcos2", "TCOS 2 Datev")
im.serial("0123456791"); im.cert("3F00/DF01/C000", R1K); im.cert("3F00/3000/C500", R1K); im.cert("3F00/DF01/C008", CA)
im.cert("3F00/DF01/B000", ROOT)
im.ef("3F00/DF01/5331", "3F00/DF01/5081", "3F00/3000/5371", "3F00/3000/4571")
im.pin("3F00", 0x81, "123456", "ascii"); im.pin("3F00", 0x01, "654321", "ascii")
im.key("3F00/DF01", 0x81, R1KEY, 0x81, True); im.key("3F00/3000", 0x82, R1KEY, 0x01, True)
im.write()
for name, ca, ref, what in (("tcos2-medisign", MZOD, 0x81, "the CA in DF01/C00E has a known medisign name (PIN reference 129)"),
                            ("tcos2-medisign-other-ca", CA, 0x00, "with a CA of another name (PIN reference 0)")):
    im = Image(name, "TCOS 2 medisign 1k layout; %s.\nKeys: DF01, 8300 and 8200 81 (rsa1024), PIN %02X (ASCII) = 123456." % (what, ref), "tcos2", "TCOS 2 medisign")
    im.serial("0123456792" if ref else "0123456793"); im.cert("3F00/DF01/C000", R1K); im.cert("3F00/DF01/C00E", ca)
    im.cert("3F00/8300/C000", R1K); im.cert("3F00/8200/C000", R1K)
    im.ef("3F00/DF01/5103", "3F00/8300/5103", "3F00/8300/4E03", "3F00/8200/5103", "3F00/8200/4E03")
    im.pin("3F00", ref, "123456", "ascii")
    for df in ("3F00/DF01", "3F00/8300", "3F00/8200"):
        im.key(df, 0x81, R1KEY, ref, True)
    im.write()
im = Image("tcos2-quovadis", "TCOS 2 QuoVadis layout: DF06/4331 and DF01/4371.\n"
           "Keys: DF06 81 (PIN 81) and DF01 82 (PIN 00), rsa1024; PINs (ASCII) 81 = 123456, 00 = 654321.", "tcos2", "TCOS 2 QuoVadis")
im.serial("0123456794"); im.cert("3F00/DF06/4331", R1K); im.cert("3F00/DF01/4371", R1K)
im.ef("3F00/DF06/5331", "3F00/DF01/5371")
im.pin("3F00", 0x81, "123456", "ascii"); im.pin("3F00", 0x00, "654321", "ascii")
im.key("3F00/DF06", 0x81, R1KEY, 0x81, True); im.key("3F00/DF01", 0x82, R1KEY, 0x00, True)
im.write()

# TCOS 3
for name, flag, multi in (("tcos3-single", 1, False), ("tcos3-multi", 0, True)):
    im = Image(name, "TCOS 3 (Netkey), %s-signature: byte L-14 of DF01/5349 record 1." % ("multi" if multi else "single"), "tcos3", "TCOS 3")
    im.serial("0987654321"); rec = bytes(20); rec = rec[:6] + bytes([flag]) + rec[7:]
    im.records("3F00/DF01/5349", [rec]); im.cert("3F00/DF01/C000", SIG)
    if multi:
        im.cert("3F00/DF02/4331", AUTH); im.cert("3F00/DF02/43B1", AUTH)
    else:
        im.cert("3F00/DF02/C000", AUTH); im.cert("3F00/DF02/C200", AUTH); im.cert("3F00/DF02/C500", AUTH)
        im.key("3F00/DF02", 0x82, "auth-rsa2048.key", 0x00, True)
    im.ef("3F00/5044", "3F00/DF02/5344")
    im.write()

# Micardo 2.1
for name, cardname in (("micardo21", "D-TRUST QUAL Single"), ("micardo21-multi", "D-TRUST QUAL Multi 2.1")):
    im = Image(name, "Micardo 2.1 D-TRUST card named \"%s\" in its token info." % cardname, "micardo", "Micardo 2.1")
    im.serial("1122334455"); im.data("3F00/5015/5032", token_info("1122334455", cardname, "Micardo"))
    im.cert("3F00/4016/C000", R1K); im.cert("3F00/4016/C500", R1K); im.cert("3F00/4016/C008", ROOT)
    im.ef("3F00/4016/0013", "3F00/4016/0015", "3F00/4016/0050", "3F00/4016/0051")
    im.write()

# STARCOS 3.0
for name, se in (("starcos30", "800183 9F22 0102"), ("starcos30-single", "800183 9F22 0101")):
    im = Image(name, "STARCOS 3.0 Signtrust: security environment record 3 of 3F01/0013 holds 9F 22 %s." % se[-4:], "starcos30", "STARCOS 3.0")
    im.serial("2233445566")
    im.records("3F00/3F01/0013", [bytes.fromhex("A000"), bytes.fromhex("A100"), bytes.fromhex(se.replace(" ", ""))])
    im.cert("3F00/3F01/C000", SIG); im.cert("3F00/3F01/C008", CA); im.cert("3F00/3F01/C500", AUTH); im.cert("3F00/3F01/C200", AUTH)
    im.write()


# SECCOS 5
def seccos_product(text):
    return bytes(112) + text.encode().ljust(16, b" ") + bytes(4)


# The product names the key sizes (signature, authentication); an unknown product counts
# as 1536 bits each. The keys of those sizes come from the card tests' build.
for name, product, sig_bits, auth_bits in (("seccos-single", "SSI3P3M6 V_1.0", 1976, 1728), ("seccos-multi", "SDI3G6G0 .V_3", 1976, 1728),
                                           ("seccos-unknown", "XXXXXXXX V_9", 1536, 1536)):
    im = Image(name, "SECCOS 5 card, product data (GET DATA DF 20) \"%s\".\n"
               "Keys: AB00 01 (%d bits, PIN 81 format-2 = 123456) and AB00 82 (%d bits, card PIN 03 ASCII = 654321)."
               % (product, sig_bits, auth_bits), "seccos", "SECCOS 5")
    im.serial("3344556677"); im.getdata("DF20", seccos_product(product))
    im.cert("3F00/AB00/C000", "rsa%d.der" % sig_bits); im.cert("3F00/AB00/C500", "rsa%d.der" % auth_bits)
    im.cert("3F00/AB00/C608", CA); im.cert("3F00/AB00/B000", ROOT)
    im.ef("3F00/AB00/0016")
    im.pin("3F00", 0x03, "654321", "ascii"); im.pin("3F00/AB00", 0x81, "123456")
    im.key("3F00/AB00", 0x01, "rsa%d.key" % sig_bits, 0x81); im.key("3F00/AB00", 0x82, "rsa%d.key" % auth_bits, 0x03, True, raw_auth=True)
    im.write()

# STARCOS 3.2
im = Image("starcos32-medisign-layout", "STARCOS 3.2 medisign: 3F02/C200 holds a certificate.", "starcos32", "STARCOS 3.2")
im.serial("4455667788"); im.records("3F00/3F04/0015", [bytes.fromhex("8001839F220101")])
im.cert("3F00/3F04/C000", SIG); im.cert("3F00/3F02/C200", AUTH); im.cert("3F00/3F02/C500", AUTH)
im.comment += "\nKeys: 3F04 84 (PIN 81), 3F02 82 and 83 (card PIN 01). Format-2 PINs: 81 = 123456, 01 = 654321."
im.pin("3F00", 0x01, "654321"); im.pin("3F00/3F04", 0x81, "123456")
im.key("3F00/3F04", 0x84, "signer-rsa2048.key", 0x81); im.key("3F00/3F02", 0x82, "auth-rsa2048.key", 0x01)
im.key("3F00/3F02", 0x83, "auth-rsa2048.key", 0x01, True)
im.write()
for name, se in (("starcos32-signtrust-single", "9F220101"), ("starcos32-signtrust-multi", "9F220102")):
    im = Image(name, "STARCOS 3.2 Signtrust: 3F01/C200 and C208; record 1 of 3F04/0015 holds %s.\n"
               "Keys: 3F04 84 (PIN 81), 3F01 86 and 93 (card PIN 01). Format-2 PINs: 81 = 123456, 01 = 654321." % se,
               "starcos32", "STARCOS 3.2")
    im.serial("4455667789"); im.records("3F00/3F04/0015", [bytes.fromhex("800183" + se)])
    im.cert("3F00/3F04/C000", SIG); im.cert("3F00/3F04/C008", CA); im.cert("3F00/3F01/C200", AUTH); im.cert("3F00/3F01/C208", CA)
    im.cert("3F00/3F01/C500", AUTH)
    im.pin("3F00", 0x01, "654321"); im.pin("3F00/3F04", 0x81, "123456")
    im.key("3F00/3F04", 0x84, "signer-rsa2048.key", 0x81); im.key("3F00/3F01", 0x86, "auth-rsa2048.key", 0x01, True)
    im.key("3F00/3F01", 0x93, "auth-rsa2048.key", 0x01, True)
    im.write()

# STARCOS 3.4 (D-TRUST 3.x): the serial decides
for kind in ("01", "02", "03", "04"):
    im = Image("starcos34-dtrust-" + kind, "STARCOS 3.4 D-TRUST card, serial 927600321%s..." % kind, "starcos34", "STARCOS 3.4")
    im.serial("9276003210" + kind[1] + "0001234"); im.cert("3F00/1501/C100", AUTH); im.cert("3F00/1501/C101", CA)
    im.cert("3F00/1501/C102", ROOT); im.cert("3F00/1501/C103", SIG); im.cert("3F00/1501/C104", CA); im.cert("3F00/1501/C105", ROOT)
    im.comment += "\nThe authentication key 81 in DF 0FFF (global card PIN 01)."
    im.key("3F00/0FFF", 0x81, "auth-rsa2048.key", 0x01, True)
    im.write()

# STARCOS 3.5, layout B, multi-signature through the product data
im = Image("starcos35-b-multi", "STARCOS 3.5 layout C000/C200 whose GET DATA 9F 67 says multi-signature (byte 4 = 0C).", "starcos35", "STARCOS 3.5")
im.serial("5566778899"); im.getdata("9F67", bytes.fromhex("0102030C05")); im.cert("3F00/0604/C000", SIG)
im.cert("3F00/0608/C200", AUTH); im.cert("3F00/0608/C500", AUTH); im.write()

# TCOS 3.0v2
im = Image("tcos3v2", "TCOS 3.0v2: QES certificate DF01/C001, ADS certificate DF02/C000.", "tcos3v2", "TCOS 3.0v2")
im.comment += ("\nBoth applications hold the ECDSA P-256 key of signer-ec256: eSign (DF01) key 84 under its PIN 81,\n"
               "the ADS application (DF02) key 80 under the global PIN 03. PINs (ASCII): 81 = 123456, 03 = 654321.")
im.serial("6677889900"); im.cert("3F00/DF01/C001", "signer-ec256.der"); im.cert("3F00/DF02/C000", "signer-ec256.der")
im.aids["3F00/DF01"] = "A0 00 00 01 67 45 53 49 47 4E"; im.aids["3F00/DF02"] = "D2 76 00 00 03 01 02"
im.pin("3F00/DF01", 0x81, "123456", "ascii"); im.pin("3F00", 0x03, "654321", "ascii")
im.key("3F00/DF01", 0x84, "signer-ec256.key", 0x81, sign_alg="ecdsa"); im.key("3F00/DF02", 0x80, "signer-ec256.key", 0x03, sign_alg="ecdsa")
im.write()


# PKCS#15 application in 3F00/5015 with two PINs, two keys and certificates.
def p15(im, label, manufacturer, serial="0011223344556677", certs=None, base="3F00/5015", with_dir=True,
        prkdf_records=False, useful=None, sig_pin=0x81, keys=None, pins=None, key_bits=(2048, 2048)):
    """keys: (key path, key reference) of the signature and the authentication key;
    pins: (PIN path, reference) of the signature PIN and the card PIN; key_bits: their sizes."""
    b = base.replace("/", "")
    if with_dir:
        im.data("3F00/2F00", efdir(b))
    im.df(base)
    ti = token_info(serial, manufacturer, label)
    (sig_key, sig_ref), (auth_key, auth_ref) = keys or (("3F001FFF", 0x84), ("3F00501550724B01", 0x82))
    (sig_pin_path, sig_pin), (card_pin_path, card_pin) = pins or (("3F001FFF", sig_pin), ("3F00", 0x01))
    aodf = (pin_obj("Signatur PIN", "01", sig_pin, sig_pin_path)
            + pin_obj("Karten PIN", "02", card_pin, card_pin_path, local=card_pin >= 0x80))
    keys = [key_obj("Signaturschluessel", "01", "45", sig_ref, sig_key, key_bits[0]),
            key_obj("Authentisierungsschluessel", "02", "46", auth_ref, auth_key, key_bits[1])]
    certs = certs or [("Signaturzertifikat", "45", "3F00/5015/4331", SIG), ("Authentisierungszertifikat", "46", "3F00/5015/4332", AUTH)]
    cdf = b"".join(cert_obj(l, i, p.replace("/", "")) for l, i, p, _ in certs)
    entries = [(0, b + "4402"), (4, b + "4403"), (8, b + "4401")]
    if useful:
        entries.append((6, b + "4404"))
    im.data(base + "/5031", odf(entries))
    im.data(base + "/5032", ti)
    im.data(base + "/4401", aodf)
    if prkdf_records:
        im.records(base + "/4402", [seq(k) for k in keys])
    else:
        im.data(base + "/4402", b"".join(keys))
    im.data(base + "/4403", cdf)
    for _, _, p, pki in certs:
        im.cert(p, pki)
    if useful:
        im.data(base + "/4404", b"".join(cert_obj(l, i, p.replace("/", ""), True) for l, i, p, _ in useful))
        for _, _, p, pki in useful:
            im.cert(p, pki)


# Where each CardOS 4.3 layout keeps its keys and PINs, as the library's layout rows and
# its signing path for the profile name them: the PKCS#15 key and PIN objects (as p15
# takes them, None for its defaults), the card's PINs (DF, reference, ASCII value) and
# keys (DF, reference, key of the PKI folder, PIN reference). CardOS uses every key through
# a raw private-key operation as well, so each key also deciphers.
DF_SIG, DF_4B01, DF_4B02, DF_4B03 = "3F00/1FFF", "3F00/5015/5072/4B01", "3F00/5015/5072/4B02", "3F00/5015/5072/4B03"
CARD_PIN, SIG_PIN, SIGNER_KEY, AUTH_KEY = "87654321", "12345678", "signer-rsa2048.key", "auth-rsa2048.key"
# D-TRUST and D-SIGN (22 to 25, 28, 29): the qualified key 02 in 1FFF under the local PIN 81,
# the key 01 of the certificates 4301 and 4302 in 4B01 under the card PIN 01.
DTRUST43 = ((("3F001FFF0102", 0x02), ("3F00501550724B010101", 0x01)), None,
            [("3F00", 0x01, CARD_PIN), (DF_SIG, 0x81, SIG_PIN)],
            [(DF_SIG, 0x02, SIGNER_KEY, 0x81), (DF_4B01, 0x01, AUTH_KEY, 0x01)])
CARDOS43_KEYS = {
    # Quorvel: the signature PIN 83 in 1FFF/0101, keys by the PKCS#15 objects.
    20: (None, None, [("3F00", 0x01, CARD_PIN), (DF_SIG, 0x83, SIG_PIN)],
         [(DF_SIG, 0x84, SIGNER_KEY, 0x83), (DF_4B01, 0x82, AUTH_KEY, 0x01)]),
    # QuoVadis: the qualified key 01 and its local PIN 81 in 4B01 (PIN file 5501).
    21: (None, None, [(DF_4B01, 0x81, SIG_PIN)], [(DF_4B01, 0x01, SIGNER_KEY, 0x81)]),
    22: DTRUST43, 23: DTRUST43, 25: DTRUST43, 28: DTRUST43, 29: DTRUST43,
    # TC QSign: the PKCS#15 objects name the signature key 3F001FFF and its PIN 3F001FFF (read
    # as 1FFF/C100), the authentication key 3F00501550724B01 and the card PIN: the keys are
    # used from the DF above the key path, the MF (84) and 5015/5072 (82), and the signature
    # PIN 81 is the MF's, which the layout's PIN rows of 1FFF/C100, 4B01/5501 and 4B03/5503 reach.
    26: (None, None, [("3F00", 0x01, CARD_PIN), ("3F00", 0x81, SIG_PIN)],
         [("3F00", 0x84, SIGNER_KEY, 0x81), ("3F00/5015/5072", 0x82, AUTH_KEY, 0x01)]),
    # SwissSignID: the signature key 02 in 1FFF under the PIN 81 of 1FFF/C100, the
    # authentication key 01 in 4B02 under the local PIN 81 of 4B02 (PIN file 5502).
    40: ((("3F001FFF0102", 0x02), ("3F00501550724B020102", 0x01)), (("3F001FFF", 0x81), ("3F00501550724B025502", 0x81)),
         [(DF_SIG, 0x81, SIG_PIN), (DF_4B02, 0x81, CARD_PIN)],
         [(DF_SIG, 0x02, SIGNER_KEY, 0x81), (DF_4B02, 0x01, AUTH_KEY, 0x81)]),
    # SuisseID: both keys in 4B02 under its local PIN 81.
    41: ((("3F00501550724B020101", 0x01), ("3F00501550724B020102", 0x02)),
         (("3F00501550724B025502", 0x81), ("3F00501550724B025502", 0x81)),
         [(DF_4B02, 0x81, SIG_PIN)],
         [(DF_4B02, 0x01, SIGNER_KEY, 0x81), (DF_4B02, 0x02, AUTH_KEY, 0x81)]),
}
CARDOS43_KEYS[27] = CARDOS43_KEYS[26]
# The blank token keeps the PKCS#15 defaults.
CARDOS43_KEYS[0] = (None, None, [("3F00", 0x01, CARD_PIN), (DF_SIG, 0x81, SIG_PIN)],
                    [(DF_SIG, 0x84, SIGNER_KEY, 0x81), (DF_4B01, 0x82, AUTH_KEY, 0x01)])
# The key and PIN files the layouts select, by the DF that holds them.
CARDOS43_FILES = {DF_SIG: ("0101", "0102", "C100"), DF_4B01: ("0101", "5501"), DF_4B02: ("0101", "0102", "5502"),
                  DF_4B03: ("0101", "5503")}


def cardos43_keys(im, pins, keys):
    """The card's PINs and keys and the key and PIN files of their DFs."""
    dfs = sorted({df for df, _, _ in pins} | {df for df, _, _, _ in keys})
    im.comment += "\nKeys: %s; PINs (ASCII): %s." % (
        ", ".join("%s %02X (%s, PIN %02X)" % (df[5:], ref, key.split("-")[0], pin) for df, ref, key, pin in keys),
        ", ".join("%s %02X = %s" % (df[5:] or "MF", ref, value) for df, ref, value in pins))
    for df in sorted(set(dfs) | {DF_SIG, DF_4B01}):
        im.ef(*("%s/%s" % (df, f) for f in CARDOS43_FILES.get(df, ())))
    for df, ref, value in pins:
        im.pin(df, ref, value, "ascii", maxl=15)
    for df, ref, key, pin in keys:
        im.key(df, ref, key, pin, True)


# CardOS 4.3: one image per label rule
cardos43 = [
    ("cardos43-signcard-single", "SignCard single", "Quorvel", 20),
    ("cardos43-signcard-multiple", "SignCard multiple", "Quorvel", 20),
    ("cardos43-quorvel", "Quorvel Signature Card", "Quorvel", 20),
    ("cardos43-quovadis", "QuoVadis Signature", "Siemens AG", 21),
    ("cardos43-dsign-multicard", "D-SIGN multicard", "D-TRUST GmbH", 22),
    ("cardos43-dtrust-multicard", "D-TRUST multicard", "D-TRUST GmbH", 23),
    ("cardos43-dtrust-card", "D-TRUST card 2.1", "D-TRUST GmbH", 25),
    ("cardos43-tc-qsign-unlimited", "TC QSign unlimited", "TC TrustCenter", 26),
    ("cardos43-tc-qsign", "TC QSign", "TC TrustCenter", 27),
    ("cardos43-tc-qsign-blank", "TC QSign ", "TC TrustCenter", 0),
    ("cardos43-dsign-2ce", "D-SIGN multicard 2.0 2ce", "D-TRUST GmbH", 28),
    ("cardos43-dtrust-2ce", "D-TRUST card 2.4 2ce", "D-TRUST GmbH", 29),
    ("cardos43-swisssignid", "SwissSignID Gold", "SwissSign", 40),
    ("cardos43-suisseid", "SuisseID Card", "SwissSign", 41),
]
for name, label, manuf, profile in cardos43:
    im = Image(name, "CardOS 4.3 PKCS#15 token labelled \"%s\" (profile %d)." % (label, profile), "cardos43", "CardOS 4.3")
    im.serial("0011223344556677")
    p15_keys, p15_pins, pins, keys = CARDOS43_KEYS[profile]
    # The Quorvel layout (profile 20) names the signature PIN 83 in 1FFF/0101.
    p15(im, label, manuf, sig_pin=0x83 if profile == 20 else 0x81, keys=p15_keys, pins=p15_pins)
    if profile in (21,):
        im.cert("3F00/5015/4304/4301", SIG)
    if profile in (26, 27):
        im.cert("3F00/1003/C008", CA)
    if profile in (22, 23, 25, 28, 29):
        im.cert("3F00/5015/4304/43F1", SIG); im.cert("3F00/5015/4304/4301", AUTH); im.cert("3F00/5015/4304/4302", AUTH)
        im.cert("3F00/5015/4304/C008", CA); im.cert("3F00/5015/4304/C708", ROOT); im.cert("3F00/5015/4304/C00F", CA)
        im.cert("3F00/5015/4304/C70F", ROOT)
    cardos43_keys(im, pins, keys)
    im.write()

# CardOS 4.4: keys and PINs where the layout rows name them, used through the raw
# private-key operation of DECIPHER as the card signs.
im = Image("cardos44-dtrust-layout", "CardOS 4.4 D-TRUST layout: 3F00/2000/2001/0001 exists.\n"
           "Keys: 2000/2001/0026 01 (signer) and 2000/2001 01 (auth, for 0010, 0012, 0018, 0024), card PIN 81\n"
           "(ASCII) = 12345678.", "cardos44", "CardOS 4.4")
im.serial("7788990011"); im.data("3F00/2000/2001/0001", b"\x00")
for fid, pki in (("000C", ROOT), ("000E", CA), ("002A", SIG), ("0010", AUTH), ("0012", AUTH), ("0018", AUTH), ("0024", AUTH)):
    im.cert("3F00/2000/2001/" + fid, pki)
im.ef("3F00/2000/2001/0026/0001")
im.pin("3F00", 0x81, SIG_PIN, "ascii", maxl=15)
im.key("3F00/2000/2001/0026", 0x01, SIGNER_KEY, 0x81, True); im.key("3F00/2000/2001", 0x01, AUTH_KEY, 0x81, True)
im.write()
# QuoVadis: the qualified key 01 in 4B01 under its local PIN 81 (PIN file 5501); SwissSign:
# the key 02 in 4B02 under its local PIN 81, its certificate in 4304/4303.
for name, manuf, profile, df, ref, sig_cert in (("cardos44-quovadis", "Siemens AG", 51, DF_4B01, 0x01, "4301"),
                                                ("cardos44-swisssign", "SwissSign AG", 52, DF_4B02, 0x02, "4303")):
    im = Image(name, "CardOS 4.4 PKCS#15 token made by \"%s\" (profile %d).\n"
               "Key: %s %02X (signer) under the local PIN 81 (ASCII) = 12345678." % (manuf, profile, df[5:], ref),
               "cardos44", "CardOS 4.4")
    im.serial("7788990012"); p15(im, "Signature Card", manuf); im.data("3F00/5015/5600", b"\x00")
    for fid, pki in (("4301", SIG), ("4302", ROOT), ("4303", CA)):
        im.cert("3F00/5015/4304/" + fid, SIG if fid == sig_cert else pki)
    im.ef(*("%s/%s" % (df, f) for f in CARDOS43_FILES[df]))
    im.pin(df, 0x81, SIG_PIN, "ascii", maxl=15); im.key(df, ref, SIGNER_KEY, 0x81, True)
    im.write()

# CardOS 5.0 labels (the existing cardos50-dtrust image is V3.1 standard on the CardOS 5.0 dialect)
for name, label in (("cardos50-v31-batch100", "D-TRUST Card V3.1 batch100"), ("cardos50-v31-multicard", "D-TRUST Card V3.1 multicard"),
                    ("cardos50-v34-standard", "D-TRUST Card V3.4 standard"), ("cardos50-v34-multicard", "D-TRUST Card V3.4 multicard")):
    im = Image(name, "CardOS 5.0 D-TRUST card labelled \"%s\"." % label, "cardos50", "CardOS 5.0")
    im.serial("0012345678900002"); p15(im, label, "D-TRUST GmbH", certs=[("Signaturzertifikat", "45", "3F00/1FFE/C001", SIG), ("Authentisierungszertifikat", "46", "3F00/1FFE/C101", AUTH)])
    im.write()

# CardOS 5.4: token info at 3F00/0104/5032
for name, label in (("cardos54-41-std-rsa", "D-TRUST Card 4.1 Std. RSA"), ("cardos54-41-m100-ecc", "D-TRUST Card 4.1 M100 ECC"),
                    ("cardos54-41-multi-ecc", "D-TRUST Card 4.1 Multi ECC"), ("cardos54-44-std-rsa", "D-TRUST Card 4.4 Std. RSA"),
                    ("cardos54-44-multi-ecc", "D-TRUST Card 4.4 Multi ECC")):
    ecc = "ECC" in label
    im = Image(name, "CardOS 5.4 D-TRUST card labelled \"%s\"." % label, "cardos54", "CardOS 5.4")
    im.serial("0012345678900003"); im.data("3F00/0104/5032", token_info("0012345678900003", "D-TRUST GmbH", label))
    # The PKCS#15 application that other middleware reads; the library takes only the token info above.
    sig, auth = ("signer-ec256.der", "signer-ec256.der") if ecc else (SIG, AUTH)
    p15(im, label, "D-TRUST GmbH", serial="0012345678900003",
        certs=[("Signaturzertifikat", "45", "3F00/0103/0201", sig), ("Authentisierungszertifikat", "46", "3F00/0103/0204", auth)])
    if ecc:
        # The ECC cards restore environment 21 for both keys (the P-256 key of signer-ec256).
        im.comment += ("\nECDSA P-256 keys: 0101/02 under the signature PIN 87 (ASCII) = 123456, 0102/03 under the card\n"
                       "PIN 83 (ASCII) = 654321; environment 21 of each DF names its key.")
        im.pin("3F00", 0x83, "654321", "ascii"); im.pin("3F00/0101", 0x87, "123456", "ascii")
        im.key("3F00/0101", 0x02, "signer-ec256.key", 0x87, sign_alg="ecdsa")
        im.key("3F00/0102", 0x03, "signer-ec256.key", 0x83, sign_alg="ecdsa")
        im.extra.append("[se 3F00/0101 21]\nsign = 02 ecdsa\n[se 3F00/0102 21]\nsign = 03 ecdsa")
    im.write()

# SetCOS 4.4.1 / 4.4.2. The SetCOS 4.4.1 tokens keep their keys where the library's reading
# of their PKCS#15 objects and the PIN rows of their label put them: the environment names
# a key by its key file (the key reference is the file's low byte) in the DF selected with it.
# The authentication key deciphers by the short form of DECIPHER (at most 254 bytes), so it
# has the card's 1024 bits.
# Telia EID IP2i: the signature key 01 (key file 5016/4B01) under the local PIN 82 of 5016
# (PKCS#15 path 5015/5016, read as 5016/0080, the layout's signature PIN row), the
# authentication key 02 (5015/4B02) under the global PIN 01 (read as 0080, its first row).
# Other labels: the signature key 05 in 5B00, addressed by 5B00/5B05, whose path is also
# the PIN's, under the local PIN 82 of 5B00; the authentication key 01 (5B00/4B01) under the
# global PIN 01 that the PKCS#15 path 5015 names (read as 5B00/5B01).
SETCOS441_KEYS = {
    "Telia EID IP2i": ((("3F00501550164B01", 0x01), ("3F0050154B02", 0x02)), (("3F0050155016", 0x82), ("3F00", 0x01)),
                       [("3F00", 0x01, "654321"), ("3F00/5015/5016", 0x82, "123456")],
                       [("3F00/5015/5016", 0x01, SIGNER_KEY, 0x82), ("3F00/5015", 0x02, R1KEY, 0x01)],
                       ("3F00/0080", "3F00/5015/5016/0080", "3F00/5015/5016/4B01", "3F00/5015/4B02")),
    "SignGuard": ((("3F0050155B005B05", 0x05), ("3F0050155B004B01", 0x01)), (("3F0050155B00", 0x82), ("3F005015", 0x01)),
                  [("3F00", 0x01, "654321"), ("3F00/5015/5B00", 0x82, "123456")],
                  [("3F00/5015/5B00", 0x05, SIGNER_KEY, 0x82), ("3F00/5015/5B00", 0x01, R1KEY, 0x01)],
                  ("3F00/5015/5B00/5B05", "3F00/5015/5B00/5B01", "3F00/5015/5B00/4B01")),
}
for name, kind, label in (("setcos441-telia-ip2i", "setcos441", "Telia EID IP2i"), ("setcos441-other", "setcos441", "SignGuard"),
                          ("setcos442-telia-ip5a", "setcos442", "Telia EID IP5a")):
    im = Image(name, "SetCOS PKCS#15 token labelled \"%s\"." % label, kind, "SetCOS")
    im.serial("8899001122")
    p15_keys, p15_pins, pins, keys, files = SETCOS441_KEYS.get(label, (None, None, [], [], ()))
    v441 = label in SETCOS441_KEYS
    p15(im, label, "SignGuard AB", serial="00112233445566778899AA",
        certs=[("Underskrift certifikat", "45", "3F00/5015/4331", SIG), ("Auth certifikat", "46", "3F00/5015/4332", R1K if v441 else AUTH)],
        keys=p15_keys, pins=p15_pins, key_bits=(2048, 1024 if v441 else 2048))
    if keys:
        im.comment += "\nKeys: %s; PINs (ASCII): %s." % (
            ", ".join("%s %02X (%s, PIN %02X)" % (df[5:], ref, key.split("-")[0], pin) for df, ref, key, pin in keys),
            ", ".join("%s %02X = %s" % (df[5:] or "MF", ref, value) for df, ref, value in pins))
    im.ef(*files)
    for df, ref, value in pins:
        im.pin(df, ref, value, "ascii", minl=4, maxl=8)
    for df, ref, key, pin in keys:
        im.key(df, ref, key, pin, True)
    im.write()

# PKCS#15 reader branches: application at 3F00/5015 without EF.DIR, PrKDF as a record file, useful CDF
im = Image("pkcs15-no-efdir", "PKCS#15 application at 3F00/5015 without EF.DIR; PrKDF stored as a record file\n"
           "(one key object per record, each in an outer SEQUENCE); a useful CDF with the CA.\n"
           "On a CardOS 4.3 (its ATR) the label prefix \"Quorvel\" selects the PKCS#15 reading; GET DATA 01 81\n"
           "answers the chip serial number as CardOS does.", "cardos43", "PKCS#15")
im.serial("99887766"); im.getdata("0181", bytes.fromhex("0043000099887766"))
# A Quorvel token: the signature PIN 83, as the layout names it.
p15(im, "Quorvel No EF.DIR", "Test", with_dir=False, prkdf_records=True, useful=[("CA Zertifikat", "47", "3F00/5015/4333", CA)],
    sig_pin=0x83)
_, _, pins, keys = CARDOS43_KEYS[20]
cardos43_keys(im, pins, keys)
im.write()
print("images written to", OUT)

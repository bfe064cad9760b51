#!/usr/bin/env python3
"""Takes the RFC 3161 timestamp token and the signature value it covers out of DER
signed data (first signer), so that `openssl ts -verify` can check the token:

    cms-token.py SIGNED-DATA TOKEN-OUT VALUE-OUT
"""
import sys

TIMESTAMP_TOKEN = bytes.fromhex("060b2a864886f70d010910020e")  # OID 1.2.840.113549.1.9.16.2.14


def items(data, start=0, end=None):
    """Yields (tag, header length, content start, content end) of the DER items in data[start:end]."""
    end = len(data) if end is None else end
    pos = start
    while pos < end:
        tag, first = data[pos], data[pos + 1]
        if first < 0x80:
            length, header = first, 2
        else:
            count = first & 0x7F
            if count == 0 or count > 4 or pos + 2 + count > end:
                raise ValueError("unsupported length at %d" % pos)
            length, header = int.from_bytes(data[pos + 2:pos + 2 + count], "big"), 2 + count
        if pos + header + length > end:
            raise ValueError("item beyond its container at %d" % pos)
        yield tag, pos, pos + header, pos + header + length
        pos += header + length


def children(data, item):
    return list(items(data, item[2], item[3]))


def main():
    der = open(sys.argv[1], "rb").read()
    content_info = next(items(der))
    explicit = children(der, content_info)[1]
    signed_data = children(der, explicit)[0]
    signer_infos = children(der, signed_data)[-1]
    signer = children(der, signer_infos)[0]
    parts = children(der, signer)
    value = [p for p in parts if p[0] == 0x04][-1]
    unsigned = [p for p in parts if p[0] == 0xA1]
    if not unsigned:
        sys.exit("no unsigned attributes: the signature has no timestamp")
    for attribute in children(der, unsigned[0]):
        oid, values = children(der, attribute)[:2]
        if der[oid[1]:oid[3]] == TIMESTAMP_TOKEN:
            token = children(der, values)[0]
            open(sys.argv[2], "wb").write(der[token[1]:token[3]])
            open(sys.argv[3], "wb").write(der[value[2]:value[3]])
            return
    sys.exit("no timestamp token in the signature")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""RFC 3161 timestamp service over HTTP on 127.0.0.1 for tests and the demo.

Every POST body is handed to `openssl ts -reply` with the TSA key and certificate of the
test PKI; the reply goes back as application/timestamp-reply. A behaviour (--mode, or the
first path segment of the request URL) makes the service misbehave on purpose.
See README.md in this folder for the command line.
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# Behaviours: the first path segment of a request, or --mode for every other path.
MODES = (
    "ok",             # the token openssl made
    "refuse",         # status 2 (rejection) with a status text and failInfo badAlg
    "modified",       # status 1 (grantedWithMods) with the genuine token
    "short",          # only the first 8 bytes of the genuine reply
    "other-imprint",  # a genuine token, but for a hash that differs in one bit
    "other-nonce",    # a genuine token, but for another nonce
    "error500",       # HTTP 500 with a text body
    "silent",         # takes the request and never answers
)

LONGEST_BODY = 64 * 1024  # larger requests are refused with HTTP 413
SILENT_HOLD_SECONDS = 600  # a silent answer holds the connection at most this long

TSA_CONFIG = """\
[tsa]
default_tsa = tsa_config
[tsa_config]
dir = {work}
serial = $dir/serial
crypto_device = builtin
signer_cert = {pki}/tsa.pem
certs = {pki}/chain.pem
signer_key = {pki}/tsa.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.2.1
digests = sha1, sha256, sha384, sha512, md5, ripemd160
accuracy = secs:1
ordering = no
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


# ---- minimal DER helpers (definite lengths only; the input comes from our own client or openssl) ----

def der_header(data, pos):
    """Returns (tag, header length, content length) of the item at pos."""
    if pos + 2 > len(data):
        raise ValueError("truncated header")
    tag = data[pos]
    first = data[pos + 1]
    if first < 0x80:
        return tag, 2, first
    count = first & 0x7F
    if count == 0 or count > 4 or pos + 2 + count > len(data):
        raise ValueError("unsupported length")
    length = int.from_bytes(data[pos + 2:pos + 2 + count], "big")
    if pos + 2 + count + length > len(data):
        raise ValueError("truncated content")
    return tag, 2 + count, length


def der_length(n):
    if n < 0x80:
        return bytes([n])
    raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(raw)]) + raw


def der(tag, content):
    return bytes([tag]) + der_length(len(content)) + content


def children(data, pos):
    """Positions (start, header length, content length, tag) of the children of the item at pos."""
    _, hl, cl = der_header(data, pos)
    p, end, out = pos + hl, pos + hl + cl, []
    while p < end:
        tag, h, c = der_header(data, p)
        out.append((p, h, c, tag))
        p += h + c
    return out


def flip_in_request(query, which):
    """A copy of the TimeStampReq with the last bit of the hash ("imprint") or of the nonce flipped."""
    q = bytearray(query)
    items = children(q, 0)
    if which == "imprint":
        start, h, c, _ = items[1]  # messageImprint
        hashed = children(q, start)[1]
        q[hashed[0] + hashed[1] + hashed[2] - 1] ^= 0x01
    else:
        nonce = [i for i in items[2:] if i[3] == 0x02]
        if not nonce:
            raise ValueError("request without nonce")
        start, h, c, _ = nonce[0]
        q[start + h + c - 1] ^= 0x01
    return bytes(q)


def with_status(reply, status_info):
    """The reply with its PKIStatusInfo replaced (the token, when there is one, kept)."""
    items = children(reply, 0)
    rest = b"".join(reply[s:s + h + c] for s, h, c, _ in items[1:])
    return der(0x30, status_info + rest)


def refusal():
    status_text = der(0x30, der(0x0C, b"request refused by the test service"))
    bad_alg = der(0x03, b"\x07\x80")  # failInfo badAlg (bit 0)
    return der(0x30, der(0x30, der(0x02, b"\x02") + status_text + bad_alg))


# ---- the service ----

class Tsa:
    def __init__(self, pki, work, default_mode):
        self.pki = pki
        self.work = work
        self.default_mode = default_mode
        self.lock = threading.Lock()  # openssl ts -reply increments one serial file
        self.stopping = threading.Event()
        self.config = os.path.join(work, "tsa.cnf")
        with open(os.path.join(work, "serial"), "w") as f:
            f.write("01\n")
        with open(self.config, "w") as f:
            f.write(TSA_CONFIG.format(work=work, pki=pki))

    def reply(self, query):
        """The DER reply of openssl ts -reply for query, or None when openssl failed."""
        with self.lock:
            qfile = os.path.join(self.work, "query.tsq")
            rfile = os.path.join(self.work, "reply.tsr")
            with open(qfile, "wb") as f:
                f.write(query)
            if os.path.exists(rfile):
                os.remove(rfile)
            env = dict(os.environ, OPENSSL_CONF=self.config)
            done = subprocess.run(
                ["openssl", "ts", "-reply", "-config", self.config, "-queryfile", qfile,
                 "-out", rfile],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
            if done.returncode != 0 or not os.path.exists(rfile):
                sys.stderr.write(done.stderr.decode(errors="replace"))
                return None
            with open(rfile, "rb") as f:
                return f.read()

    def answer(self, mode, query):
        """(HTTP status, content type, body) for one request in the given behaviour."""
        if mode == "error500":
            return 500, "text/plain", b"internal error of the test service\n"
        if mode == "refuse":
            return 200, "application/timestamp-reply", refusal()
        if mode in ("other-imprint", "other-nonce"):
            query = flip_in_request(query, "imprint" if mode == "other-imprint" else "nonce")
        reply = self.reply(query)
        if reply is None:
            return 400, "text/plain", b"openssl ts -reply failed\n"
        if mode == "modified":
            reply = with_status(reply, der(0x30, der(0x02, b"\x01")))
        elif mode == "short":
            reply = reply[:8]
        return 200, "application/timestamp-reply", reply


def make_handler(tsa):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, fmt, *args):
            if tsa.verbose:
                sys.stderr.write("tsa-server: " + (fmt % args) + "\n")

        def mode(self):
            first = self.path.lstrip("/").split("/", 1)[0].split("?", 1)[0]
            if first.startswith("http:"):  # a proxy hands on the complete address
                rest = self.path.split("://", 1)[-1]
                first = rest.split("/", 1)[1].split("/", 1)[0] if "/" in rest else ""
            return first if first in MODES else tsa.default_mode

        def send(self, status, ctype, body):
            self.send_response(status)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            self.send(405, "text/plain", b"POST an RFC 3161 request\n")

        def do_POST(self):
            try:
                length = int(self.headers.get("Content-Length", "0"))
            except ValueError:
                length = -1
            if length < 0 or length > LONGEST_BODY:
                self.send(413, "text/plain", b"request too large\n")
                return
            query = self.rfile.read(length)
            mode = self.mode()
            if mode == "silent":
                tsa.stopping.wait(SILENT_HOLD_SECONDS)
                return
            try:
                status, ctype, body = tsa.answer(mode, query)
            except (ValueError, IndexError, subprocess.TimeoutExpired) as e:
                status, ctype, body = 400, "text/plain", ("bad request: %s\n" % e).encode()
            self.send(status, ctype, body)

    return Handler


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="RFC 3161 timestamp service on 127.0.0.1")
    parser.add_argument("--pki", default=os.path.join(here, "..", "..", "build", "pki"),
                        help="folder with tsa.pem, tsa.key and chain.pem (default: build/pki)")
    parser.add_argument("--port", type=int, default=0, help="TCP port; 0 picks a free one")
    parser.add_argument("--port-file", help="write the port number here once listening")
    parser.add_argument("--mode", choices=MODES, default="ok",
                        help="behaviour for paths that do not name one")
    parser.add_argument("--lifetime", type=int, default=3600,
                        help="stop after this many seconds (default 3600)")
    parser.add_argument("--verbose", action="store_true", help="log each request to stderr")
    args = parser.parse_args()

    pki = os.path.abspath(args.pki)
    for name in ("tsa.pem", "tsa.key", "chain.pem"):
        if not os.path.isfile(os.path.join(pki, name)):
            parser.error("missing %s in %s" % (name, pki))

    with tempfile.TemporaryDirectory(prefix="vn-tsa-") as work:
        tsa = Tsa(pki, work, args.mode)
        tsa.verbose = args.verbose
        server = ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(tsa))
        server.daemon_threads = True

        def stop(*_):
            tsa.stopping.set()
            threading.Thread(target=server.shutdown, daemon=True).start()

        signal.signal(signal.SIGTERM, stop)
        signal.signal(signal.SIGINT, stop)
        timer = threading.Timer(args.lifetime, stop)
        timer.daemon = True
        timer.start()

        port = server.server_address[1]
        if args.port_file:
            # Written under another name and renamed, so a reader never sees half a number.
            tmp = args.port_file + ".tmp"
            with open(tmp, "w") as f:
                f.write("%d\n" % port)
            os.replace(tmp, args.port_file)
        print("tsa-server listening on http://127.0.0.1:%d/" % port, flush=True)
        server.serve_forever(poll_interval=0.2)
        server.server_close()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Servers on 127.0.0.1 for the network tests. The first line printed is the port.

  net_server.py line              line exchange (see LineHandler)
  net_server.py tls-line CERT KEY the same over TLS
  net_server.py silent            accepts and never answers (stalled handshakes)
  net_server.py http LOG [FIFO]   the download cases (see HttpHandler); LOG receives the
                                  request lines, FIFO (optional) is the client's stdin
  net_server.py https CERT KEY LOG
"""
import os
import socket
import socketserver
import ssl
import sys
import threading
import time

HOST = "127.0.0.1"


def pattern(n, start=0):
    return bytes((i * 7 + 3) % 251 for i in range(start, start + n))


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True

    def __init__(self, handler, context=None):
        super().__init__((HOST, 0), handler)
        self.context = context

    def finish_request(self, request, client_address):
        # The handshake runs in the connection's own thread: a client that never sends
        # one must not hold up the others.
        if self.context:
            request.settimeout(10)
            try:
                request = self.context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
            request.settimeout(None)
        super().finish_request(request, client_address)


class LineHandler(socketserver.StreamRequestHandler):
    """Greets with three lines (CR LF, LF alone, a CR inside), then answers each line:
    'fecha' closes, 'cala' goes silent, 'grande' sends 10 MB without a line end, anything
    else comes back as 'eco:' + line."""

    def handle(self):
        self.wfile.write(b"ola mundo\r\nso lf\nmeio\rdo\r\n")
        self.wfile.flush()
        for raw in self.rfile:
            line = raw.rstrip(b"\r\n")
            if line == b"fecha":
                return
            if line == b"cala":
                time.sleep(60)
                return
            if line == b"grande":
                chunk = b"x" * 65536
                try:
                    for _ in range(160):
                        self.wfile.write(chunk)
                    self.wfile.write(b"\r\nfim\r\n")
                    self.wfile.flush()
                except OSError:
                    return
                continue
            self.wfile.write(b"eco:" + line + b"\r\n")
            self.wfile.flush()


class SilentHandler(socketserver.BaseRequestHandler):
    def handle(self):
        time.sleep(60)


FILE_SIZE = 20000


class HttpHandler(socketserver.StreamRequestHandler):
    log = None
    fifo = None
    lock = threading.Lock()

    def read_request(self):
        lines = []
        while True:
            raw = self.rfile.readline(65537)
            if not raw:
                return None
            line = raw.rstrip(b"\r\n").decode("latin-1")
            if line == "":
                break
            lines.append(line)
        with self.lock, open(self.log, "a", encoding="latin-1") as f:
            f.write("\n".join(lines) + "\n\n")
        return lines

    def send(self, data):
        try:
            self.wfile.write(data)
            self.wfile.flush()
        except OSError:
            pass

    def reply(self, status, body=b"", headers=(), length=True):
        head = f"HTTP/1.1 {status}\r\n"
        for h in headers:
            head += h + "\r\n"
        if length:
            head += f"Content-Length: {len(body)}\r\n"
        head += "Connection: close\r\n\r\n"
        self.send(head.encode("latin-1") + body)

    def handle(self):
        lines = self.read_request()
        if not lines:
            return
        path = lines[0].split(" ")[1]
        rng = None
        for h in lines[1:]:
            if h.lower().startswith("range: bytes="):
                rng = int(h.split("=", 1)[1].rstrip("-"))
        base = f"http{'s' if isinstance(self.connection, ssl.SSLSocket) else ''}://{HOST}:{self.server.server_address[1]}"
        if path == "/arquivo":
            if rng is not None and 0 < rng < FILE_SIZE:
                self.reply("206 Partial Content", pattern(FILE_SIZE - rng, rng),
                           [f"Content-Range: bytes {rng}-{FILE_SIZE - 1}/{FILE_SIZE}"])
            elif rng is not None and rng >= FILE_SIZE:
                self.reply("416 Range Not Satisfiable", b"fora do arquivo")
            else:
                self.reply("200 OK", pattern(FILE_SIZE))
        elif path == "/inteiro":
            self.reply("200 OK", pattern(FILE_SIZE))
        elif path == "/r416":
            self.reply("416 Range Not Satisfiable", b"nada aqui")
        elif path == "/faltando":
            self.reply("404 Not Found", b"<html>404</html>")
        elif path == "/ruim":
            self.reply("400 Bad Request", b"ruim")
        elif path == "/erro":
            self.reply("500 Internal Server Error", b"quebrou")
        elif path.startswith("/cadeia/"):
            n = int(path.split("/")[2])
            if n == 0:
                self.reply("302 Found", headers=["Location: ../arquivo"])
            elif n % 2:
                self.reply("301 Moved", headers=[f"Location: {base}/cadeia/{n - 1}"])
            else:
                self.reply("302 Found", headers=[f"location: /cadeia/{n - 1}"])
        elif path == "/laco":
            self.reply("302 Found", headers=["Location: /laco"])
        elif path == "/semtamanho":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nprimeira\nsegunda\r\nultima sem fim")
        elif path == "/pedacos":
            self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      b"c\r\nprimeira\nseg\r\n9;x=1\r\nunda\r\nult\r\n3\r\nima\r\n0\r\nX-Fim: 1\r\n\r\n")
        elif path == "/pedacoscurto":
            self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nso um pedaco")
        elif path == "/parado":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + pattern(2000))
            time.sleep(30)
        elif path == "/mudo":
            time.sleep(30)
        elif path == "/curto":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + pattern(3000))
        elif path == "/curto206":
            start = rng or 0
            self.send(f"HTTP/1.1 206 Partial\r\nContent-Length: {FILE_SIZE - start}\r\n\r\n".encode() +
                      pattern(1000, start))
        elif path == "/negativo":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabcde")
        elif path == "/cabecalho":
            self.send(b"HTTP/1.1 200 OK\r\nX-Longo: " + b"a" * (1 << 20) + b"\r\nContent-Length: 5\r\n\r\nabcde")
        elif path == "/semnumero":
            self.send(b"HTTP/1.1 OK\r\nContent-Length: 5\r\n\r\nabcde")
        elif path == "/umbytecurto":
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nabcd")
        elif path.startswith("/grande/"):
            # 2 MiB; at half way the client's keyboard gets the keys named in hex.
            half = 1 << 20
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % (2 * half) + pattern(half))
            if self.fifo:
                time.sleep(0.3)
                self.fifo.write(bytes.fromhex(path.split("/")[2]))
                self.fifo.flush()
                time.sleep(1.0)
            self.send(pattern(half, half))
        elif path.startswith("/bytes/"):
            n = int(path.split("/")[2])
            self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n)
            chunk = bytes(range(256)) * 256
            while n > 0:
                self.send(chunk[:min(n, len(chunk))])
                n -= len(chunk)
        else:
            self.reply("404 Not Found", b"")


def tls_context(cert, key):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    return ctx


def main():
    mode = sys.argv[1]
    if mode == "line":
        server = Server(LineHandler)
    elif mode == "tls-line":
        server = Server(LineHandler, tls_context(sys.argv[2], sys.argv[3]))
    elif mode == "silent":
        server = Server(SilentHandler)
    elif mode == "http":
        HttpHandler.log = sys.argv[2]
        if len(sys.argv) > 3:
            HttpHandler.fifo = open(sys.argv[3], "wb")
        server = Server(HttpHandler)
    elif mode == "https":
        HttpHandler.log = sys.argv[4]
        server = Server(HttpHandler, tls_context(sys.argv[2], sys.argv[3]))
    else:
        sys.exit("unknown mode " + mode)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

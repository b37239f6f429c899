#!/usr/bin/env python3
"""A scripted HTTP(S) server on 127.0.0.1 for the online tests.

Each path gives one kind of answer, written byte by byte as a server would
(or would misbehave). The chosen port is written to --port-file once the
server listens.

  --tls CERT KEY     serve HTTPS with that certificate
  --tls10            allow TLS 1.0 only
  --stall            accept connections and never answer (nor handshake)
  --version-file F   the file served as /versions/quorin_mac.txt (read anew each time)
  --post-log F       bodies of POST requests are appended here
  --files DIR        other GET paths are served from the files below DIR
  --get-log F        the path of every GET is appended here
  --delay-ms N       files from DIR wait N ms before their body
  --truncate-files   files from DIR announce their length but send half
"""
import argparse
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
import warnings

warnings.filterwarnings("ignore", category=DeprecationWarning)

args = None
port = 0


def body_of(n):
    return bytes((i * 7 + 3) % 251 for i in range(n))


def clean_close(conn):
    try:
        if isinstance(conn, ssl.SSLSocket):
            conn.unwrap().close()
            return
        conn.shutdown(socket.SHUT_WR)
    except OSError:
        pass
    conn.close()


def read_head(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return None, None, b""
        data += chunk
        if len(data) > 65536:
            return None, None, b""
    head, rest = data.split(b"\r\n\r\n", 1)
    lines = head.decode("latin-1").split("\r\n")
    method, target, _ = lines[0].split(" ", 2)
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    length = int(headers.get("content-length", "0"))
    while len(rest) < length:
        chunk = conn.recv(4096)
        if not chunk:
            break
        rest += chunk
    return method, target, rest


def answer(conn, status, body, extra=b""):
    conn.sendall(b"HTTP/1.0 " + status + b"\r\nContent-Length: " + str(len(body)).encode() + b"\r\n" +
                 extra + b"\r\n" + body)
    clean_close(conn)


def handle(conn):
    method, target, body = read_head(conn)
    if method is None:
        conn.close()
        return
    url = urllib.parse.urlsplit(target)
    path = url.path
    query = urllib.parse.parse_qs(url.query)
    if method == "GET" and args.get_log:
        with open(args.get_log, "a") as log:
            log.write(target + "\n")
    if method == "POST":
        if args.post_log:
            with open(args.post_log, "ab") as log:
                log.write(path.encode() + b" " + body + b"\n")
        if path == "/post":
            answer(conn, b"200 OK", b"thanks")
        elif path == "/post-big":
            answer(conn, b"200 OK", body_of(200000))
        else:
            answer(conn, b"404 Not Found", b"no form here")
        return
    if path == "/plain":
        answer(conn, b"200 OK", body_of(200000))
    elif path == "/empty":
        answer(conn, b"200 OK", b"")
    elif path == "/noclen":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
        data = body_of(50000)
        for i in range(0, len(data), 7000):
            conn.sendall(data[i:i + 7000])
            time.sleep(0.01)
        clean_close(conn)
    elif path == "/short":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + body_of(40000))
        clean_close(conn)
    elif path == "/short-small":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + body_of(500))
        clean_close(conn)
    elif path == "/noclen-stall":
        conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + body_of(1000))
        time.sleep(30)
        conn.close()
    elif path == "/stall":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + body_of(10))
        time.sleep(30)
        conn.close()
    elif path == "/drip":
        try:
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n")
            for _ in range(300):
                conn.sendall(b"x")
                time.sleep(0.1)
        except OSError:
            pass
        conn.close()
    elif path.startswith("/chunked"):
        head = b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
        data = body_of(50000)
        framed = b""
        at, size = 0, 1
        while at < len(data):
            piece = data[at:at + size]
            ext = b";name=value" if size == 4 else b""
            framed += b"%x" % len(piece) + ext + b"\r\n" + piece + b"\r\n"
            at += len(piece)
            size = size * 3 + 1
        framed += b"0\r\nX-Checksum: none\r\n\r\n"
        if path == "/chunked-cut":
            framed = framed[:len(framed) - 30]  # the last chunk never comes
        elif path == "/chunked-long":
            framed = framed.replace(b"\r\n" + data[:1] + b"\r\n", b"\r\n" + data[:1] + b"xx\r\n", 1)
        elif path == "/chunked-badsize":
            framed = b"zz\r\n" + framed
        elif path == "/chunked-gzip":
            head = b"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n"
        elif path == "/chunked-length":
            head += b"Content-Length: 50000\r\n"
        conn.sendall(head + b"\r\n")
        for i in range(0, len(framed), 9000):
            conn.sendall(framed[i:i + 9000])
            time.sleep(0.005)
        clean_close(conn)
    elif path == "/escape":
        conn.sendall(b"HTTP/1.0 200 OK\r\nX-Bad: \x1b[2J\x1b]0;owned\x07\r\n\r\nbody")
        clean_close(conn)
    elif path == "/escape-status":
        conn.sendall(b"\x1b[31mHTTP/1.0 200 OK\r\n\r\nbody")
        clean_close(conn)
    elif path == "/404":
        answer(conn, b"404 Not Found", b"not found")
    elif path == "/500":
        answer(conn, b"500 Internal Server Error", b"broken")
    elif path == "/garbled":
        conn.sendall(b"HTPP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nx")
        clean_close(conn)
    elif path == "/dl/get":
        location = query.get("to", ["b.zip"])[0].replace("PORT", str(port))
        answer(conn, b"302 Found", b"", b"Location: " + location.encode() + b"\r\n")
    elif path in ("/dl/get/b.zip", "/dl/b.zip", "/files/a.zip"):
        answer(conn, b"200 OK", ("file " + path).encode())
    elif path == "/loop":
        answer(conn, b"302 Found", b"", b"Location: /loop\r\n")
    elif path == "/nolocation":
        answer(conn, b"302 Found", b"")
    elif path == "/tohttp":
        answer(conn, b"302 Found", b"", b"Location: http://127.0.0.1:" + str(port).encode() + b"/plain\r\n")
    elif path == "/crlf":
        answer(conn, b"302 Found", b"", b"Location: /files/a.zip\rSet-Cookie: stolen=1\r\n")
    elif path == "/huge":
        try:
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000000\r\n\r\n" + body_of(1000))
            time.sleep(2)
        except OSError:
            pass
        conn.close()
    elif path == "/oddcase":
        conn.sendall(b"http/1.1 200 OK\r\ncontent-LENGTH:    11\r\nX-Other: 1\r\n\r\nodd headers")
        clean_close(conn)
    elif path == "/oddredirect":
        conn.sendall(b"HTTP/1.1 301 Moved\r\nlOcAtIoN: /files/a.zip\r\nContent-length: 0\r\n\r\n")
        clean_close(conn)
    elif path == "/versions/quorin_mac.txt" and args.version_file:
        with open(args.version_file, "rb") as f:
            answer(conn, b"200 OK", f.read())
    elif args.files and ".." not in path.split("/") and os.path.isfile(os.path.join(args.files, path.lstrip("/"))):
        with open(os.path.join(args.files, path.lstrip("/")), "rb") as f:
            data = f.read()
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: " + str(len(data)).encode() + b"\r\n\r\n")
        time.sleep(args.delay_ms / 1000.0)
        conn.sendall(data[:len(data) // 2] if args.truncate_files else data)
        clean_close(conn)
    else:
        answer(conn, b"404 Not Found", b"unknown")


def serve(conn, context):
    try:
        conn.settimeout(60)
        if context is not None:
            conn = context.wrap_socket(conn, server_side=True)
        handle(conn)
    except (OSError, ssl.SSLError, ValueError):
        try:
            conn.close()
        except OSError:
            pass


def main():
    global args, port
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--tls10", action="store_true")
    parser.add_argument("--stall", action="store_true")
    parser.add_argument("--version-file")
    parser.add_argument("--post-log")
    parser.add_argument("--files")
    parser.add_argument("--get-log")
    parser.add_argument("--delay-ms", type=int, default=0)
    parser.add_argument("--truncate-files", action="store_true")
    args = parser.parse_args()

    context = None
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        if args.tls10:
            context.set_ciphers("DEFAULT:@SECLEVEL=0")
            context.minimum_version = ssl.TLSVersion.TLSv1
            context.maximum_version = ssl.TLSVersion.TLSv1
        context.load_cert_chain(args.tls[0], args.tls[1])

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    port = listener.getsockname()[1]
    temp = args.port_file + ".tmp"
    with open(temp, "w") as f:
        f.write(str(port))
    os.rename(temp, args.port_file)

    held = []
    while True:
        conn, _ = listener.accept()
        if args.stall:
            held.append(conn)  # never answered, never closed
            continue
        threading.Thread(target=serve, args=(conn, context), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
# A sibling program for the tests.
#   fake_sibling.py --listen SOCKET RECORD [--never-read | --read-after S] [--stay S]
#     listens on SOCKET like a running copy; the first connection's bytes go
#     into RECORD (written whole at the end). --never-read accepts and then
#     holds the connection without reading; --read-after waits S seconds first;
#     --stay keeps running S seconds after that, then writes "ended" into
#     RECORD.ended as its last act.
#   fake_sibling.py ARG...  (started as the program itself)
#     writes its arguments, each ended by a NUL byte, into $SIBLING_OUT,
#     sleeps $SIBLING_SLEEP seconds (0 unless set), then writes "ended" into
#     $SIBLING_OUT.ended.
import os
import socket
import sys
import time


def listen(path, record, mode, delay, stay):
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    if os.path.exists(path):
        os.unlink(path)
    server.bind(path + ".tmp")
    os.rename(path + ".tmp", path)
    server.listen(4)
    conn, _ = server.accept()
    if mode == "never":
        time.sleep(3600)
        return
    if delay > 0:
        time.sleep(delay)
    data = b""
    while True:
        chunk = conn.recv(65536)
        if not chunk:
            break
        data += chunk
    with open(record + ".part", "wb") as out:
        out.write(data)
    os.rename(record + ".part", record)
    if stay > 0:
        time.sleep(stay)
        with open(record + ".ended", "w") as f:
            f.write("ended")


def main():
    args = sys.argv[1:]
    if args[:1] == ["--listen"]:
        mode = "read"
        delay = 0.0
        stay = 0.0
        rest = args[3:]
        while rest:
            word = rest.pop(0)
            if word == "--never-read":
                mode = "never"
            elif word == "--read-after":
                delay = float(rest.pop(0))
            elif word == "--stay":
                stay = float(rest.pop(0))
        listen(args[1], args[2], mode, delay, stay)
        return
    out = os.environ.get("SIBLING_OUT")
    if out:
        with open(out + ".part", "wb") as f:
            for a in args:
                f.write(os.fsencode(a) + b"\0")
        os.rename(out + ".part", out)
    time.sleep(float(os.environ.get("SIBLING_SLEEP", "0")))
    if out:
        with open(out + ".ended", "w") as f:
            f.write("ended")


main()

#!/usr/bin/env python3
"""POP3 over TLS cut up as networks cut it: scripted_tls_server.py CERTS COMMAND...

Runs COMMAND (its status is ours) with listeners on loopback: one for each server certificate of scripts/test-ca
in CERTS, one that speaks only TLS 1.1, one plain, all serving TOBALIN_SCRIPTED_DIR/mail (a message a file; DELE
removes at QUIT), and one that never answers. TOBALIN_SCRIPTED_<NAME>_PORT holds each port, and
TOBALIN_SCRIPTED_DIR/received/<NAME> what the last client of each sent, once it has gone. Handshake flights go out
1 to 7 bytes a write for their first 600 bytes, the greeting with the last handshake bytes, every reply as records
of 1, 7 and 1000 bytes of text, their first 100 bytes cut up alike.
"""
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import warnings


def send_cut(sock, data, cut):
    position, size = 0, 1
    while position < min(cut, len(data)):
        sock.sendall(data[position:position + size])
        position, size = position + size, size % 7 + 1
        time.sleep(0.001)
    sock.sendall(data[position:])


def converse(sock, context, mail, record):
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = context.wrap_bio(incoming, outgoing, server_side=True) if context else None

    def feed():
        data = sock.recv(65536)
        if not data:
            raise EOFError
        if tls:
            incoming.write(data)
        return data

    def receive():
        while True:
            try:
                text = tls.read(65536) if tls else b""
                if text:
                    return text  # what came with the last handshake bytes first
            except ssl.SSLWantReadError:
                pass
            data = feed()
            if not tls:
                return data

    def reply(text, cut=100):
        for piece in filter(None, [text[:1], text[1:8]] + [text[i:i + 1000] for i in range(8, len(text), 1000)]):
            (tls or outgoing).write(piece)
        send_cut(sock, outgoing.read(), cut)

    while tls:
        try:
            tls.do_handshake()
            break
        except ssl.SSLWantReadError:
            send_cut(sock, outgoing.read(), 600)
            feed()
    names = sorted(os.listdir(mail))
    bodies = [open(os.path.join(mail, name), "rb").read() for name in names]
    marked = set()
    reply(b"+OK scripted server ready\r\n", cut=0)
    line = b""
    while True:
        text = receive()
        record.append(text)
        line += text
        while b"\n" in line:
            command, line = line.split(b"\n", 1)
            verb, _, argument = command.strip().partition(b" ")
            number = int(argument) if argument.isdigit() and 1 <= int(argument) <= len(bodies) else 0
            if verb in (b"USER", b"PASS"):
                reply(b"+OK\r\n")
            elif verb == b"STAT":
                reply(b"+OK %d %d\r\n" % (len(bodies), sum(map(len, bodies))))
            elif verb == b"RETR" and number:
                body = (b"\r\n" + bodies[number - 1]).replace(b"\r\n.", b"\r\n..")[2:]
                reply(b"+OK %d octets\r\n" % len(bodies[number - 1]) + body + b".\r\n")
            elif verb == b"DELE" and number:
                marked.add(number)
                reply(b"+OK\r\n")
            elif verb == b"QUIT":
                for n in marked:
                    os.remove(os.path.join(mail, names[n - 1]))
                reply(b"+OK bye\r\n")
                try:
                    tls and tls.unwrap()  # close_notify, without waiting for the client's
                except ssl.SSLWantReadError:
                    send_cut(sock, outgoing.read(), 0)
                return
            else:
                reply(b"-ERR not in the script\r\n")


def serve(listener, context, top, name):
    while True:
        sock, _ = listener.accept()
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        record = []
        try:
            while name == "silent" and record[-1:] != [b""]:
                record.append(sock.recv(65536))
            if name != "silent":
                converse(sock, context, os.path.join(top, "mail"), record)
        except (EOFError, OSError, ssl.SSLError):
            pass  # the client went, or refused the server
        finally:
            sock.close()
            path = os.path.join(top, "received", name.upper().replace("-", "_"))
            with open(path + ".new", "wb") as f:
                f.write(b"".join(record))
            os.replace(path + ".new", path)


def main():
    certs, command = sys.argv[1], sys.argv[2:]
    top = tempfile.mkdtemp(prefix="tobalin-scripted-")
    os.chmod(top, 0o755)
    for folder in ("mail", "received"):
        os.mkdir(os.path.join(top, folder))
    env = dict(os.environ, TOBALIN_SCRIPTED_DIR=top)
    contexts = {"plain": None, "silent": None}
    for name in ["localhost", "other-name", "expired", "partial-chain", "unknown-ca", "old-tls"]:
        context = contexts[name] = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        chain = os.path.join(certs, "localhost" if name == "old-tls" else name)
        context.load_cert_chain(chain + ".pem", chain + ".key")
    warnings.simplefilter("ignore", DeprecationWarning)  # TLS 1.1 is the point
    contexts["old-tls"].set_ciphers("DEFAULT:@SECLEVEL=0")
    contexts["old-tls"].minimum_version = contexts["old-tls"].maximum_version = ssl.TLSVersion.TLSv1_1
    for name, context in contexts.items():
        listener = socket.create_server(("127.0.0.1", 0))
        env["TOBALIN_SCRIPTED_%s_PORT" % name.upper().replace("-", "_")] = str(listener.getsockname()[1])
        threading.Thread(target=serve, args=(listener, context, top, name), daemon=True).start()
    try:
        sys.exit(subprocess.call(command, env=env))
    finally:
        shutil.rmtree(top, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""POP3 over TLS as real servers deliver it, for the TLS tests.

    scripted_tls_server.py CERTS COMMAND...

Serves a small mailbox on free loopback ports, runs COMMAND with the
settings below in its environment, and stops when COMMAND ends (its status).
CERTS is a folder that scripts/test-ca made. One listener for each of its
server certificates, one that speaks only TLS 1.1, and one plain, all with
the same conversation:

    TOBALIN_SCRIPTED_DIR          mail/: the messages, one file each, in name
                                  order; received/NAME: what the last client
                                  of listener NAME sent, decrypted, written
                                  when its connection ended
    TOBALIN_SCRIPTED_<NAME>_PORT  NAME: PLAIN, LOCALHOST, OTHER_NAME, EXPIRED,
                                  PARTIAL_CHAIN, UNKNOWN_CA, OLD_TLS

The bytes go out the way a network cuts them: every handshake flight in
slices of a few bytes, each arriving on its own; the greeting in the same
write as the last handshake bytes; replies written as records of 1, 7 and
1000 bytes of text, one reply's records the first hundred bytes sliced, the
next one's all in a single write. Messages the client marked with DELE are
removed at QUIT, as a POP3 server does.
"""
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import warnings

CERTIFICATES = ["localhost", "other-name", "expired", "partial-chain", "unknown-ca"]


class Wire:
    """One connection's socket, with TLS through memory buffers (or none)."""

    def __init__(self, sock, context):
        self.sock = sock
        self.flushes = 0
        self.tls = None
        if context:
            self.incoming, self.outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
            self.tls = context.wrap_bio(self.incoming, self.outgoing, server_side=True)
        self.pending = b""  # plain bytes, when there is no TLS

    def send_sliced(self, data, sliced):
        """Sends data, its first `sliced` bytes 1 to 7 at a time, each on its own."""
        position, size = 0, 1
        while position < min(sliced, len(data)):
            self.sock.sendall(data[position:position + size])
            position += size
            size = size % 7 + 1
            time.sleep(0.001)
        if position < len(data):
            self.sock.sendall(data[position:])

    def flush(self, sliced):
        data = self.outgoing.read() if self.tls else self.pending
        self.pending = b""
        self.send_sliced(data, sliced)

    def receive(self):
        """What the client sent next, decrypted: at least one byte."""
        while True:
            text = b""
            if self.tls:
                # The bytes may have come with the last handshake bytes.
                try:
                    while True:
                        text += self.tls.read(65536)
                except ssl.SSLWantReadError:
                    pass
                except ssl.SSLZeroReturnError:
                    if not text:
                        raise EOFError
            if text:
                return text
            data = self.sock.recv(65536)
            if not data:
                raise EOFError
            if not self.tls:
                return data
            self.incoming.write(data)

    def handshake(self):
        # The greeting goes into the same write as the last handshake bytes.
        while True:
            try:
                self.tls.do_handshake()
                return
            except ssl.SSLWantReadError:
                self.flush(sliced=1 << 20)
                data = self.sock.recv(65536)
                if not data:
                    raise EOFError
                self.incoming.write(data)

    def reply(self, text):
        """Writes a reply as records of 1, 7 and 1000 bytes of text."""
        position, sizes = 0, [1, 7]
        while position < len(text):
            piece = text[position:position + (sizes.pop(0) if sizes else 1000)]
            if self.tls:
                self.tls.write(piece)
            else:
                self.pending += piece
            position += len(piece)
        self.flushes += 1
        self.flush(sliced=0 if self.flushes % 2 else 100)

    def close(self):
        if self.tls:
            try:
                self.tls.unwrap()
            except ssl.SSLWantReadError:
                pass  # the client's close_notify is not waited for
            self.flush(sliced=0)


def pop3(wire, mail, record):
    messages = [os.path.join(mail, name) for name in sorted(os.listdir(mail))]
    bodies = []
    for path in messages:
        with open(path, "rb") as f:
            bodies.append(f.read())
    marked = set()
    if wire.tls:
        wire.handshake()
    wire.reply(b"+OK scripted server ready\r\n")
    line = b""
    while True:
        received = wire.receive()
        record.append(received)
        line += received
        while b"\n" in line:
            command, line = line.split(b"\n", 1)
            words = command.strip().split()
            verb = words[0].upper() if words else b""
            number = int(words[1]) if len(words) > 1 and words[1].isdigit() else 0
            if verb in (b"USER", b"PASS"):
                wire.reply(b"+OK\r\n")
            elif verb == b"STAT":
                wire.reply(b"+OK %d %d\r\n" % (len(bodies), sum(len(b) for b in bodies)))
            elif verb == b"RETR" and 1 <= number <= len(bodies):
                body = bodies[number - 1]
                stuffed = b"\r\n".join(b"." + l if l.startswith(b".") else l for l in body.split(b"\r\n"))
                wire.reply(b"+OK %d octets\r\n" % len(body) + stuffed + b".\r\n")
            elif verb == b"DELE" and 1 <= number <= len(bodies):
                marked.add(number)
                wire.reply(b"+OK\r\n")
            elif verb == b"QUIT":
                for n in marked:
                    os.remove(messages[n - 1])
                wire.reply(b"+OK bye\r\n")
                wire.close()
                return
            else:
                wire.reply(b"-ERR not in the script\r\n")


def serve(listener, context, mail, record_path):
    while True:
        sock, _ = listener.accept()
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        record = []
        try:
            pop3(Wire(sock, context), mail, record)
        except (EOFError, OSError, ssl.SSLError):
            pass  # the client went, or refused the server
        finally:
            sock.close()
            with open(record_path + ".new", "wb") as f:
                f.write(b"".join(record))
            os.replace(record_path + ".new", record_path)


def main():
    certs, command = sys.argv[1], sys.argv[2:]
    top = tempfile.mkdtemp(prefix="tobalin-scripted-")
    os.chmod(top, 0o755)
    for folder in ("mail", "received"):
        os.mkdir(os.path.join(top, folder))
    env = dict(os.environ, TOBALIN_SCRIPTED_DIR=top)
    listeners = {"plain": None}
    for name in CERTIFICATES:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(certs, name + ".pem"), os.path.join(certs, name + ".key"))
        listeners[name] = context
    warnings.simplefilter("ignore", DeprecationWarning)  # TLS 1.1 is the point
    old = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    old.load_cert_chain(os.path.join(certs, "localhost.pem"), os.path.join(certs, "localhost.key"))
    old.set_ciphers("DEFAULT:@SECLEVEL=0")
    old.minimum_version = old.maximum_version = ssl.TLSVersion.TLSv1_1
    listeners["old-tls"] = old
    for name, context in listeners.items():
        listener = socket.create_server(("127.0.0.1", 0))
        env["TOBALIN_SCRIPTED_%s_PORT" % name.upper().replace("-", "_")] = str(listener.getsockname()[1])
        record = os.path.join(top, "received", name)
        threading.Thread(target=serve, args=(listener, context, os.path.join(top, "mail"), record), daemon=True).start()
    try:
        status = subprocess.call(command, env=env)
    finally:
        subprocess.call(["rm", "-rf", top])
    sys.exit(status)


if __name__ == "__main__":
    main()

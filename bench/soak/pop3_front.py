#!/usr/bin/env python3
"""The soak's mail server as the program sees it: a proxy on the program's
POP3 port in front of the real Dovecot, which fails on demand; with a
certificate folder, also on a port for POP3 over TLS from the first byte,
whose TLS it ends itself, so that every mode holds over TLS as well.

    pop3_front.py LISTEN_PORT DOVECOT_PORT CONTROL_PORT_FILE [TLS_PORT CERT_DIR]

CERT_DIR is what scripts/test-ca makes: localhost.pem and .key, and
unknown-ca.pem and .key. The driver connects to the control port (written to
CONTROL_PORT_FILE once everything listens) and sends one mode a line; each
is answered "ok" once it holds, so the next click meets it. A mode holds
until the next one:

    pass         every byte passed on both ways
    refuse       nothing listens on the ports: the connection is refused
    err-greeting "-ERR" instead of the greeting, then nothing
    err-stat     STAT answered "-ERR" here, the rest passed on
    err-dele     every DELE answered "-ERR" here, the rest passed on
    wrong-pass   PASS passed on with another password: Dovecot refuses it.
                 Each such session comes from an address of its own
                 (127.0.1.n): Dovecot delays the next logins from an
                 address that failed one, by up to 15 s, and with the
                 soak's 3 s time-out the cases after it would read as a
                 silent server.
    silent       the connection accepted, not a byte sent (over TLS: not
                 even the handshake's)
    silent-retr  passed on until the first RETR, then not a byte more
    cut-retr     passed on until the first RETR; its reply cut after 100
                 bytes and the connection closed (over TLS without
                 close_notify)
    unknown-ca   as pass; over TLS with a certificate for localhost from a
                 root nobody trusts

Each connection is served by one thread, which alone reads and writes its
TLS channel: OpenSSL's channels are not for two threads at once.
"""
import os
import select
import socket
import ssl
import sys
import threading

listen_port, dovecot_port, port_file = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
tls_port, cert_dir = (int(sys.argv[4]), sys.argv[5]) if len(sys.argv) > 5 else (None, None)
modes = {"pass", "refuse", "err-greeting", "err-stat", "err-dele", "wrong-pass", "silent", "silent-retr",
         "cut-retr", "unknown-ca"}
mode = "pass"
lock = threading.Lock()
listeners = []
failed_logins = 0


def tls_context(name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(os.path.join(cert_dir, name + ".pem"), os.path.join(cert_dir, name + ".key"))
    return context


contexts = {"localhost": tls_context("localhost"), "unknown-ca": tls_context("unknown-ca")} if cert_dir else {}


def listen():
    """The listeners, plain and, with certificates, TLS."""
    opened = []
    for port, tls in [(listen_port, False)] + ([(tls_port, True)] if tls_port else []):
        s = socket.socket()
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", port))
        s.listen(16)
        threading.Thread(target=accept_loop, args=(s, tls), daemon=True).start()
        opened.append(s)
    return opened


def accept_loop(s, tls):
    while True:
        try:
            client, _ = s.accept()
        except OSError:
            return  # closed for "refuse"
        with lock:
            current = mode
        threading.Thread(target=serve, args=(client, current, tls), daemon=True).start()


def drain(client):
    """Holds the connection, taking what the program sends, until it closes."""
    try:
        while client.recv(4096):
            pass
    except OSError:
        pass


def serve(raw, current, tls):
    with raw:
        if current == "silent":
            return drain(raw)
        client = raw
        if tls:
            try:
                raw.settimeout(10)
                client = contexts["unknown-ca" if current == "unknown-ca" else "localhost"].wrap_socket(
                    raw, server_side=True)
                client.settimeout(None)
            except OSError:
                return  # the program refused the certificate, or gave up
        with client:
            if current == "err-greeting":
                client.sendall(b"-ERR soak: not now\r\n")
                return drain(client)
            source = ("127.0.0.1", 0)
            if current == "wrong-pass":
                global failed_logins
                failed_logins += 1
                source = ("127.0.1.%d" % (1 + failed_logins % 250), 0)
            with socket.create_connection(("127.0.0.1", dovecot_port), source_address=source) as server:
                try:
                    relay(client, server, current)
                except OSError:
                    pass


def relay(client, server, current):
    """Passes the conversation on both ways, line by line from the program,
    until either side closes; the mode's failure put in."""
    pending, stopped, cut_left = b"", False, 100
    while True:
        # Bytes TLS has already decrypted do not show to select.
        if getattr(client, "pending", lambda: 0)():
            ready = [client]
        else:
            ready = select.select([client, server], [], [])[0]
        if client in ready:
            data = client.recv(4096)
            if not data:
                return
            pending += data
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                line += b"\n"
                word = line.split(b" ", 1)[0].strip().upper()
                if current == "err-stat" and word == b"STAT" or current == "err-dele" and word == b"DELE":
                    client.sendall(b"-ERR soak: refused\r\n")
                    continue
                if current == "wrong-pass" and word == b"PASS":
                    line = b"PASS not-" + line[5:]
                if current in ("silent-retr", "cut-retr") and word == b"RETR":
                    stopped = True
                if stopped and current == "silent-retr":
                    continue  # the server is not asked: nothing will come
                server.sendall(line)
        if server in ready:
            data = server.recv(4096)
            if not data:
                return
            if stopped and current == "cut-retr":
                client.sendall(data[:cut_left])
                cut_left -= min(cut_left, len(data))
                if cut_left == 0:
                    # Over TLS too the socket alone: no close_notify.
                    client.shutdown(socket.SHUT_RDWR)
                    return
                continue
            client.sendall(data)


def control_loop(control):
    global mode, listeners
    while True:
        connection, _ = control.accept()
        with connection, connection.makefile("rwb", buffering=0) as stream:
            for raw in stream:
                wanted = raw.decode("ascii", "replace").strip()
                if wanted not in modes:
                    stream.write(b"unknown mode\n")
                    continue
                with lock:
                    mode = wanted
                if wanted == "refuse":
                    # Shut down first: a close alone would leave the port
                    # listening while the accepting thread still waits on it.
                    for s in listeners:
                        s.shutdown(socket.SHUT_RDWR)
                        s.close()
                    listeners = []
                elif not listeners:
                    listeners = listen()
                stream.write(b"ok\n")


listeners = listen()
control = socket.socket()
control.bind(("127.0.0.1", 0))
control.listen(1)
with open(port_file + ".tmp", "w") as f:
    f.write(str(control.getsockname()[1]))
os.replace(port_file + ".tmp", port_file)
control_loop(control)

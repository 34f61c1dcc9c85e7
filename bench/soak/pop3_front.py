#!/usr/bin/env python3
"""The soak's mail server as the program sees it: a proxy on the program's
POP3 port in front of the real Dovecot, which fails on demand.

    pop3_front.py LISTEN_PORT DOVECOT_PORT CONTROL_PORT_FILE

The driver connects to the control port (written to CONTROL_PORT_FILE once
everything listens) and sends one mode a line; each is answered "ok" once it
holds, so the next click meets it. A mode holds until the next one:

    pass         every byte passed on both ways
    refuse       nothing listens on the port: the connection is refused
    err-greeting "-ERR" instead of the greeting, then nothing
    err-stat     STAT answered "-ERR" here, the rest passed on
    err-dele     every DELE answered "-ERR" here, the rest passed on
    wrong-pass   PASS passed on with another password: Dovecot refuses it.
                 Each such session comes from an address of its own
                 (127.0.1.n): Dovecot delays the next logins from an
                 address that failed one, by up to 15 s, and with the
                 soak's 3 s time-out the cases after it would read as a
                 silent server.
    silent       the connection accepted, not a byte sent
    silent-retr  passed on until the first RETR, then not a byte more
    cut-retr     passed on until the first RETR; its reply cut after 100
                 bytes and the connection closed
"""
import os
import socket
import sys
import threading

listen_port, dovecot_port, port_file = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
modes = {"pass", "refuse", "err-greeting", "err-stat", "err-dele", "wrong-pass", "silent", "silent-retr",
         "cut-retr"}
mode = "pass"
lock = threading.Lock()
listener = None
failed_logins = 0


def listen():
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", listen_port))
    s.listen(16)
    threading.Thread(target=accept_loop, args=(s,), daemon=True).start()
    return s


def accept_loop(s):
    while True:
        try:
            client, _ = s.accept()
        except OSError:
            return  # closed for "refuse"
        with lock:
            current = mode
        threading.Thread(target=serve, args=(client, current), daemon=True).start()


def drain(client):
    """Holds the connection, taking what the program sends, until it closes."""
    try:
        while client.recv(4096):
            pass
    except OSError:
        pass


def serve(client, current):
    with client:
        if current == "silent":
            return drain(client)
        if current == "err-greeting":
            client.sendall(b"-ERR soak: not now\r\n")
            return drain(client)
        source = ("127.0.0.1", 0)
        if current == "wrong-pass":
            global failed_logins
            failed_logins += 1
            source = ("127.0.1.%d" % (1 + failed_logins % 250), 0)
        with socket.create_connection(("127.0.0.1", dovecot_port), source_address=source) as server:
            state = {"stop": False}
            threading.Thread(target=server_to_client, args=(server, client, current, state), daemon=True).start()
            client_to_server(client, server, current, state)


def server_to_client(server, client, current, state):
    cut_left = None
    try:
        while True:
            data = server.recv(4096)
            if not data:
                break
            if state["stop"] and current == "silent-retr":
                continue
            if state["stop"] and current == "cut-retr":
                cut_left = 100 if cut_left is None else cut_left
                client.sendall(data[:cut_left])
                cut_left -= min(cut_left, len(data))
                if cut_left == 0:
                    client.shutdown(socket.SHUT_RDWR)
                    break
                continue
            client.sendall(data)
    except OSError:
        pass


def client_to_server(client, server, current, state):
    pending = b""
    try:
        while True:
            data = client.recv(4096)
            if not data:
                break
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
                    state["stop"] = True
                    if current == "silent-retr":
                        continue  # the server is not asked: nothing will come
                if state["stop"] and current == "silent-retr":
                    continue
                server.sendall(line)
    except OSError:
        pass
    try:
        server.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass


def control_loop(control):
    global mode, listener
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
                if wanted == "refuse" and listener:
                    # Shut down first: a close alone would leave the port
                    # listening while the accepting thread still waits on it.
                    listener.shutdown(socket.SHUT_RDWR)
                    listener.close()
                    listener = None
                elif wanted != "refuse" and not listener:
                    listener = listen()
                stream.write(b"ok\n")


listener = listen()
control = socket.socket()
control.bind(("127.0.0.1", 0))
control.listen(1)
with open(port_file + ".tmp", "w") as f:
    f.write(str(control.getsockname()[1]))
os.replace(port_file + ".tmp", port_file)
control_loop(control)

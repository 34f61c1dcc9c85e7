#!/usr/bin/env python3
"""Puts the demo's mails into a maildir, encoded as a mail system sends them,
or shows one mail's text as the demo tells it.

    fill_mailbox.py MAILS_FOLDER MAILDIR NEXT_YEAR
    fill_mailbox.py --show MAIL NEXT_YEAR

Each mail (*.eml, in name order) is written in UTF-8 for reading: its leading
"#" lines describe it and are left out, "{next_year}" stands for NEXT_YEAR,
and each text (the body, or each part of a multipart body) is sent in the
charset its Content-Type names, in base64 or quoted-printable when its
Content-Transfer-Encoding says so. The encoding is Python's own (base64,
quopri), never the program's.
"""
import base64
import pathlib
import quopri
import re
import sys


def read(source, next_year):
    """The mail's header lines and its body, as written, without the comment."""
    lines = source.read_text(encoding="utf-8").splitlines()
    while lines and lines[0].startswith("#"):
        lines.pop(0)
    text = "\n".join(lines).replace("{next_year}", next_year) + "\n"
    head, body = text.split("\n\n", 1)
    return head, body


def field(head, name):
    """A header field's value, unfolded; "" when there is none."""
    found = re.search(r"^%s:(.*(?:\n[ \t].*)*)" % name, head, re.M | re.I)
    return re.sub(r"\s+", " ", found.group(1)).strip() if found else ""


def parameter(value, name):
    found = re.search(r';\s*%s="?([^";]*)"?' % name, value, re.I)
    return found.group(1) if found else ""


def parts(body, boundary):
    """The parts of a multipart body: each part's header lines and text, the
    blank lines before the next delimiter left out."""
    found, current = [], None
    for line in body.split("\n"):
        if line in ("--" + boundary, "--" + boundary + "--"):
            if current is not None:
                head, text = "\n".join(current).split("\n\n", 1)
                found.append((head, text.rstrip("\n") + "\n"))
            current = []
        elif current is not None:
            current.append(line)
    return found


def encoded(head, body):
    """The body as it is sent: a text in its charset and transfer encoding;
    a multipart body part by part, between its delimiters."""
    content_type = field(head, "Content-Type")
    if content_type.lower().startswith("multipart/"):
        boundary = parameter(content_type, "boundary")
        sent = b""
        for part_head, text in parts(body, boundary):
            sent += b"--%s\n%s\n\n%s" % (boundary.encode(), part_head.encode("ascii"), encoded(part_head, text))
        return sent + b"--%s--\n" % boundary.encode()
    data = body.encode(parameter(content_type, "charset") or "us-ascii")
    transfer = field(head, "Content-Transfer-Encoding").lower()
    if transfer == "base64":
        # A text's line ends are CR LF before it is made base64.
        return base64.encodebytes(data.replace(b"\n", b"\r\n"))
    if transfer == "quoted-printable":
        return quopri.encodestring(data)
    return data


def fill(mails, maildir, next_year):
    for number, source in enumerate(sorted(mails.glob("*.eml")), 1):
        head, body = read(source, next_year)
        # Delivered in this order: the server numbers the messages by name.
        (maildir / "new" / f"{number}.M{number}P1.demo").write_bytes(
            head.encode("ascii") + b"\n\n" + encoded(head, body))


def show_text(head, text, indent, label=""):
    """How a text is sent, what it says (three lines at most) and, when it
    is encoded, how its first line looks on the wire."""
    content_type = field(head, "Content-Type")
    transfer = field(head, "Content-Transfer-Encoding") or "7bit"
    lines = text.rstrip("\n").split("\n")
    print(f"{indent}{label}{content_type.split(';')[0]}, sent as {parameter(content_type, 'charset')}, {transfer}:")
    for line in lines[:3]:
        print(f"{indent}    {line}".rstrip())
    if len(lines) > 3:
        print(f"{indent}    ...")
    if transfer.lower() in ("base64", "quoted-printable"):
        wire = encoded(head, text).decode("ascii").split("\n")[0]
        print(f"{indent}    (on the wire: {wire[:60] + '...' if len(wire) > 60 else wire})")


def show(source, next_year):
    head, body = read(source, next_year)
    content_type = field(head, "Content-Type")
    if content_type.lower().startswith("multipart/"):
        found = parts(body, parameter(content_type, "boundary"))
        print(f"  Body: {content_type.split(';')[0]}, {len(found)} parts; Tobalin reads the first text/plain one")
        for part_head, text in found:
            show_text(part_head, text, "    ")
    else:
        show_text(head, body, "  ", "Body: ")


if sys.argv[1] == "--show":
    show(pathlib.Path(sys.argv[2]), sys.argv[3])
else:
    fill(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3])

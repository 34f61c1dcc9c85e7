#!/usr/bin/env python3
"""Puts the demo's mails into a maildir, encoded as a mail system sends them.

    fill_mailbox.py MAILS_FOLDER MAILDIR NEXT_YEAR

Each mail in MAILS_FOLDER (*.eml, in name order) is written in UTF-8 for
reading: its leading "#" lines describe it and are left out, "{next_year}"
stands for NEXT_YEAR, and its body is sent in the charset its Content-Type
names, quoted-printable when its Content-Transfer-Encoding says so.
"""
import pathlib
import quopri
import re
import sys

mails, maildir, next_year = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3]
for number, source in enumerate(sorted(mails.glob("*.eml")), 1):
    lines = source.read_text(encoding="utf-8").splitlines()
    while lines and lines[0].startswith("#"):
        lines.pop(0)
    text = "\n".join(lines).replace("{next_year}", next_year) + "\n"
    head, body = text.split("\n\n", 1)
    charset = re.search(r"^Content-Type:.*charset=([^;\s]+)", head, re.M | re.I).group(1)
    encoded = body.encode(charset)
    if re.search(r"^Content-Transfer-Encoding: *quoted-printable", head, re.M | re.I):
        encoded = quopri.encodestring(encoded)
    # Delivered in this order: the server numbers the messages by name.
    (maildir / "new" / f"{number}.M{number}P1.demo").write_bytes(head.encode("ascii") + b"\n\n" + encoded)

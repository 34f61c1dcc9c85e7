#!/usr/bin/env python3
"""The benchmark's third client: Python's poplib emptying the mailbox with
USER, PASS, STAT, RETR and DELE for each message, and QUIT. Prints the
seconds the session took and the count of messages retrieved."""
import poplib
import sys
import time

host, port, user, password = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
start = time.perf_counter()
box = poplib.POP3(host, port)
box.user(user)
box.pass_(password)
count, _ = box.stat()
for n in range(1, count + 1):
    box.retr(n)
    box.dele(n)
box.quit()
print(time.perf_counter() - start, count)

"""Tobalin's settings as its dialog saves them, and .tvpi opened by a recorder, as .reg text."""
import argparse


def text(value):
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def scrambled(password):
    # Every byte XORed with 0x4D, as the program stores a password. The bytes
    # go in as hex: "M" becomes 0, "G" a line feed and "@" a carriage return,
    # which a quoted string cannot carry. REG_SZ data is UTF-16LE with its
    # terminator; the program reads it by its length, so an inner 0 stays.
    data = "".join(chr(ord(c) ^ 0x4D) for c in password).encode("utf-16-le") + b"\0\0"
    return "hex(1):" + ",".join(f"{byte:02x}" for byte in data)


def main():
    options = argparse.ArgumentParser(description=__doc__)
    options.add_argument("--pop", required=True, help="the server entry, as typed into the dialog")
    options.add_argument("--user", required=True)
    options.add_argument("--password", required=True, help="ASCII, as the dialog takes it")
    options.add_argument("--folder", required=True, help=r"the program's folder (C:\...), with recorder.tbn and stations.txt")
    options.add_argument("--recorder", required=True, help=r"the recorder's folder, with test_recorder.exe and received\ ")
    options.add_argument("--progid", required=True, help="the ProgID .tvpi names")
    given = options.parse_args()
    if not given.password.isascii():
        options.error("the dialog takes ASCII passwords only")
    print("Windows Registry Editor Version 5.00\n")
    print("[HKEY_LOCAL_MACHINE\\Software\\ZELKA\\Tobalin]")
    for name, value in [("POP", text(given.pop)), ("SMTP", text("")), ("User", text(given.user)),
                        ("Pass", scrambled(given.password)), ("Batch", text(given.folder + "\\recorder.tbn")),
                        ("Station", text(given.folder + "\\stations.txt")), ("PassMail", scrambled(""))]:
        print(text(name) + "=" + value)
    # Every 60 minutes: the runs' polls are their clicks.
    print('"Timer"=dword:0000003c\n')
    print(f"[HKEY_CLASSES_ROOT\\.tvpi]\n@={text(given.progid)}\n")
    print(f"[HKEY_CLASSES_ROOT\\{given.progid}\\shell\\open\\command]")
    print("@=" + text(f'"{given.recorder}\\test_recorder.exe" "{given.recorder}\\received" "%1"'))


main()

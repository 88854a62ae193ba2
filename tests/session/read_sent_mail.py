#!/usr/bin/env python3
"""Reads the mail that the transport wrote for SendMail with Python's e-mail parser and
checks it against what the test sent: subject, To and Cc addresses, body, and the name
and bytes of each attachment."""
import email
import email.policy
import os
import sys


def main(directory):
    with open(os.path.join(directory, "sent.eml"), "rb") as f:
        mail = email.message_from_binary_file(f, policy=email.policy.default)
    problems = []

    def check(what, got, wanted):
        if got != wanted:
            problems.append(f"{what}: got {got!r}, wanted {wanted!r}")

    check("subject", str(mail["Subject"]), "Grüße vom Team")
    check("to", [a.addr_spec for a in mail["To"].addresses], ["bo@example.com", "zed@example.org"])
    check("to names", [a.display_name for a in mail["To"].addresses], ["Bo Chen", ""])
    check("cc", [a.addr_spec for a in mail["Cc"].addresses], ["cy@example.com"])
    check("from", mail["From"].addresses[0].addr_spec, "ann@example.com")
    check("importance", mail["Importance"], "high")
    body = mail.get_body(preferencelist=("plain",))
    check("body", body.get_content() if body else None, "Hello,\r\nthe files are attached.\r\n")
    attached = {part.get_filename(): part.get_content() for part in mail.iter_attachments()}
    for name in ("notes.txt", "data.bin"):
        with open(os.path.join(directory, name), "rb") as f:
            wanted = f.read()
        got = attached.get(name)
        if isinstance(got, str):
            got = got.encode(body.get_content_charset() if body else "ascii")
        check("attachment " + name, got, wanted)
    check("attachment names", sorted(attached), ["data.bin", "notes.txt"])
    for p in problems:
        print(p)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

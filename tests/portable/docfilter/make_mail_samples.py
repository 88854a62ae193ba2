#!/usr/bin/env python3
"""Writes mail files with Python's email package, an independent producer of MIME, and
what a reader must find in them: the readable text's words and each member's name,
decoded size and words.

usage: make_mail_samples.py CORPUS_DIR OUT_DIR

OUT_DIR/forwarded.eml: non-ASCII headers, a plain body with an HTML alternative, a text
attachment with an RFC 2231 name, a ZIP attachment, and a nested message with an
attachment of its own. OUT_DIR/forwarded.expect lists, tab-separated:
  text <words file>
  member <name (UTF-8)> <decoded size or -> <words file or ->
"""
import io
import os
import sys
import zipfile
from email import policy
from email.message import EmailMessage
from email.parser import BytesParser


def main(corpus, out):
    os.makedirs(out, exist_ok=True)
    body = open(os.path.join(corpus, "source.txt"), encoding="utf-8").read()
    guide = open(os.path.join(corpus, "guide_source.txt"), encoding="utf-8").read()

    # 1. The nested message, with an attachment of its own.
    inner = EmailMessage()
    inner["From"] = "Pilot Station <pilots@example.org>"
    inner["To"] = "Harbour Office <office@example.org>"
    inner["Subject"] = "Inner plan for the northern channel"
    inner_body = "Dredging of the northern channel starts after the storms; buoys are moved westward."
    inner.set_content(inner_body)
    inner_notes = "Buoy seventeen drifted twelve metres during the gale."
    inner.add_attachment(inner_notes.encode("utf-8"), maintype="text", subtype="plain",
                         filename="inner-notes.txt")

    # 2. The outer message: non-ASCII headers, alternatives, three attachments.
    outer = EmailMessage()
    outer["From"] = "Renée Müller <renee@example.org>"
    outer["To"] = "Jörg Åström <jorg@example.net>"
    outer["Cc"] = "Carol Quay <carol@example.com>"
    outer["Subject"] = "Übersicht: quarterly review of the café"
    outer["Date"] = "Mon, 07 Dec 2026 09:30:00 +0100"
    outer.set_content(body)
    outer.add_alternative("<html><body><p>Only the HTML copy mentions zeppelins.</p></body></html>",
                          subtype="html")
    outer.add_attachment(guide, filename="Notizen für Bob.txt")
    archive = io.BytesIO()
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("tides/q1.txt", "spring tides")
        z.writestr("tides/q2.txt", "neap tides")
    outer.add_attachment(archive.getvalue(), maintype="application", subtype="zip",
                         filename="figures.zip")
    outer.add_attachment(inner)
    data = outer.as_bytes(policy=policy.SMTP)
    with open(os.path.join(out, "forwarded.eml"), "wb") as f:
        f.write(data)

    # 3. What a reader must find; sizes from Python's own decoding of the written file.
    parsed = BytesParser(policy=policy.default).parsebytes(data)
    parts = [p for p in parsed.iter_attachments()]
    sizes = {p.get_filename(): len(p.get_payload(decode=True)) for p in parts
             if p.get_content_type() != "message/rfc822"}

    def words(name, text):
        with open(os.path.join(out, name), "w", encoding="utf-8") as f:
            f.write(text)
        return name

    rows = [("text", words("forwarded.words",
                           "Renée Müller Jörg Åström Carol Quay Übersicht quarterly review café\n"
                           + body))]
    rows.append(("member", "Notizen für Bob.txt", str(sizes["Notizen für Bob.txt"]),
                 words("notes.words", guide)))
    rows.append(("member", "figures.zip", str(sizes["figures.zip"]),
                 words("figures.words", "tides q1 txt tides q2 txt")))
    rows.append(("member", "Inner plan for the northern channel.eml", "-",
                 words("inner.words", "Pilot Station Harbour Office Inner plan " + inner_body)))
    rows.append(("member", "inner-notes.txt", str(len(inner_notes.encode("utf-8"))),
                 words("inner_notes.words", inner_notes)))
    with open(os.path.join(out, "forwarded.expect"), "w", encoding="utf-8") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

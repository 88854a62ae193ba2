"""Checks a message file with python3-olefile (the layout: class identifier, property
stream headers, property streams, recipient, attachment, embedded-message and
named-property storages) and msgconvert's MIME conversion of it (subject, recipients,
body, attachment names and bytes, the embedded message and its attachment).
Without a description the file is the stand-in's sample; with one (FILE.json: subject,
body, rtf, recipients, attachments with their data or embedded message) every part is
compared to it.
Usage: msgfile_readers.py FILE.msg FILE.eml [FILE.json]"""
import email
import email.header
import email.policy
import json
import struct
import sys

import olefile

SUBJECT = "Quarterly report \u00fcber \u00c6rger \u2013 \u4f60\u597d"
BODY = "Hello,\r\nthis is the plain body.\r\n"
RTF = b"{\\rtf1\\ansi\\ansicpg1252\\deff0 Hello, {\\b rich} body.\\par}"
NOTES = b"These are the notes.\r\n" + bytes(range(256))
OLE = b"OLE object payload"
INNER_DATA = b"Inner attachment data\r\n"
PROJECT_SET = bytes.fromhex("01534d4b11110040" "8000000000000001")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def entries(ole, path, header):
    data = ole.openstream(path).read()
    check((len(data) - header) % 16 == 0, f"{path}: entries after a {header}-byte header")
    out = {}
    for at in range(header, len(data) - 15, 16):
        tag, flags, value = struct.unpack_from("<IIQ", data, at)
        out[tag] = value
    return data[:header], out


def check_layout(path):
    ole = olefile.OleFileIO(path)
    check(ole.root.clsid == "00020D0B-0000-0000-C000-000000000046", "class identifier")
    props = "__properties_version1.0"
    header, top = entries(ole, props, 32)
    check(struct.unpack_from("<IIII", header, 8) == (2, 3, 2, 3), "top header counts")
    subject = ole.openstream("__substg1.0_0037001F").read()
    check(subject.decode("utf-16-le") == SUBJECT, "subject stream")
    check(top.get(0x0037001F, 0) & 0xFFFFFFFF == len(subject) + 2, "subject size counts the terminator")
    check(ole.openstream("__substg1.0_1000001F").read().decode("utf-16-le") == BODY, "body stream")
    check(ole.exists("__substg1.0_10090102"), "compressed RTF stream")
    check(0x10060003 not in top, "excluded property left out")
    for i, name in enumerate([b"Alice Example", b"Bob Example"]):
        storage = f"__recip_version1.0_#{i:08X}"
        rh, recip = entries(ole, f"{storage}/{props}", 8)
        check(ole.openstream(f"{storage}/__substg1.0_3001001E").read() == name, f"recipient {i} name")
        check(recip.get(0x3001001E, 0) & 0xFFFFFFFF == len(name) + 1, f"recipient {i} size")
    for i in range(3):
        entries(ole, f"__attach_version1.0_#{i:08X}/{props}", 8)
    check(ole.openstream("__attach_version1.0_#00000000/__substg1.0_37010102").read() == NOTES,
          "by-value data")
    embedded = "__attach_version1.0_#00000002/__substg1.0_3701000D"
    eh, inner = entries(ole, f"{embedded}/{props}", 24)
    check(struct.unpack_from("<IIII", eh, 8) == (0, 1, 0, 1), "embedded header counts")
    _, attach = entries(ole, f"__attach_version1.0_#00000002/{props}", 8)
    check(attach.get(0x3701000D, 0) & 0xFFFFFFFF == 0xFFFFFFFF, "embedded object entry")
    check(ole.openstream(f"{embedded}/__attach_version1.0_#00000000/__substg1.0_37010102").read()
          == INNER_DATA, "embedded message's attachment data")
    # Named properties: one numeric name in the project set, one string name in
    # PS_PUBLIC_STRINGS (GUID index 2), each value in the stream of its mapped tag.
    nameid = "__nameid_version1.0/"
    guids = ole.openstream(nameid + "__substg1.0_00020102").read()
    check(guids == PROJECT_SET, "GUID stream")
    names = ole.openstream(nameid + "__substg1.0_00030102").read()
    strings = ole.openstream(nameid + "__substg1.0_00040102").read()
    check(len(names) == 16, "two named-property entries")
    found = {}
    for at in range(0, len(names) - 7, 8):
        key, index_kind, prop_index = struct.unpack_from("<IHH", names, at)
        if index_kind & 1:
            length = struct.unpack_from("<I", strings, key)[0]
            found[strings[key + 4:key + 4 + length].decode("utf-16-le")] = (index_kind >> 1, prop_index)
        else:
            found[key] = (index_kind >> 1, prop_index)
    check(found.get("ProjectCode", (0,))[0] == 2, "string name in PS_PUBLIC_STRINGS")
    check(found.get(0x8501, (0,))[0] == 3, "numeric name in the first listed GUID")
    if "ProjectCode" in found:
        tag = (0x8000 + found["ProjectCode"][1]) << 16 | 0x001F
        check(ole.openstream(f"__substg1.0_{tag:08X}").read().decode("utf-16-le") == "KM-42",
              "named string value")
    if 0x8501 in found:
        tag = (0x8000 + found[0x8501][1]) << 16 | 0x0003
        check(top.get(tag, 0) & 0xFFFFFFFF == 7, "named long value")


def attachments(message):
    return {p.get_filename(): p for p in message.iter_attachments() if p.get_filename()}


def check_mime(path):
    with open(path, "rb") as f:
        raw = f.read()
    message = email.message_from_bytes(raw, policy=email.policy.compat32)
    subject = raw.split(b"\nSubject: ", 1)[1].split(b"\n", 1)[0].rstrip(b"\r").decode("utf-8")
    if "=?" in subject:
        subject = str(email.header.make_header(email.header.decode_header(subject)))
    check(subject == SUBJECT, f"msgconvert subject {subject!r}")
    check(message["To"] == "Alice Example <alice@example.com>", f"msgconvert To {message['To']!r}")
    check(message["Cc"] == "Bob Example <bob@example.com>", f"msgconvert Cc {message['Cc']!r}")
    message = email.message_from_bytes(raw, policy=email.policy.default)
    plain = message.get_body(("plain",))
    check(plain is not None and plain.get_content().replace("\r\n", "\n") == BODY.replace("\r\n", "\n"),
          "msgconvert body")
    rtf = [p for p in message.walk() if p.get_content_type() == "application/rtf"]
    check(len(rtf) == 1 and rtf[0].get_content() == RTF, "msgconvert RTF body")
    files = attachments(message)
    check(files.get("notes.txt") is not None and files["notes.txt"].get_content() == NOTES,
          "msgconvert notes.txt bytes")
    check(files.get("drawing.bin") is not None and files["drawing.bin"].get_content() == OLE,
          "msgconvert OLE attachment bytes")
    inner = [p for p in message.walk() if p.get_content_type() == "message/rfc822"]
    check(len(inner) == 1, "msgconvert embedded message")
    if inner:
        embedded = inner[0].get_content()
        check(embedded["Subject"] == "Inner message", "msgconvert embedded subject")
        files = attachments(embedded)
        check(files.get("inner.txt") is not None and files["inner.txt"].get_content() == INNER_DATA,
              "msgconvert embedded attachment bytes")


def header_text(raw, name):
    """A header of msgconvert's output: it writes UTF-8 when the text needs it, else Latin-1."""
    line = raw.split(b"\n" + name + b": ", 1)
    if len(line) < 2:
        return None
    value = line[1].split(b"\n", 1)[0].rstrip(b"\r")
    try:
        text = value.decode("utf-8")
    except UnicodeDecodeError:
        text = value.decode("latin-1")
    if "=?" in text:
        text = str(email.header.make_header(email.header.decode_header(text)))
    return text


def recipient_header(expected, kind):
    names = [f"{r['name']} <{r['email']}>" for r in expected["recipients"] if r["type"] == kind]
    return ", ".join(names) if names else None


def check_described_layout(ole, base, expected, where):
    """Streams and storages of one message (top level or embedded) against its description."""
    props = base + "__properties_version1.0"
    header, _ = entries(ole, props, 32 if not base else 24)
    recipients, attachments = struct.unpack_from("<II", header, 8)[0:2]
    check(recipients == len(expected["recipients"]), f"{where}: recipient count in the header")
    check(attachments == len(expected["attachments"]), f"{where}: attachment count in the header")
    subject = None
    for tag, codec in (("0037001F", "utf-16-le"), ("0037001E", "cp1252")):
        if ole.exists(base + "__substg1.0_" + tag):
            subject = ole.openstream(base + "__substg1.0_" + tag).read().decode(codec)
    check(subject == expected["subject"], f"{where}: subject stream {subject!r}")
    body = [t for t in ("1000001F", "1000001E") if ole.exists(base + "__substg1.0_" + t)]
    check(bool(body) == (expected["body"] is not None), f"{where}: plain body stream {body}")
    check(ole.exists(base + "__substg1.0_10090102") == (expected["rtf"] is not None),
          f"{where}: compressed RTF stream")
    for i, recipient in enumerate(expected["recipients"]):
        name = ole.openstream(f"{base}__recip_version1.0_#{i:08X}/__substg1.0_3001001E").read()
        check(name.decode("cp1252") == recipient["name"], f"{where}: recipient {i} name")
    for i, attachment in enumerate(expected["attachments"]):
        storage = f"{base}__attach_version1.0_#{i:08X}/"
        entries(ole, storage + "__properties_version1.0", 8)
        if "message" in attachment:
            check_described_layout(ole, storage + "__substg1.0_3701000D/", attachment["message"],
                                   f"{where}/{attachment['name']}")
        else:
            data = ole.openstream(storage + "__substg1.0_37010102").read()
            check(data == bytes.fromhex(attachment["data"]), f"{where}: {attachment['name']} data")


def own_parts(message):
    """The parts of a message, not descending into embedded messages."""
    if message.get_content_type() == "message/rfc822" or not message.is_multipart():
        return [message]
    return [p for part in message.iter_parts() for p in
            ([part] if part.get_content_type() == "message/rfc822" else own_parts(part))]


def check_described_mime(message, raw, expected, where):
    """msgconvert's conversion of one message against its description."""
    check(header_text(raw, b"Subject") == expected["subject"], f"{where}: msgconvert subject")
    for kind, header in (("to", "To"), ("cc", "Cc")):
        check(message[header] == recipient_header(expected, kind),
              f"{where}: msgconvert {header} {message[header]!r}")
    parts = own_parts(message)
    plain = [p for p in parts if p.get_content_type() == "text/plain" and p.get_filename() is None]
    if expected["body"] is None:
        check(not plain, f"{where}: msgconvert has no plain body")
    else:
        text = plain[0].get_content() if plain else None
        check(text is not None and text.replace("\r\n", "\n").rstrip("\n")
              == expected["body"].replace("\r\n", "\n").rstrip("\n"), f"{where}: msgconvert body")
    rtf = [p for p in parts if p.get_content_type() == "application/rtf"]
    if expected["rtf"] is not None:
        check(len(rtf) == 1 and rtf[0].get_content() == expected["rtf"].encode("latin-1"),
              f"{where}: msgconvert RTF body")
    files = attachments(message)
    inner = [p for p in message.iter_attachments() if p.get_content_type() == "message/rfc822"]
    for attachment in expected["attachments"]:
        name = attachment["name"]
        if "message" in attachment:
            nested = [p.get_content() for p in inner]
            nested = [m for m in nested if m["Subject"] == attachment["message"]["subject"]]
            check(len(nested) == 1, f"{where}: msgconvert embedded {name}")
            if nested:
                check_described_mime(nested[0], nested[0].as_bytes(), attachment["message"],
                                     f"{where}/{name}")
        else:
            check(name in files and files[name].get_content() == bytes.fromhex(attachment["data"]),
                  f"{where}: msgconvert {name} bytes")


if len(sys.argv) > 3:
    with open(sys.argv[3], encoding="utf-8") as f:
        described = json.load(f)
    ole = olefile.OleFileIO(sys.argv[1])
    check(ole.root.clsid == "00020D0B-0000-0000-C000-000000000046", "class identifier")
    check_described_layout(ole, "", described, sys.argv[1])
    with open(sys.argv[2], "rb") as f:
        raw = f.read()
    check_described_mime(email.message_from_bytes(raw, policy=email.policy.default), raw,
                         described, sys.argv[1])
else:
    check_layout(sys.argv[1])
    check_mime(sys.argv[2])
for f in failures:
    print("FAILED:", f)
print("olefile and msgconvert:", "ok" if not failures else f"{len(failures)} failures")
sys.exit(1 if failures else 0)

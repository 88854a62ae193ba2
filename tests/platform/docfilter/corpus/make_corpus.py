#!/usr/bin/python3
"""Writes the document-filter accuracy corpus from source.md and guide.md with outside producers:
pandoc (docx, odt, rtf, html, pptx), reportlab (pdf), openpyxl (xlsx), odfpy (ods, odp),
Python's email and zipfile modules (eml, zip). The produced files are committed, so
the tests need none of these producers. Run from this directory:
    /usr/bin/python3 make_corpus.py
Needs: apt-get install pandoc python3-reportlab python3-openpyxl python3-odf
"""
import email.policy
import io
import os
import re
import subprocess
import zipfile
from email.message import EmailMessage

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = HERE
SOURCE = os.path.join(HERE, "source.md")


def source_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def paragraphs(md):
    """Plain paragraphs of the Markdown: headings, list items and table rows as lines."""
    blocks = []
    md = re.sub(r"\[\^\w+\]:\s*", "", re.sub(r"(?<=\S)\[\^\w+\]", "", md))
    for block in re.split(r"\n\s*\n", md.strip()):
        lines = []
        for line in block.splitlines():
            line = line.strip()
            if re.fullmatch(r"\|[-| ]+\|", line):
                continue
            line = re.sub(r"^#+\s*|^[-*]\s+|^\d+\.\s+|^>\s*", "", line)
            line = " ".join(cell.strip() for cell in line.strip("|").split("|"))
            lines.append(line)
        is_list = re.match(r"\s*([-|]|\d+\.)", block) is not None
        blocks.append(lines if is_list else " ".join(lines))
    out = []
    for b in blocks:
        out.extend(b if isinstance(b, list) else [b])
    return out


def pandoc(fmt, name, extra=()):
    subprocess.run(["pandoc", "-f", "markdown-smart", "-t", fmt, "-s",
                    "--metadata", "title=Harbour report", "-o",
                    os.path.join(OUT, name), SOURCE, *extra], check=True)


def write_guide():
    """The second source through the producers whose readers differ most: docx, odt, rtf,
    html, pdf. Named guide.*, with its words in guide_source.txt."""
    path = os.path.join(HERE, "guide.md")
    paras = paragraphs(source_text(path))
    with open(os.path.join(OUT, "guide_source.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(paras) + "\n")
    for fmt, ext in (("docx", "docx"), ("odt", "odt"), ("rtf", "rtf"), ("html", "html")):
        subprocess.run(["pandoc", "-f", "markdown-smart", "-t", fmt, "-s", "--metadata",
                        "title=Crew handbook", "-o", os.path.join(OUT, "guide." + ext), path],
                       check=True)
    write_pdf(paras, "guide.pdf")


def write_text_files(md, paras):
    text = "\n\n".join(paras) + "\n"
    with open(os.path.join(OUT, "report_utf8.txt"), "w", encoding="utf-8") as f:
        f.write(text)
    with open(os.path.join(OUT, "report_latin1.txt"), "w", encoding="latin-1") as f:
        f.write(text)
    with open(os.path.join(OUT, "report_utf16.txt"), "wb") as f:
        f.write(text.encode("utf-16"))  # with a byte-order mark


def write_pdf(paras, name="report.pdf"):
    from reportlab.lib.pagesizes import A4
    from reportlab.lib.styles import getSampleStyleSheet
    from reportlab.platypus import Paragraph, SimpleDocTemplate
    styles = getSampleStyleSheet()
    doc = SimpleDocTemplate(os.path.join(OUT, name), pagesize=A4, invariant=1)
    doc.build([Paragraph(p, styles["BodyText"]) for p in paras])


def write_xlsx(paras):
    import openpyxl
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Report"
    for i, p in enumerate(paras, start=1):
        for j, sentence in enumerate(re.split(r"(?<=[.;])\s+", p), start=1):
            ws.cell(row=i, column=j, value=sentence)
    ws.cell(row=len(paras) + 1, column=1, value=4200000)
    wb.save(os.path.join(OUT, "report.xlsx"))


def write_ods(paras):
    from odf.opendocument import OpenDocumentSpreadsheet
    from odf.table import Table, TableCell, TableRow
    from odf.text import P
    doc = OpenDocumentSpreadsheet()
    table = Table(name="Report")
    for p in paras:
        row = TableRow()
        for sentence in re.split(r"(?<=[.;])\s+", p):
            cell = TableCell(valuetype="string")
            cell.addElement(P(text=sentence))
            row.addElement(cell)
        table.addElement(row)
    doc.spreadsheet.addElement(table)
    doc.save(os.path.join(OUT, "report.ods"))


def write_odp(paras):
    from odf.draw import Frame, Page, TextBox
    from odf.opendocument import OpenDocumentPresentation
    from odf.style import MasterPage, PageLayout, Style
    from odf.text import P
    doc = OpenDocumentPresentation()
    layout = PageLayout(name="Layout")
    doc.automaticstyles.addElement(layout)
    master = MasterPage(name="Default", pagelayoutname=layout)
    doc.masterstyles.addElement(master)
    for i in range(0, len(paras), 3):
        page = Page(masterpagename=master)
        frame = Frame(width="24cm", height="16cm", x="1cm", y="1cm")
        box = TextBox()
        for p in paras[i:i + 3]:
            box.addElement(P(text=p))
        frame.addElement(box)
        page.addElement(frame)
        doc.presentation.addElement(page)
    doc.save(os.path.join(OUT, "report.odp"))


def write_eml(paras):
    msg = EmailMessage(policy=email.policy.SMTP)
    msg["From"] = "Harbour Office <office@kelmsford.example>"
    msg["To"] = "Board <board@kelmsford.example>"
    msg["Subject"] = "Quarterly report"
    msg["Date"] = "Mon, 06 Oct 2025 09:30:00 +0000"
    plain = "\n\n".join(paras) + "\n"
    html = "<html><body>" + "".join(f"<p>{p}</p>" for p in paras) + "</body></html>"
    msg.set_content(plain, charset="utf-8", cte="quoted-printable")
    msg.add_alternative(html, subtype="html", charset="utf-8", cte="base64")
    msg.add_attachment(bytes(range(256)) * 4, maintype="application", subtype="octet-stream",
                       filename="tables.bin")
    with open(os.path.join(OUT, "report.eml"), "wb") as f:
        f.write(msg.as_bytes())


def write_zip(paras):
    text = ("\n\n".join(paras) + "\n").encode("utf-8")
    with zipfile.ZipFile(os.path.join(OUT, "archive.zip"), "w") as z:
        z.writestr(zipfile.ZipInfo("docs/"), b"")
        z.writestr("docs/report.txt", text, compress_type=zipfile.ZIP_DEFLATED)
        z.write(os.path.join(OUT, "report.docx"), "docs/report.docx", compress_type=zipfile.ZIP_STORED)
        z.write(os.path.join(OUT, "report.html"), "report.html", compress_type=zipfile.ZIP_DEFLATED)
        z.writestr("empty.bin", bytes(range(256)), compress_type=zipfile.ZIP_STORED)
    # Hostile names: traversal, absolute paths, a drive letter.
    with zipfile.ZipFile(os.path.join(OUT, "hostile_names.zip"), "w") as z:
        for name in ("../../escape.txt", "/etc/absolute.txt", "C:\\Windows\\drive.txt",
                     "a/./b/../c.txt", ".."):
            info = zipfile.ZipInfo(name)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, b"hostile member text\n")


def main():
    md = source_text(SOURCE)
    paras = paragraphs(md)
    with open(os.path.join(OUT, "source.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(paras) + "\n")
    write_text_files(md, paras)
    pandoc("html", "report.html")
    pandoc("rtf", "report.rtf")
    pandoc("docx", "report.docx")
    pandoc("odt", "report.odt")
    pandoc("pptx", "report.pptx")
    write_pdf(paras)
    write_xlsx(paras)
    write_ods(paras)
    write_odp(paras)
    write_eml(paras)
    write_zip(paras)
    write_guide()


if __name__ == "__main__":
    main()

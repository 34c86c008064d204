"""Reads the workbook and the document that make_office_files writes with
readers of their own (openpyxl, python-docx, and LibreOffice laying them out
or converting them) and checks what a user would see: values and their kinds,
number formats, fonts, widths, the one table."""
import csv
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import docx
import openpyxl
from docx.oxml.ns import qn

HEADINGS = ["Name/Description", "Ticker", "Number of Shares", "Price/Share",
            "Net Amount (Tesmo)", "Trade Date"]
NAME = "Zo\u00eb \u00dcn\u00efcode \u682a\u5f0f\u4f1a\u793e"


def produce(*args):
    tmp = tempfile.mkdtemp()
    out = subprocess.run([sys.argv[1], *args], env=dict(os.environ, TMPDIR=tmp),
                         capture_output=True, text=True, check=True).stdout
    files = dict(line.split(" ", 1) for line in out.splitlines())
    return files["xlsx"], files["docx"]


def libreoffice(target, *files):
    """Converts the files with LibreOffice to the target ("pdf", "csv:...")
    in one run; returns the converted files, in the order given."""
    out = tempfile.mkdtemp()
    copies = []
    for i, f in enumerate(files):
        copies.append(os.path.join(out, "file%d%s" % (i, os.path.splitext(f)[1])))
        shutil.copy(f, copies[-1])
    subprocess.run(["soffice", "-env:UserInstallation=file://" + out + "/profile", "--headless",
                    "--convert-to", target, "--outdir", out, *copies],
                   capture_output=True, check=True, timeout=120)
    return [os.path.splitext(c)[0] + "." + target.split(":")[0] for c in copies]


class ReadBack(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.xlsx, cls.docx = produce()

    def test_files_lie_in_private_folders(self):
        for path in (self.xlsx, self.docx):
            self.assertEqual(os.stat(os.path.dirname(path)).st_mode & 0o077, 0, path)
            self.assertEqual(os.listdir(os.path.dirname(path)), [os.path.basename(path)])

    def test_workbook(self):
        book = openpyxl.load_workbook(self.xlsx)
        self.assertEqual(book.properties.title, "Stocks")
        sheet = book.worksheets[0]
        self.assertEqual(sheet.max_row, 5)
        self.assertEqual([c.value for c in sheet[1]], HEADINGS)
        self.assertTrue(all(c.font.b and c.font.i for c in sheet[1]))
        self.assertFalse(any(c.font.b or c.font.i for c in sheet[2]))

        day = datetime.datetime
        rows = [[c.value for c in row] for row in sheet.iter_rows(min_row=2)]
        self.assertEqual(rows, [
            ["Acme Corporation Holdings", "ACME", 100, 12.5, 1250, day(2003, 1, 15)],
            [NAME, "ABCDE", 33.3333333333333, None, 1234.5, day(1999, 12, 31)],
            ["Short", "O'NEIL", 7, 0.5, None, day(2010, 2, 1)],
            ["Negative", "NEG", -2.5, 1234.5, -5, day(2005, 3, 4)],
        ])
        self.assertIsInstance(sheet["C2"].value, int)
        for row in range(2, 6):
            self.assertEqual(sheet.cell(row, 6).number_format, "m/d/yyyy")
            for column, fmt in ((4, "$#,##0.0000"), (5, "$#,##0.00")):
                if sheet.cell(row, column).value is not None:
                    self.assertEqual(sheet.cell(row, column).number_format, fmt)
        self.assertEqual(sheet.column_dimensions["D"].number_format, "$#,##0.0000")
        self.assertEqual(sheet.column_dimensions["E"].number_format, "$#,##0.00")

        widths = {c: sheet.column_dimensions[c].width for c in "ABCDEF"}
        self.assertGreater(widths["A"], len("Acme Corporation Holdings"))
        self.assertGreater(widths["E"], len("Net Amount (Tesmo)"))
        self.assertLess(widths["B"], widths["C"])

    def test_no_temporary_folder_writes_nothing(self):
        # A TMPDIR that does not exist must fail both writers, never fall
        # back to the folder the program runs in (the ledger's folder).
        here = tempfile.mkdtemp()
        run = subprocess.run([sys.argv[1]], cwd=here, capture_output=True, text=True,
                             env=dict(os.environ, TMPDIR=os.path.join(here, "missing")))
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(run.stdout, "")
        self.assertEqual(os.listdir(here), [])

    def test_document_as_laid_out_breaks_no_number(self):
        # Laid out by a word processor of its own, a table wider than the
        # page wraps its names and headings between words, and breaks no
        # number, amount, ticker or date.
        docx_file = produce("wide")[1]
        out = tempfile.mkdtemp()
        subprocess.run(["soffice", "-env:UserInstallation=file://" + out + "/profile", "--headless",
                        "--convert-to", "pdf", "--outdir", out, docx_file],
                       capture_output=True, check=True, timeout=120)
        pdf = os.path.join(out, "Document1.pdf")
        text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                              check=True).stdout
        for whole in ["TEN10CHARS", "1000000", "$1,000.0001", "$4,500,000,000.00", "12/31/1999",
                      "NOKIA", "$1,234.50", "1/1/1901", "Number", "Shares", "Amount", "(Tesmo)",
                      "Price/Share", "International"]:
            self.assertIn(whole, text)

    def test_awkward_texts(self):
        # Tickers stay text whatever they look like; dates before March 1900
        # are text, as the readers count days differently before it; each
        # control character is a blank. openpyxl and LibreOffice read the
        # workbook alike, python-docx reads the same texts in the document.
        xlsx, docx_file = produce("awkward")
        sheet = openpyxl.load_workbook(xlsx).worksheets[0]
        tickers = ["0012", "00", "1E5", "12.50", "$5", "1/2/2003", "A B ", " 12"]
        names = ["Line  break and C0 ", "C1   end"]
        early = ["1/1/1900", "2/28/1900", datetime.datetime(1900, 3, 1), "12/31/1899"]
        self.assertEqual([sheet.cell(row, 2).value for row in range(2, 10)], tickers)
        self.assertEqual([sheet.cell(row, 6).value for row in range(2, 6)], early)
        self.assertEqual([sheet.cell(row, 1).value for row in (8, 9)], names)
        self.assertEqual(sheet.cell(4, 6).number_format, "m/d/yyyy")

        (table,) = libreoffice("csv:Text - txt - csv (StarCalc):44,34,76,1", xlsx)
        with open(table, newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f))
        self.assertEqual([row[1] for row in rows[1:9]], tickers)
        self.assertEqual([row[5] for row in rows[1:5]], ["1/1/1900", "2/28/1900", "3/1/1900", "12/31/1899"])
        self.assertEqual([row[0] for row in rows[7:9]], names)

        cells = [[cell.text for cell in row.cells] for row in docx.Document(docx_file).tables[0].rows]
        self.assertEqual([row[1] for row in cells[1:]], tickers)
        self.assertEqual([row[0] for row in cells[7:9]], names)

    def test_document(self):
        document = docx.Document(self.docx)
        body = [child.tag for child in document.element.body]
        self.assertEqual(body, [qn("w:tbl"), qn("w:p"), qn("w:sectPr")])
        self.assertEqual([p.text for p in document.paragraphs], [""])
        self.assertEqual(len(document.tables), 1)
        table = document.tables[0]
        cells = [[cell.text for cell in row.cells] for row in table.rows]
        self.assertEqual(cells, [
            HEADINGS,
            ["Acme Corporation Holdings", "ACME", "100", "$12.5000", "$1,250.00", "1/15/2003"],
            [NAME, "ABCDE", "33.3333333333333", "", "$1,234.50", "12/31/1999"],
            ["Short", "O'NEIL", "7", "$0.5000", "", "2/1/2010"],
            ["Negative", "NEG", "-2.5", "$1,234.5000", "($5.00)", "3/4/2005"],
        ])

        style = table.style
        self.assertEqual(style.name, "Table 3D effects 2")
        self.assertEqual(style.type, docx.enum.style.WD_STYLE_TYPE.TABLE)
        element = style.element
        borders = element.find(qn("w:tblPr")).find(qn("w:tblBorders"))
        self.assertEqual({b.get(qn("w:val")) for b in borders}, {"outset"})
        self.assertIsNotNone(element.find(qn("w:tcPr")).find(qn("w:shd")))
        first = [p for p in element.findall(qn("w:tblStylePr")) if p.get(qn("w:type")) == "firstRow"]
        self.assertEqual(len(first), 1)
        self.assertIsNotNone(first[0].find(qn("w:rPr")).find(qn("w:b")))
        self.assertNotEqual(first[0].find(qn("w:tcPr")).find(qn("w:shd")).get(qn("w:fill")),
                            element.find(qn("w:tcPr")).find(qn("w:shd")).get(qn("w:fill")))
        properties = table._tbl.tblPr
        self.assertEqual(properties.find(qn("w:tblLayout")).get(qn("w:type")), "autofit")
        self.assertEqual(properties.find(qn("w:tblLook")).get(qn("w:firstRow")), "1")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

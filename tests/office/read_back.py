"""Reads what make_office_files writes with readers of their own (openpyxl,
python-docx, LibreOffice, a reader of TXF written from the format's
description, version 042) and checks what a user would see."""
import csv
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

import docx
import openpyxl
from docx.oxml.ns import qn

HEADINGS = ["Name/Description", "Ticker", "Number of Shares", "Price/Share",
            "Net Amount (Tesmo)", "Trade Date"]
NAME = "Zo\u00eb \u00dcn\u00efcode \u682a\u5f0f\u4f1a\u793e"
# Every folder the checks make, removed when they end.
SCRATCH = tempfile.TemporaryDirectory()


def produce(*args):
    tmp = tempfile.mkdtemp(dir=SCRATCH.name)
    out = subprocess.run([sys.argv[1], *args], env=dict(os.environ, TMPDIR=tmp),
                         capture_output=True, text=True, check=True).stdout
    files = dict(line.split(" ", 1) for line in out.splitlines())
    return files["xlsx"], files["docx"]


def libreoffice(target, *files, infilter=None):
    """The files converted by LibreOffice to target ("pdf", "csv:..."), in one run,
    read with the filter infilter ("CSV:...") when one is given."""
    out = tempfile.mkdtemp(dir=SCRATCH.name)
    copies = []
    for i, f in enumerate(files):
        copies.append(os.path.join(out, "file%d%s" % (i, os.path.splitext(f)[1])))
        shutil.copy(f, copies[-1])
    subprocess.run(["soffice", "-env:UserInstallation=file://" + out + "/profile", "--headless",
                    *(["--infilter=" + infilter] if infilter else []), "--convert-to", target, "--outdir", out, *copies],
                   capture_output=True, check=True, timeout=120)
    return [os.path.splitext(c)[0] + "." + target.split(":")[0] for c in copies]


def calc_rows(path):
    """The rows of a CSV file as LibreOffice Calc reads it (comma, double quotes, UTF-8, special numbers
    detected), each cell's value typed as Calc typed it."""
    (book,) = libreoffice("xlsx", path, infilter="CSV:44,34,76,1,,1033,false,true")
    return [[c.value for c in row] for row in openpyxl.load_workbook(book).active.iter_rows()]


def pdf_words(pdf):
    """The words of a PDF as laid out: a value broken across lines is none."""
    text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                          check=True).stdout
    return set(text.split())


def page_size(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    width, height = re.search(r"Page size:\s+([\d.]+) x ([\d.]+)", info).groups()
    return round(float(width)), round(float(height))


def word_height(pdf, word):
    """The height of a word's box on the first page: its type size, near enough."""
    boxes = subprocess.run(["pdftotext", "-bbox", "-f", "1", "-l", "1", pdf, "-"], capture_output=True,
                           text=True, check=True).stdout
    y_min, y_max = re.search(r'yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">' + re.escape(word) + "<",
                             boxes).groups()
    return float(y_max) - float(y_min)


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
        # A missing TMPDIR fails both writers, never falls back to the ledger's folder.
        here = tempfile.mkdtemp(dir=SCRATCH.name)
        run = subprocess.run([sys.argv[1]], cwd=here, capture_output=True, text=True,
                             env=dict(os.environ, TMPDIR=os.path.join(here, "missing")))
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(run.stdout, "")
        self.assertEqual(os.listdir(here), [])

    def test_document_as_laid_out_breaks_no_value(self):
        # An ordinary table lies on a portrait page; the widest values turn it
        # to landscape, and names of one long word shrink the type as well. No
        # value is broken; names and headings wrap between words or after "/".
        ordinary, widest, longword = libreoffice("pdf", self.docx, produce("widest")[1],
                                                 produce("longword")[1])
        self.assertEqual(page_size(ordinary), (612, 792))
        words = pdf_words(ordinary)
        for whole in ["Acme", "Corporation", "Holdings", "ACME", "ABCDE", "O'NEIL", "33.3333333333333",
                      "$1,234.5000", "($5.00)", "$1,250.00", "12/31/1999", "1/15/2003"]:
            self.assertIn(whole, words)

        values = ["WWWWWWWWWW", "ABCDEFGHIJ", "MMMMMMMMMM", "OQOQOQOQOQ", "-999999999999999",
                  "-99999999999.9999", "-0.123456789012345", "999999999999999", "$450,000,000,000.0000",
                  "$450,000,000,000.00", "$1,234,567.1234", "$1,234,567.12", "$0.5000",
                  "($450,000,000,000.00)", "12/28/9999", "12/31/9999", "11/30/2026", "2/29/2000"]
        for pdf in (widest, longword):
            self.assertEqual(page_size(pdf), (792, 612))
            words = pdf_words(pdf)
            for whole in values + ["Ticker", "Number", "Shares", "Price/Share", "Amount", "(Tesmo)", "Trade",
                                   "Date"]:
                self.assertIn(whole, words, pdf)
        words = pdf_words(widest)
        for whole in "MAXIMUM WIDTH WORLDWIDE MOMENTUM WEALTH MANAGEMENT Consolidated Worldwide " \
                     "Manufacturing Holdings Ltd.".split():
            self.assertIn(whole, words)
        self.assertAlmostEqual(word_height(widest, "Ticker"), word_height(ordinary, "Ticker"), delta=0.1)
        self.assertLess(word_height(longword, "Ticker"), word_height(widest, "Ticker") - 1)

    def test_awkward_texts(self):
        # Tickers stay text; dates before March 1900 are text (readers count
        # days differently before it); each control character is a blank.
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

        document = docx.Document(docx_file)
        cells = [[cell.text for cell in row.cells] for row in document.tables[0].rows]
        self.assertEqual([row[1] for row in cells[1:]], tickers)
        self.assertEqual([row[0] for row in cells[7:9]], names)
        # Blanks at a text's ends or side by side are kept only when marked so.
        space = "{http://www.w3.org/XML/1998/namespace}space"
        for t in document.element.body.iter(qn("w:t")):
            if t.text and (t.text[0] == " " or t.text[-1] == " " or "  " in t.text):
                self.assertEqual(t.get(space), "preserve", t.text)

    def test_many_lots_read_back_whole(self):
        # Enough that the document is packed in many blocks and the rows spill to a file.
        lots = 6000
        xlsx, document_path = produce(str(lots))
        for path in (xlsx, document_path):
            self.assertIsNone(zipfile.ZipFile(path).testzip(), path)
        expected = [["Company number %d" % i, "T%d" % i, str(i * 10),
                     "" if i % 7 == 0 else "${:,.4f}".format(i + 0.25), "${:,.2f}".format(i * 1000 + 0.5),
                     "%d/%d/2003" % (i % 12 + 1, i % 28 + 1)] for i in range(1, lots + 1)]
        # Through the XML: python-docx's own cell lookup takes quadratic time.
        table = docx.Document(document_path).tables[0]._tbl
        cells = [["".join(t.text or "" for t in cell.iter(qn("w:t"))) for cell in row.findall(qn("w:tc"))]
                 for row in table.findall(qn("w:tr"))]
        self.assertEqual(cells, [HEADINGS] + expected)
        sheet = openpyxl.load_workbook(xlsx, read_only=True).active
        rows = list(sheet.iter_rows(min_row=2, values_only=True))
        self.assertEqual(len(rows), lots)
        for i, row in enumerate(rows, 1):
            self.assertEqual(list(row[:3]), ["Company number %d" % i, "T%d" % i, i * 10])
            self.assertEqual(row[3], None if i % 7 == 0 else i + 0.25)
            self.assertEqual(row[4], i * 1000 + 0.5)

    def test_document(self):
        document = docx.Document(self.docx)
        self.assertEqual([child.tag for child in document.element.body], [qn("w:tbl"), qn("w:p"), qn("w:sectPr")])
        self.assertEqual([p.text for p in document.paragraphs], [""])
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
        self.assertEqual(properties.find(qn("w:tblLook")).get(qn("w:firstRow")), "1")
        # A fixed layout, each cell as wide as its grid column, in twentieths
        # of a point ("dxa", which a width without a type is).
        self.assertEqual(properties.find(qn("w:tblLayout")).get(qn("w:type")), "fixed")
        grid = [int(column.get(qn("w:w"))) for column in table._tbl.tblGrid.findall(qn("w:gridCol"))]
        self.assertEqual(len(grid), 6)
        for row in table._tbl.findall(qn("w:tr")):
            widths = [cell.tcPr.find(qn("w:tcW")) for cell in row.findall(qn("w:tc"))]
            self.assertEqual([int(w.get(qn("w:w"))) for w in widths], grid)
            self.assertEqual({w.get(qn("w:type"), "dxa") for w in widths}, {"dxa"})


FORM_8949 = [["Part", "Box", "Description", "Date Acquired", "Date Sold", "Proceeds", "Cost Basis", "Code",
              "Adjustment", "Gain or Loss"],
             ["I", "B", '100 sh. ACME (Acme, "Best" Inc.)', "1/10/2024", "2/1/2024", "750.00", "1000.00", "W",
              "250.00", "0.00"],
             ["I", "B", "40 sh. ACME (Acme Corp)", "1/24/2024", "12/2/2024", "500.00", "420.00", "", "", "80.00"],
             ["II", "E", "2.5 sh. WDG (%s)" % NAME, "3/1/2022", "5/5/2024", "300.00", "200.00", "", "", "100.00"]]
DAY = "%m/%d/%Y"


def txf(path):
    """The header and records of a TXF file: ASCII lines, each a field whose first character names it; a line "^"
    ends the header and each record."""
    with open(path, "rb") as f:
        text = f.read().decode("ascii")
    assert text.endswith("\r\n^\r\n"), "the file ends with a record's end"
    return [[(line[0], line[1:]) for line in record.split("\r\n") if line]
            for record in text[:-len("^\r\n")].split("\r\n^\r\n")]


class TaxFiles(unittest.TestCase):   # the Form 8949 files of a few sales, a wash sale among them
    @classmethod
    def setUpClass(cls):
        out = subprocess.run([sys.argv[1], "tax", tempfile.mkdtemp(dir=SCRATCH.name)], capture_output=True,
                             text=True, check=True).stdout
        cls.files = dict(line.split(" ", 1) for line in out.splitlines())

    def test_csv_read_by_python_and_calc(self):
        with open(self.files["csv"], "rb") as f:
            raw = f.read()
        self.assertEqual((raw[:4], raw.count(b"\r\n"), raw.count(b"\n")), (b"Part", len(FORM_8949), len(FORM_8949)))
        with open(self.files["csv"], newline="", encoding="utf-8") as f:
            self.assertEqual(list(csv.reader(f)), FORM_8949)
        typed = [r[:3] + [datetime.datetime.strptime(d, DAY) for d in r[3:5]] + [float(a) for a in r[5:7]]
                 + [r[7] or None, float(r[8]) if r[8] else None, float(r[9])] for r in FORM_8949[1:]]
        self.assertEqual(calc_rows(self.files["csv"]), FORM_8949[:1] + typed)

    def test_txf(self):
        padded = lambda text: datetime.datetime.strptime(text, DAY).strftime(DAY)
        refs = {"A": "321", "B": "711", "C": "712", "D": "323", "E": "713", "F": "714"}
        ascii = str.maketrans("\u00eb\u00dc\u00ef\u682a\u5f0f\u4f1a\u793e", "eUi????")
        self.assertEqual(txf(self.files["txf"]), [[("V", "042"), ("A", "Tesmo"), ("D", datetime.date.today().strftime(DAY))]]
                         + [[("T", "D"), ("N", refs[r[1]]), ("C", "1"), ("L", "1"), ("P", r[2].translate(ascii)),
                             ("D", padded(r[3])), ("D", padded(r[4])), ("$", r[6]), ("$", r[5]), ("$", r[8])]
                            for r in FORM_8949[1:]])


if __name__ == "__main__":
    if sys.argv[1] == "--calc":   # a file's rows as Calc reads them, for the end-to-end checks
        for row in calc_rows(sys.argv[2]):
            print("|".join("" if v is None else v.date().isoformat() if isinstance(v, datetime.datetime) else str(v)
                           for v in row))
    else:
        unittest.main(argv=sys.argv[:1])

// The rows of Form 8949 as files a user hands to a tax program or an
// accountant: a CSV file with the form's columns, and a Tax Exchange Format
// (TXF, version 042) file that desktop tax programs import. Both are pure
// writers over the wash-sale engine's rows (TaxRow).
#pragma once

#include "sales/WashSales.h"

#include <QString>
#include <optional>
#include <vector>

class QIODevice;

namespace tesmo {

// The box of Form 8949 the rows go under: whether the broker's Form 1099-B
// reported the cost basis to the IRS (box A for short-term, D for long-term
// rows), showed it but did not report it (B, E), or no Form 1099-B was
// received (C, F).
enum class Form8949Box { BasisReported, BasisNotReported, NoForm1099B };

// The box's letter for short-term or long-term rows: A, B or C; D, E or F.
char boxLetter(Form8949Box box, bool longTerm);

// The names the files are proposed under: "Tesmo Form 8949 2024.csv" and
// "Tesmo Form 8949 2024.txf"; "all years" for every sale.
QString form8949FileName(std::optional<int> year, bool txf);

// Writes rows to out, which is open for writing, as CSV: the heading line
//   Part,Box,Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Code,Adjustment,Gain or Loss
// then one line a row: the short-term rows first (Part "I"), then the
// long-term ones ("II"), each in the order given; the box's letter; the
// description, dates and amounts as the gains CSV writes them; code "W" and
// the loss disallowed as a positive amount for a wash sale, both empty
// otherwise; the gain or loss, proceeds less cost basis plus the adjustment.
// UTF-8 without a byte-order mark, CRLF line ends. Raises Error 3109 when a
// write fails.
void writeForm8949Csv(const std::vector<const TaxRow *> &rows, Form8949Box box, QIODevice &out);

// Writes rows to out as a TXF file of version 042: the header (V042, the
// program, D and the export date, "^"), then one record a row in the order
// of the CSV file, each of record format 5:
//   TD, N and the reference number of the row's part and box of Form 8949
//   (321, 711, 712 for boxes A, B, C; 323, 713, 714 for D, E, F), C1, L1,
//   P and the description, D and the date acquired, D and the date sold
//   (MM/DD/YYYY), $ and the cost basis, $ and the proceeds, $ and the loss
//   disallowed ("$" alone when none), "^".
// Amounts are to the cent without grouping. The file is ASCII: letters with
// accents lose them, any other character outside ASCII is "?" and a control
// character a space. Lines end with CRLF. Raises Error 3109 when a write
// fails.
void writeForm8949Txf(const std::vector<const TaxRow *> &rows, Form8949Box box, QDate exported, QIODevice &out);

// Either file into the file at path, replaced only once the new one is
// complete; raises Error 3109 naming the file when it cannot be written.
void saveForm8949(const std::vector<const TaxRow *> &rows, Form8949Box box, bool txf, const QString &path);

} // namespace tesmo

// The text export: a heading, an underline and one fixed-width line per lot,
// in UTF-8 without a byte-order mark, every line ended by CRLF.
#pragma once

#include <QDate>
#include <QString>

class QIODevice;

namespace tesmo {

class LotTable;
class Progress;

// strDate with every "/" made "_".
QString DateFileName(const QString &strDate);

// The export file's name for a day: "Tesmo_" + its short date with "/" made
// "_" + ".txt"; Tesmo_12_5_2026.txt for 5 December 2026.
QString textExportFileName(QDate day);

// Writes the export of every lot of lots to out, which is open for writing,
// telling progress (in thousandths; may be null) how far it is. Raises Error
// 13 (Type mismatch) for an amount held as a text that does not read as one,
// 3109 when a write fails and 3112 when the user cancels. Lines written
// before an error stay in out.
void writeTextExport(const LotTable &lots, QIODevice &out, Progress *progress = nullptr);

} // namespace tesmo

// The text export: a heading, an underline and one fixed-width line per list
// row, in UTF-8 without a byte-order mark, every line ended by CRLF.
#pragma once

#include "text/Error.h"

#include <QDate>
#include <QString>
#include <optional>

class QAbstractItemModel;
class QIODevice;

namespace tesmo {

class Progress;

// strDate with every "/" made "_".
QString DateFileName(const QString &strDate);

// The export file's name for a day: "Tesmo_" + its short date with "/" made
// "_" + ".txt"; Tesmo_12_5_2026.txt for 5 December 2026.
QString textExportFileName(QDate day);

// Writes the export of every row of list to out, which is open for writing,
// telling progress (in thousandths; may be null) how far it is. Returns the
// error that ended it: a money text that does not read as an amount (Type
// mismatch), a write that failed, or the user's cancel (3426); nothing on
// success. Lines written before an error stay in out.
std::optional<Error> writeTextExport(const QAbstractItemModel &list, QIODevice &out, Progress *progress = nullptr);

} // namespace tesmo

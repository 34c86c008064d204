// The realized gains as a CSV file for taxes: one line a sale, the columns
// that tax software and accountants take, and nothing else.
#pragma once

#include "store/Sales.h"

#include <QString>
#include <optional>
#include <vector>

class QIODevice;

namespace tesmo {

// The name the file is proposed under: "Tesmo gains 2024.csv" for the
// sales of 2024, "Tesmo gains all years.csv" for every sale.
QString gainsFileName(std::optional<int> year);

// Writes sales, given in the order of sale, to out, which is open for
// writing: the heading line
//   Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Gain or Loss,Term
// then one line a sale, the short-term sales first, then the long-term ones,
// each in the order given. The description reads "10 sh. ACME (Acme Corp)"
// (without the parentheses for a sale without a name), dates M/D/YYYY, the
// amounts to the cent with two decimals and a minus sign for a loss, no
// currency sign or grouping; the gain is the proceeds less the cost as
// written. A field with a comma or a quote is quoted as CSV quotes it.
// UTF-8 without a byte-order mark, every line ended by CRLF. Raises Error
// 3109 when a write fails; lines written before stay in out.
void writeGainsCsv(const std::vector<const SalePart *> &sales, QIODevice &out);

// The same into the file at path, which is replaced only once the new file
// is complete: a failure leaves an earlier file as it was. Raises Error 3109
// naming the file when it cannot be created or written, and, writing
// nothing, when the path holds a line break or another control character.
void saveGainsCsv(const std::vector<const SalePart *> &sales, const QString &path);

} // namespace tesmo

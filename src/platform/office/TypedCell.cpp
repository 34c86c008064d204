#include "platform/office/TypedCell.h"

#include "text/FieldRules.h"
#include "text/Regional.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tesmo::office {

namespace {

// A plain decimal number (IsNumber) as the nearest double; false when it
// does not fit one.
bool plainNumber(const QString &plain, double &value)
{
    std::array<char, 64> ascii{};
    if (plain.size() >= qsizetype(ascii.size())) {
        bool ok = false;
        value = plain.toDouble(&ok);
        return ok;
    }
    qsizetype n = 0;
    for (const QChar c : plain) {
        if (!(n == 0 && c == u'+'))
            ascii[std::size_t(n++)] = char(c.unicode());
    }
    // "12." reads as 12.
    const char *end = ascii.data() + n - (n > 1 && ascii[std::size_t(n) - 1] == '.' ? 1 : 0);
    const auto [ptr, error] = std::from_chars(ascii.data(), end, value);
    return error == std::errc() && ptr == end && std::isfinite(value);
}

} // namespace

const char *typedFormat(CellKind kind)
{
    switch (kind) {
    case kCurrencyCell:
        return "$#,##0.00_);($#,##0.00)";
    case kDateCell:
        return "m/d/yyyy";
    default:
        return "";
    }
}

JournalCell typedCell(int row, int column, const QString &text, bool textColumn)
{
    JournalCell cell;
    cell.row = row;
    cell.column = column;
    const QString trimmed = text.trimmed();
    if (textColumn) {
        cell.kind = kTextCell;
        cell.text = text.toUtf8();
    } else if (IsNumber(trimmed) && plainNumber(trimmed, cell.number)) {
        cell.kind = kNumberCell;
    } else if (const auto amount = trimmed.contains(u'$') ? regional::readAmount(trimmed) : std::nullopt) {
        cell.kind = kCurrencyCell;
        cell.number = ticksToDouble(*amount);
    } else if (const auto date = regional::readDate(trimmed); date && *date >= kFirstCommonDay) {
        cell.kind = kDateCell;
        cell.number = double(date->toJulianDay());
    } else {
        cell.kind = kTextCell;
        cell.text = text.toUtf8();
    }
    return cell;
}

CellKind appendReadCell(CellJournal &cells, int row, int column, std::string_view text)
{
    const JournalCell cell = typedCell(row, column, QString::fromUtf8(text.data(), qsizetype(text.size())), false);
    cells.append(cell);
    return CellKind(cell.kind);
}

} // namespace tesmo::office

// The readings of a broker's file as the preview says them above its rows,
// one line each: the reading, its value, and the evidence that settled it,
// or the question it leaves.
#include "import/LotImport.h"
#include "text/Regional.h"

#include <algorithm>

namespace tesmo {

namespace {

const char *const kFieldNouns[kImportFieldCount] = {"date", "ticker", "name", "shares", "price", "amount",
                                                    "action"};
const char *const kNumberNouns[kNumberColumns] = {"shares", "prices", "amounts"};
const char *const kOrders[] = {"month/day/year", "day/month/year", "year-month-day"};
const char *const kSigns[] = {"amounts carry no sign that tells", "money paid is negative",
                              "money paid is positive"};

ReadingLine line(const char *caption, const Reading &r, const QString &value)
{
    const bool asked = r.state == ReadingState::Asked;
    return {QString::fromUtf8(caption), asked ? QString() : value,
            asked ? QStringLiteral("not settled: %1; choose one").arg(r.evidence) : r.evidence, r.state};
}

int kFieldOf(const QString &noun)
{
    for (int f = 0; f < kImportFieldCount; ++f)
        if (noun == QLatin1String(kFieldNouns[f]))
            return f;
    return 0;
}

} // namespace

QString valueName(DateOrder order)
{
    return QLatin1String(kOrders[int(order)]);
}

QString valueName(QChar mark)
{
    return mark == u',' ? QStringLiteral("comma") : QStringLiteral("point");
}

QString valueName(MoneySign sign)
{
    return QLatin1String(kSigns[int(sign)]);
}

QString ReadingLine::sentence() const
{
    QStringList parts{caption};
    if (!value.isEmpty())
        parts << value;
    if (!evidence.isEmpty())
        parts << evidence;
    return parts.join(QStringLiteral(": "));
}

QList<ReadingLine> LotImport::readingLines() const
{
    const ImportReadings &r = readings_;
    const ImportChoices &c = choices_;
    QList<ReadingLine> lines;
    lines << line("Encoding", r.encoding, encodingName(text_.encoding.value_or(TextEncoding::Utf8)));
    const char *const separators[] = {"comma", "semicolon", "tab"};
    lines << line("Separator", r.separator,
                  QLatin1String(separators[c.separator == ',' ? 0 : c.separator == ';' ? 1 : 2]));
    if (!hasHeader())
        return lines;
    lines << line("Header", r.header, QStringLiteral("line %1").arg(headerLine()));

    // The columns, each by its heading; what settled them, the names of
    // their headings aside.
    QStringList columns, asked, named, byWords, byValues, chosen, remembered;
    ReadingState columnsState = ReadingState::Settled;
    for (int f = 0; f < kImportFieldCount; ++f) {
        const Reading &reading = r.columns[std::size_t(f)];
        const int column = c.columns[std::size_t(f)];
        const QString noun = QLatin1String(kFieldNouns[f]);
        if (reading.state == ReadingState::Asked) {
            asked << reading.evidence;
            continue;
        }
        if (reading.state != ReadingState::Settled && columnsState != ReadingState::Asked)
            columnsState = reading.state;
        if (column < 0)
            continue;
        columns << QStringLiteral("%1 '%2'").arg(noun, headers().value(column));
        if (reading.state == ReadingState::Chosen)
            chosen << noun;
        else if (reading.state == ReadingState::Remembered)
            remembered << noun;
        else if (layout_.columnBy[std::size_t(f)] == FileLayout::By::Words)
            byWords << noun;
        else if (layout_.columnBy[std::size_t(f)] == FileLayout::By::Values)
            byValues << QStringLiteral("the %1 by its values, which %2").arg(noun, reading.evidence.sliced(11));
        else
            named << noun;
    }
    if (!asked.isEmpty()) {
        lines << ReadingLine{QStringLiteral("Columns"), {},
                             QStringLiteral("not settled: %1; choose them").arg(asked.join(QStringLiteral("; "))),
                             ReadingState::Asked};
    } else {
        QStringList why;
        if (!named.isEmpty())
            why << QStringLiteral("%1 %2 %3").arg(named.size() == 1 ? "the heading of the" : "the headings of the",
                                                  regional::listed(named), named.size() == 1 ? "names it" : "name them");
        if (!byWords.isEmpty())
            why << (byWords.size() == 1 ? QStringLiteral("the %1 by the words of its heading and by its values")
                                        : QStringLiteral("the %1 by the words of their headings and by their values"))
                       .arg(regional::listed(byWords));
        why << byValues;
        if (!chosen.isEmpty())
            why << QStringLiteral("the %1 chosen by you").arg(regional::listed(chosen));
        if (!remembered.isEmpty())
            why << QStringLiteral("the %1 %2").arg(regional::listed(remembered), r.columns[std::size_t(
                                                                           kFieldOf(remembered.front()))].evidence);
        // Named all by their headings, that is said the shortest.
        if (byWords.isEmpty() && byValues.isEmpty() && chosen.isEmpty() && remembered.isEmpty())
            why = QStringList{QStringLiteral("their headings name them")};
        lines << ReadingLine{QStringLiteral("Columns"), columns.join(QStringLiteral(", ")), why.join(QStringLiteral("; ")),
                             columnsState};
    }

    lines << line("Dates", r.dateOrder, valueName(c.dateOrder.value_or(DateOrder::MonthDayYear)));

    // The decimal marks: one line when the columns read alike (a mark that
    // nothing depends on reads as the others do), else each column's.
    QList<ReadingLine> marks, told;
    for (int n = 0; n < kNumberColumns; ++n) {
        if (c.column(kNumberFields[n]) < 0)
            continue;
        const Reading &d = r.decimals[std::size_t(n)];
        marks << line(kNumberNouns[n], d, valueName(c.decimal(n).value_or(u'.')));
        if (d.state != ReadingState::Settled || !d.evidence.isEmpty())
            told << marks.back();
    }
    const auto same = [](const ReadingLine &a, const ReadingLine &b) {
        return a.value == b.value && a.evidence == b.evidence && a.state == b.state;
    };
    // Alike: every column settled to one mark, or every column that tells
    // saying the same.
    const bool oneMark = std::all_of(marks.begin(), marks.end(), [&](const ReadingLine &m) {
        return m.value == marks.front().value && m.state == ReadingState::Settled;
    });
    const bool alike = oneMark
                       || (std::all_of(told.begin(), told.end(), [&](const ReadingLine &m) { return same(m, told.front()); })
                           && std::all_of(marks.begin(), marks.end(),
                                          [&](const ReadingLine &m) { return m.value == marks.front().value; }));
    if (!marks.isEmpty() && alike) {
        ReadingLine one = told.isEmpty() ? marks.front() : told.front();
        one.caption = QStringLiteral("Decimal mark");
        lines << one;
    } else if (!marks.isEmpty()) {
        QStringList each;
        ReadingState state = ReadingState::Settled;
        for (const ReadingLine &m : marks) {
            each << m.sentence();
            if (m.state == ReadingState::Asked || state == ReadingState::Settled)
                state = m.state == ReadingState::Asked ? m.state : std::max(state, m.state);
        }
        lines << ReadingLine{QStringLiteral("Decimal marks"), {}, each.join(QStringLiteral("; ")), state};
    }

    if (c.column(ImportField::NetAmount) >= 0)
        lines << line("Purchases", r.purchases, valueName(c.purchaseSign.value_or(MoneySign::Unsigned)));
    return lines;
}

} // namespace tesmo

#include "import/ReadingEvidence.h"

#include "import/ActionWords.h"
#include "text/Regional.h"

#include <QStringList>
#include <algorithm>
#include <map>

namespace tesmo {

namespace {

// The longest a settlement takes after its trade, in days.
constexpr qint64 kSettlementDays = 10;

// The currencies a file names, by the countries' date order they tell.
enum Currency { kPound = 1, kEuro = 2, kFranc = 4, kRupee = 8, kAustral = 16, kOtherCurrency = 32 };

int currencyOfCode(QStringView code)
{
    static const std::pair<const char *, int> kCodes[] = {
        {"GBP", kPound},   {"GBX", kPound},          {"EUR", kEuro},           {"CHF", kFranc},
        {"INR", kRupee},   {"AUD", kAustral},        {"NZD", kAustral},        {"USD", kOtherCurrency},
        {"CAD", kOtherCurrency}, {"HKD", kOtherCurrency}, {"SGD", kOtherCurrency}, {"JPY", kOtherCurrency},
    };
    for (const auto &[name, currency] : kCodes)
        if (code.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return currency;
    return 0;
}

// The currencies a text names: signs anywhere, codes as whole words.
int currenciesOf(QStringView text)
{
    int found = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\u00A3')
            found |= kPound;
        else if (c == u'\u20AC')
            found |= kEuro;
        else if (c == u'\u20B9')
            found |= kRupee;
        else if (c.category() == QChar::Symbol_Currency)
            found |= kOtherCurrency;
        if (!c.isLetter())
            continue;
        qsizetype end = i;
        while (end < text.size() && text[end].isLetter())
            ++end;
        if (end - i == 3)
            found |= currencyOfCode(text.sliced(i, 3));
        i = end - 1;
    }
    return found;
}

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The same of UTF-8 text; ASCII, nearly every field, without a copy: its one
// currency sign is the dollar's, and its letters are Latin ones.
int currenciesOf(std::string_view utf8)
{
    if (!isAscii(utf8))
        return currenciesOf(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    int found = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '$')
            found |= kOtherCurrency;
        if (!letter(utf8[i]))
            continue;
        std::size_t end = i;
        while (end < utf8.size() && letter(utf8[end]))
            ++end;
        if (end - i == 3)
            found |= currencyOfCode(QString::fromLatin1(utf8.data() + i, 3));
        i = end - 1;
    }
    return found;
}

// The text of a field without the blanks around it, as UTF-8 in plain
// digits: a view of the table's bytes when they are ASCII, else held in place.
std::string_view trimmedField(const CsvTable &table, int row, int column, std::string &held)
{
    std::string_view t = table.utf8(row, column);
    if (!isAscii(t)) {
        held = table.field(row, column).trimmed().normalized(QString::NormalizationForm_KC).toStdString();
        return held;
    }
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!t.empty() && blank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && blank(t.back()))
        t.remove_suffix(1);
    return t;
}

QString dayFirstCurrency(int currencies)
{
    const std::pair<int, const char *> kNames[] = {{kPound, "\u00a3"}, {kEuro, "\u20ac"}, {kFranc, "Swiss francs"},
                                                   {kRupee, "rupees"}, {kAustral, "Australian or New Zealand dollars"}};
    for (const auto &[currency, name] : kNames)
        if (currencies == currency)
            return QStringLiteral("the amounts are in %1").arg(QString::fromUtf8(name));
    return {};
}

// The rows that tell a purchase's money: by their direction (what their
// action or their quantity says: in, out) and their amount's sign.
struct SignTally {
    // [direction: 0 in, 1 out][amount: 0 positive, 1 negative]
    Seen byWords[2][2], byQuantity[2][2];
    Seen sellsOfPositiveQuantity[2];   // rows that say sell with a positive quantity
    Seen positive, negative;           // every amount
    bool negativeQuantity = false;
    // Some row whose money tells whether it is a purchase: one of shares,
    // and of an action that buys or sells where the file has actions.
    bool moneyTells = false;
};

} // namespace

int signOfText(std::string_view t)
{
    bool digit = false, nonZero = false, negative = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            digit = true;
            nonZero = nonZero || c != '0';
        } else if (c == '-' || c == '(') {
            negative = true;
        } else if (c == '\xE2' && i + 2 < t.size()
                   && ((t[i + 1] == '\x88' && t[i + 2] == '\x92') || (t[i + 1] == '\x96' && (t[i + 2] == '\xB2' || t[i + 2] == '\xB3')))) {
            negative = true;   // U+2212 minus, U+25B2 and U+25B3 triangles
        } else if (c == 'e' || c == 'E') {
            break;
        }
    }
    if (!digit || !nonZero)
        return 0;
    return negative ? -1 : 1;
}

SettledReading settleReading(const CsvTable &table, const FileLayout &layout, const ImportChoices &choices)
{
    const int headerRow = layout.headerRow, settlement = layout.settlementColumn;
    const auto column = [&](ImportField f) { return std::max(choices.column(f), kNoColumn); };
    const int actionColumn = column(ImportField::Action);
    std::array<MarkTally, kNumberColumns> tally;
    std::array<int, kNumberColumns> numberColumns;
    for (int n = 0; n < kNumberColumns; ++n)
        numberColumns[std::size_t(n)] = column(kNumberFields[n]);
    Seen dayFirst, monthFirst, eitherDate, settlesMonthFirst, settlesDayFirst;
    std::map<qint64, int> lagsMonthFirst, lagsDayFirst;
    int iso = 0, dotted = 0, currencies = 0;
    SignTally signs;
    import::ActionCache actions;
    for (int c = 0; c < table.fieldCount(headerRow); ++c)
        currencies |= currenciesOf(table.field(headerRow, c));

    std::string held;
    for (int row = headerRow + 1; row < table.rowCount(); ++row) {
        if (layout.tableColumn >= 0 && table.field(row, layout.tableColumn).trimmed() != layout.table)
            continue;
        const int line = table.line(row);
        for (int c = 0; c < table.fieldCount(row); ++c) {
            if (c != column(ImportField::Ticker) && c != column(ImportField::Name) && c != actionColumn
                && c != column(ImportField::TradeDate))
                currencies |= currenciesOf(table.utf8(row, c));
        }
        for (int n = 0; n < kNumberColumns; ++n) {
            const std::string_view t = trimmedField(table, row, numberColumns[std::size_t(n)], held);
            if (!t.empty())
                tally[std::size_t(n)].add(row, line, t);
        }

        // The signs of the money, beside what the row's words and quantity say.
        const std::string_view amount = trimmedField(table, row, numberColumns[2], held);
        if (const int money = signOfText(amount)) {
            (money > 0 ? signs.positive : signs.negative).add(line, amount);
            // A row that moves no shares (a dividend, a fee) tells nothing of
            // a purchase's money.
            const int quantity = signOfText(table.utf8(row, numberColumns[0]));
            const int m = money > 0 ? 0 : 1;
            if (quantity != 0)
                signs.byQuantity[quantity > 0 ? 0 : 1][m].add(line, amount);
            signs.moneyTells = signs.moneyTells || (quantity != 0 && actionColumn < 0);
            if (actionColumn >= 0 && quantity != 0) {
                const import::Action a = actions(table.field(row, actionColumn)).kind;
                signs.moneyTells = signs.moneyTells || a == import::Action::Purchase || a == import::Action::Sale;
                if (a == import::Action::Purchase && quantity >= 0)
                    signs.byWords[0][m].add(line, amount);
                else if (a == import::Action::Sale && quantity > 0)
                    signs.sellsOfPositiveQuantity[m].add(line, amount);
                else if (a == import::Action::Sale)
                    signs.byWords[1][m].add(line, amount);
            }
        }
        signs.negativeQuantity = signs.negativeQuantity || signOfText(table.utf8(row, numberColumns[0])) < 0;

        const QString date = table.field(row, column(ImportField::TradeDate)).trimmed();
        const auto d = import::dateParts(date);
        if (!d)
            continue;
        if (d->part[0].size() == 4) {
            ++iso;
            continue;
        }
        const auto number = [](QStringView s) { return s.size() <= 2 && s[0].isDigit() ? s.toInt() : -1; };
        const int a = number(d->part[0]), b = number(d->part[1]);
        if (a < 1 || b < 1)
            continue;
        dotted += d->sep == u'.';
        if (a > 12 && b <= 12)
            dayFirst.add(line, date);
        else if (b > 12 && a <= 12)
            monthFirst.add(line, date);
        else if (a <= 12 && b <= 12 && a != b)
            eitherDate.add(line, date);
        if (settlement == kNoColumn)
            continue;
        // Read rightly, a trade settles a few days after it was made.
        const QString settled = table.field(row, settlement);
        const auto lag = [&](DateOrder order) -> std::optional<qint64> {
            const auto trade = import::readDate(date, order), settle = import::readDate(settled, order);
            if (!trade || !settle || trade->daysTo(*settle) < 0 || trade->daysTo(*settle) > kSettlementDays)
                return std::nullopt;
            return trade->daysTo(*settle);
        };
        const auto asMonthFirst = lag(DateOrder::MonthDayYear), asDayFirst = lag(DateOrder::DayMonthYear);
        if (asMonthFirst)
            ++lagsMonthFirst[*asMonthFirst];
        if (asDayFirst)
            ++lagsDayFirst[*asDayFirst];
        if (asMonthFirst.has_value() != asDayFirst.has_value())
            (asMonthFirst ? settlesMonthFirst : settlesDayFirst).add(line, date);
    }

    SettledReading r;
    r.decimals = settleDecimals(table, numberColumns, tally,
                                import::headerInPence(layout.headers.value(column(ImportField::Price))),
                                &r.decimalCost);

    // The date order.
    const bool decimalCommas = std::any_of(r.decimals.begin(), r.decimals.end(), [](const DecimalReading &d) {
        return d.byValues && d.mark == u',';
    });
    if (dayFirst && monthFirst) {
        r.dateEvidence = QStringLiteral("%1 reads only day first, %2 only month first")
                             .arg(dayFirst.where(), monthFirst.where());
    } else if (dayFirst || monthFirst) {
        r.dateOrder = dayFirst ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
        r.dateByValues = true;
        r.dateEvidence = QStringLiteral("%1 reads only %2 first")
                             .arg((dayFirst ? dayFirst : monthFirst).where(), dayFirst ? "day" : "month");
    } else if (!eitherDate) {
        r.dateOrder = dotted > 0 ? DateOrder::DayMonthYear : iso > 0 ? DateOrder::YearMonthDay : DateOrder::MonthDayYear;
        r.dateEvidence = iso > 0 && dotted == 0 ? QStringLiteral("its dates are written year first")
                                                : QStringLiteral("no date in the file reads differently in another order");
    } else {
        QStringList forDayFirst;
        if (const QString money = dayFirstCurrency(currencies); !money.isEmpty())
            forDayFirst << money;
        if (dotted > 0)
            forDayFirst << QStringLiteral("its dates are written day.month.year");
        if (decimalCommas)
            forDayFirst << QStringLiteral("its numbers have decimal commas");
        if (choices.separator == ';')
            forDayFirst << QStringLiteral("its fields are separated by semicolons");
        // The settlement dates, about these very dates, speak for one order
        // only when no date settles the other way.
        const auto lags = [](const std::map<qint64, int> &counts) {
            const auto most = std::max_element(counts.begin(), counts.end(),
                                               [](const auto &a, const auto &b) { return a.second < b.second; });
            return counts.size() == 1 ? QStringLiteral("settlement dates fall %1 days after trade dates").arg(most->first)
                                      : QStringLiteral("settlement dates fall within %1 days after trade dates")
                                            .arg(counts.rbegin()->first);
        };
        if (settlesMonthFirst && !settlesDayFirst) {
            if (forDayFirst.isEmpty()) {
                r.dateOrder = DateOrder::MonthDayYear;
                r.dateEvidence = lags(lagsMonthFirst);
            } else {
                r.dateEvidence = QStringLiteral("%1, but %2 read month first").arg(regional::listed(forDayFirst), lags(lagsMonthFirst));
            }
        } else {
            if (settlesDayFirst && !settlesMonthFirst)
                forDayFirst << lags(lagsDayFirst);
            if (!forDayFirst.isEmpty() && !(settlesDayFirst && settlesMonthFirst)) {
                r.dateOrder = DateOrder::DayMonthYear;
                r.dateEvidence = regional::listed(forDayFirst);
            }
        }
        if (!r.dateOrder && r.dateEvidence.isEmpty())
            r.dateEvidence = QStringLiteral("%1 reads either way, and nothing else in the file says which")
                                 .arg(eitherDate.where());
    }
    r.dateTold = r.dateOrder && (dayFirst || monthFirst || eitherDate);

    // The sign of a purchase's money.
    const bool words = actionColumn >= 0;
    // Of the rows that add shares and those that take them away: the sign of
    // each side's amounts (1, -1, 2 for both, 0 for none), and what they say.
    const auto signFrom = [&](Seen (&by)[2][2], const char *in, const char *out) {
        const auto sideSign = [](const Seen (&side)[2]) { return side[0] && side[1] ? 2 : side[0] ? 1 : side[1] ? -1 : 0; };
        const int ins = sideSign(by[0]), outs = sideSign(by[1]);
        const auto example = [&](int side, int sign) { return by[side][sign > 0 ? 0 : 1].where(); };
        const auto amounts = [](int sign) { return QLatin1String(sign > 0 ? "positive" : "negative"); };
        const auto paid = [&](int sign, QString why) {
            r.purchaseSign = sign < 0 ? MoneySign::PaidNegative : MoneySign::PaidPositive;
            r.purchaseEvidence = std::move(why);
        };
        if ((ins == 1 || ins == -1) && outs == -ins) {
            paid(ins, QStringLiteral("the rows that %1 have %2 amounts (%3), those that %4 %5 ones (%6)")
                          .arg(QLatin1String(in), amounts(ins), example(0, ins), QLatin1String(out), amounts(outs),
                               example(1, outs)));
        } else if ((ins == 1 || ins == -1) && outs != ins) {
            paid(ins, QStringLiteral("the rows that %1 have %2 amounts (%3)")
                          .arg(QLatin1String(in), amounts(ins), example(0, ins)));
        } else if ((outs == 1 || outs == -1) && ins != outs) {
            paid(-outs, QStringLiteral("the rows that %1 have %2 amounts (%3)")
                            .arg(QLatin1String(out), amounts(outs), example(1, outs)));
        } else if (ins == outs && ins != 0 && ins != 2) {
            r.purchaseSign = MoneySign::Unsigned;
            r.purchaseEvidence = QStringLiteral("the rows that %1 and those that %2 have %3 amounts alike")
                                     .arg(QLatin1String(in), QLatin1String(out), amounts(ins));
        } else if (ins == 2 && outs == 2) {
            r.purchaseEvidence = QStringLiteral("the rows that %1 have amounts of both signs, and so do those that %2")
                                     .arg(QLatin1String(in), QLatin1String(out));
        } else {
            return false;
        }
        return true;
    };
    if (numberColumns[2] < 0) {
        r.purchaseSign = MoneySign::Unsigned;
    } else if (layout.moneyPaidColumn) {
        r.purchaseSign = MoneySign::PaidPositive;
        r.purchaseEvidence = QStringLiteral("the heading '%1' says its amounts are money paid")
                                 .arg(layout.headers.value(numberColumns[2]));
        r.purchaseTold = true;
    } else if (!signs.negative || !signs.positive) {
        r.purchaseSign = MoneySign::Unsigned;
        r.purchaseEvidence = signs.negative ? QStringLiteral("every amount in the file is negative")
                                            : QStringLiteral("no amount in the file is negative");
    } else if (!signs.moneyTells) {
        r.purchaseSign = MoneySign::Unsigned;
        r.purchaseEvidence = QStringLiteral("the amounts have both signs (%1, %2), but none is of a row that may buy "
                                            "or sell shares")
                                 .arg(signs.positive.where(), signs.negative.where());
    } else {
        // Rows that say sell with a positive quantity tell only where no
        // quantity is negative.
        for (int m = 0; m < 2 && words && !signs.negativeQuantity; ++m)
            if (signs.sellsOfPositiveQuantity[m])
                signs.byWords[1][m] = signs.sellsOfPositiveQuantity[m];
        const bool told = (words && signFrom(signs.byWords, "say buy", "say sell"))
                          || (signs.negativeQuantity && signFrom(signs.byQuantity, "add shares", "take shares away"));
        r.purchaseTold = told && r.purchaseSign;
        if (!told)
            r.purchaseEvidence = QStringLiteral("the amounts have both signs (%1, %2), and nothing in the file says "
                                                "which are purchases")
                                     .arg(signs.positive.where(), signs.negative.where());
    }
    return r;
}

} // namespace tesmo

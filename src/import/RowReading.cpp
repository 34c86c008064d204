#include "import/RowReading.h"

#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cmath>

namespace tesmo {

namespace {

// How far shares times price may stray from the net amount, as a part of
// the larger of the two, before a row is held back to be checked: more than
// fees explain.
constexpr double kFeesPart = 0.05;

// The field rule's date message, in the date order the file is read in.
QString dateMessage(const QString &message, DateOrder order)
{
    if (order == DateOrder::MonthDayYear)
        return message;
    QString m = message;
    m.replace(QStringLiteral("MM/DD/YY or MM/DD/YYYY"), order == DateOrder::DayMonthYear
                                                             ? QStringLiteral("DD/MM/YY or DD/MM/YYYY")
                                                             : QStringLiteral("YYYY-MM-DD"));
    return m;
}

// -1, 0 or 1: a number that reads as zero has no sign.
int signOf(const std::optional<import::ReadNumber> &n)
{
    if (!n || std::all_of(n->plain.begin(), n->plain.end(), [](QChar c) { return c == u'0' || c == u'.'; }))
        return 0;
    return n->negative ? -1 : 1;
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

RowReader::RowReader(const CsvTable &table, const QStringList &headers, const ImportChoices &choices)
    : table_(table)
    , choices_(choices)
    , decimal_(choices.decimal.value_or(u'.'))
    , withAction_(choices.column(ImportField::Action) != kNoColumn)
    , priceInPence_(import::headerInPence(headers.value(choices.column(ImportField::Price))))
    , netAmountInPence_(import::headerInPence(headers.value(choices.column(ImportField::NetAmount))))
{
}

std::array<QString, kImportFieldCount> RowReader::trimmedFields(int row) const
{
    std::array<QString, kImportFieldCount> fields;
    for (int f = 0; f < kImportFieldCount; ++f)
        fields[std::size_t(f)] = table_.field(row, choices_.columns[std::size_t(f)]).trimmed();
    return fields;
}

FieldTexts RowReader::textsOf(const std::array<QString, kImportFieldCount> &fields)
{
    const auto get = [&](ImportField f) -> const QString & { return fields[std::size_t(f)]; };
    QString name = get(ImportField::Name).simplified();
    if (characterCount(name) > kNameLength) {
        // Cut at a whole character, as the name box holds it.
        qsizetype units = 0;
        for (int n = 0; n < kNameLength; ++n)
            units += name[units].isHighSurrogate() && units + 1 < name.size() ? 2 : 1;
        name.truncate(units);
    }
    FieldTexts t;
    t[kName1] = name;
    t[kTicker] = get(ImportField::Ticker);
    t[kNumShares] = get(ImportField::Shares);
    t[kPrice] = get(ImportField::Price);
    t[kNetAmount] = get(ImportField::NetAmount);
    t[kTradeDate] = get(ImportField::TradeDate);
    return t;
}

FieldTexts RowReader::fileTexts(int row) const
{
    return textsOf(trimmedFields(row));
}

std::optional<import::ReadNumber> RowReader::valueOf(QStringView text) const
{
    if (auto n = import::readNumber(text, decimal_))
        return n;
    return import::readNumber(text, decimal_ == u'.' ? u',' : u'.');
}

std::optional<RowReading> RowReader::read(int row) const
{
    const std::array<QString, kImportFieldCount> fields = trimmedFields(row);
    const auto get = [&](ImportField f) -> const QString & { return fields[std::size_t(f)]; };
    const bool data = !get(ImportField::Ticker).isEmpty() || !get(ImportField::Shares).isEmpty()
                      || (withAction_ && !get(ImportField::Action).isEmpty()
                          && !get(ImportField::TradeDate).isEmpty());
    if (!data
        || (import::headerField(get(ImportField::Shares)) == ImportField::Shares
            && import::headerField(get(ImportField::Ticker)) == ImportField::Ticker))
        return std::nullopt;

    RowReading r;
    r.file = textsOf(fields);
    const FieldTexts &t = r.file;
    const QChar other = decimal_ == u'.' ? u',' : u'.';

    // Each number read with the decimal separator and, where its sign or an
    // open choice asks, with the other.
    struct Number {
        std::optional<import::ReadNumber> chosen, other;
        const std::optional<import::ReadNumber> &either() const { return chosen ? chosen : other; }
    };
    std::array<Number, kFieldCount> numbers;
    for (const int pos : {int(kNumShares), int(kPrice), int(kNetAmount)}) {
        const QString &text = t[std::size_t(pos)];
        if (text.isEmpty())
            continue;
        Number &n = numbers[std::size_t(pos)];
        n.chosen = import::readNumber(text, decimal_);
        if (!n.chosen || !choices_.decimal)
            n.other = import::readNumber(text, other);
    }
    r.facts.action = withAction_ ? import::actionOf(get(ImportField::Action)) : import::Action::Purchase;
    r.facts.amountSign = signOf(numbers[kNetAmount].either());
    r.facts.negativeShares = signOf(numbers[kNumShares].either()) < 0;

    // The texts as a user would type them; a text that does not read is
    // handed to the rules in a form that breaks its field's rule. A text
    // that reads differently under a choice not made waits for it.
    FieldTexts &typed = r.typed;
    typed = t;
    bool decimalOpen = false, dateOpen = false;
    const auto number = [&](int pos, bool columnInPence) {
        const QString &text = t[std::size_t(pos)];
        if (text.isEmpty())
            return;
        const Number &n = numbers[std::size_t(pos)];
        // Unsettled, the decimal separator read is the point, the other the comma.
        if (!choices_.decimal
            && (n.chosen.has_value() != n.other.has_value() || (n.chosen && n.chosen->plain != n.other->plain)))
            decimalOpen = true;
        if (!n.chosen || (n.chosen->pence && pos == kNumShares))   // shares are never in pence
            typed[std::size_t(pos)] = u'?' + text;
        else   // a purchase's values are positive
            typed[std::size_t(pos)] = n.chosen->pence || columnInPence ? import::poundsOfPence(n.chosen->plain)
                                                                       : n.chosen->plain;
    };
    number(kNumShares, false);
    number(kPrice, priceInPence_);
    number(kNetAmount, netAmountInPence_);
    const DateOrder order = choices_.dateOrder.value_or(DateOrder::MonthDayYear);
    std::optional<QDate> date;
    if (!t[kTradeDate].isEmpty()) {
        date = import::readDate(t[kTradeDate], order);
        dateOpen = !choices_.dateOrder && date != import::readDate(t[kTradeDate], DateOrder::DayMonthYear);
        typed[kTradeDate] = date ? regional::shortDate(*date) : u'?' + t[kTradeDate];
    }
    if (decimalOpen || dateOpen) {
        r.outcome = RowReading::Outcome::Unsettled;
        r.reason = decimalOpen && dateOpen ? QStringLiteral("Date order and decimal separator not settled")
                   : dateOpen             ? QStringLiteral("Date order not settled")
                                          : QStringLiteral("Decimal separator not settled");
        return r;
    }
    if (auto broken = firstBrokenRule(typed)) {
        r.outcome = RowReading::Outcome::Refused;
        r.reason = broken->field == kTradeDate ? dateMessage(broken->message, order) : broken->message;
        return r;
    }
    if (characterCount(typed[kTicker]) > kTickerLength) {
        r.outcome = RowReading::Outcome::Refused;
        r.reason = QStringLiteral("Please Enter the Ticker Symbol with at most %1 characters").arg(kTickerLength);
        return r;
    }

    // The values, as the record store reads them from the typed texts.
    const double shares = *numberFromText(typed[kNumShares]);
    const auto price = typed[kPrice].isEmpty() ? std::nullopt : moneyFromText(typed[kPrice]);
    const auto netAmount = typed[kNetAmount].isEmpty() ? std::nullopt : moneyFromText(typed[kNetAmount]);
    r.key = LotKey::of(typed[kTicker], *date, shares, price, netAmount);
    if (price && netAmount) {
        const double cost = shares * ticksToDouble(*price), net = ticksToDouble(*netAmount);
        if (std::abs(cost - net) > kFeesPart * std::max(cost, net))
            r.reason = QStringLiteral("%1 \u00d7 %2 = %3, net amount %4")
                           .arg(typed[kNumShares], typed[kPrice], QString::number(cost, 'f', 2),
                                QString::number(net, 'f', 2));
    }
    return r;
}

std::pair<std::string_view, std::string_view> RowReader::storedTexts(int row,
                                                                     std::pair<std::string, std::string> &held) const
{
    // Printable ASCII, as nearly every name and ticker is, reads the same
    // from the bytes: a ticker without the blanks around it, a name with no
    // blank at its ends, none doubled and not too long. (The 628,030 lots of
    // a 50 MB file take 10 ms so, 350 ms through their texts.)
    std::string_view name = table_.utf8(row, choices_.column(ImportField::Name));
    std::string_view ticker = table_.utf8(row, choices_.column(ImportField::Ticker));
    const auto printable = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
    };
    while (!ticker.empty() && isBlank(ticker.front()))
        ticker.remove_prefix(1);
    while (!ticker.empty() && isBlank(ticker.back()))
        ticker.remove_suffix(1);
    const bool plainName = name.empty()
                           || (printable(name) && name.front() != ' ' && name.back() != ' '
                               && name.find("  ") == std::string_view::npos && name.size() <= std::size_t(kNameLength));
    if (plainName && printable(ticker))
        return {name, ticker};
    const FieldTexts t = fileTexts(row);
    held = {t[kName1].toStdString(), t[kTicker].toStdString()};
    return {held.first, held.second};
}

} // namespace tesmo

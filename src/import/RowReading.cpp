#include "import/RowReading.h"

#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

namespace tesmo {

namespace {

// How far shares times price may stray from the net amount, as a part of
// the larger of the two, before a row is held back to be checked: more than
// fees explain.
constexpr double kFeesPart = 0.05;

const char *const kOrderNames[] = {"month/day/year", "day/month/year", "year-month-day"};

// Why a row is refused, in the import's words: what was not read and how,
// from the rule its texts as typed break, or from the field whose text does
// not read (unread).
QString refusal(const BrokenRule &broken, const FieldTexts &file, bool unread, DateOrder order)
{
    const int field = broken.field;
    const char *const nouns[kFieldCount] = {"", "the name", "the ticker", "the number of shares", "the price",
                                            "the net amount", "the trade date"};
    const QString noun = QLatin1String(nouns[field]), text = file[std::size_t(field)];
    if (text.isEmpty())
        return QStringLiteral("it gives no %1").arg(noun.sliced(4));
    if (broken.message.contains(QLatin1String("control characters")))
        return QStringLiteral("%1 holds a line break, a tab or another control character").arg(noun);
    if (field == kTradeDate)
        return QStringLiteral("%1 '%2' is not a date in %3 order").arg(noun, text, QLatin1String(kOrderNames[int(order)]));
    if (unread)
        return QStringLiteral("%1 '%2' is not a number Tesmo reads").arg(noun, text);
    if (field == kNumShares)
        return QStringLiteral("%1 '%2' is beyond the 999,999,999,999,999 that Tesmo keeps").arg(noun, text);
    return QStringLiteral("%1 '%2' is above $450,000,000,000, the most Tesmo keeps").arg(noun, text);
}

// The two figures, to as many decimals as tell them apart.
std::pair<QString, QString> apart(double a, double b)
{
    for (int decimals = 2;; ++decimals) {
        const QString x = QString::number(a, 'f', decimals), y = QString::number(b, 'f', decimals);
        if (x != y || decimals == 8)
            return {x, y};
    }
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

// A field (UTF-8, without the blanks around it) that heads a total:
// "Total", "Totals", "Subtotal", "Grand Total", 合計, 小計.
bool headsTotal(std::string_view t)
{
    const char first = t.empty() ? 0 : char(t.front() | 0x20);
    if (first != 't' && first != 's' && first != 'g' && t.front() != '\xE5')
        return false;
    for (const std::string_view word : {"total", "subtotal", "sub total", "sub-total", "grand total"}) {
        if (t.size() < word.size() || (t.size() > word.size() && std::isalpha(static_cast<unsigned char>(t[word.size()]))))
            continue;
        if (std::equal(word.begin(), word.end(), t.begin(), [](char w, char c) { return w == (c | 0x20); }))
            return true;
    }
    return t.starts_with("\xE5\x90\x88\xE8\xA8\x88") || t.starts_with("\xE5\xB0\x8F\xE8\xA8\x88");
}

std::string_view trimmed(std::string_view t)
{
    while (!t.empty() && isBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back()))
        t.remove_suffix(1);
    return t;
}

} // namespace

RowReader::RowReader(const CsvTable &table, const FileLayout &layout, const ImportChoices &choices)
    : table_(table)
    , choices_(choices)
    , withAction_(choices.column(ImportField::Action) >= 0)
    , priceInPence_(import::headerInPence(layout.headers.value(choices.column(ImportField::Price))))
    , netAmountInPence_(import::headerInPence(layout.headers.value(choices.column(ImportField::NetAmount))))
    , tickerHeading_(layout.headers.value(choices.column(ImportField::Ticker)))
    , sharesHeading_(layout.headers.value(choices.column(ImportField::Shares)))
    , tableColumn_(layout.tableColumn)
    , creditColumn_(choices.column(ImportField::NetAmount) == -1 ? kNoColumn : layout.creditColumn)
    , tableName_(layout.table)
{
    for (int n = 0; n < kNumberColumns; ++n)
        decimals_[std::size_t(n)] = choices.decimal(n).value_or(u'.');
}

bool RowReader::isTotal(int row) const
{
    for (int c = 0; c < table_.fieldCount(row); ++c)
        if (headsTotal(trimmed(table_.utf8(row, c))))
            return true;
    return false;
}

QString RowReader::undone(int row) const
{
    for (int c = 0; c < table_.fieldCount(row); ++c) {
        const std::string_view t = trimmed(table_.utf8(row, c));
        if (t.empty() || std::find(choices_.columns.begin(), choices_.columns.end(), c) != choices_.columns.end())
            continue;
        for (const std::string_view word : {"cancelled", "canceled", "rejected", "failed", "expired"})
            if (t.size() == word.size()
                && std::equal(word.begin(), word.end(), t.begin(), [](char w, char x) { return w == (x | 0x20); }))
                return QString::fromUtf8(t.data(), qsizetype(t.size()));
    }
    return {};
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

std::optional<import::ReadNumber> RowReader::valueOf(QStringView text, ImportField field) const
{
    const auto n = std::find(std::begin(kNumberFields), std::end(kNumberFields), field) - std::begin(kNumberFields);
    const QChar decimal = decimals_[std::size_t(std::min<qsizetype>(n, kNumberColumns - 1))];
    if (auto value = import::readNumber(text, decimal))
        return value;
    return import::readNumber(text, decimal == u'.' ? u',' : u'.');
}

std::optional<RowReading> RowReader::read(int row) const
{
    if (tableColumn_ >= 0 && table_.field(row, tableColumn_).trimmed() != tableName_)
        return std::nullopt;
    const std::array<QString, kImportFieldCount> fields = trimmedFields(row);
    const auto get = [&](ImportField f) -> const QString & { return fields[std::size_t(f)]; };
    const bool data = !get(ImportField::Ticker).isEmpty() || !get(ImportField::Shares).isEmpty()
                      || (withAction_ && !get(ImportField::Action).isEmpty()
                          && !get(ImportField::TradeDate).isEmpty());
    if (!data || (get(ImportField::Shares) == sharesHeading_ && get(ImportField::Ticker) == tickerHeading_))
        return std::nullopt;
    const DateOrder order = choices_.dateOrder.value_or(DateOrder::MonthDayYear);
    if (isTotal(row) && !import::readDate(get(ImportField::TradeDate), order))
        return std::nullopt;

    RowReading r;
    r.file = textsOf(fields);
    // Money received, where the file keeps it in a column of its own, is
    // the row's amount, of the other sign than money paid.
    bool received = false;
    if (creditColumn_ >= 0 && r.file[kNetAmount].isEmpty()) {
        r.file[kNetAmount] = table_.field(row, creditColumn_).trimmed();
        received = !r.file[kNetAmount].isEmpty();
    }
    const FieldTexts &t = r.file;

    // Each number read with its column's decimal mark and, where its sign or
    // an open choice asks, with the other.
    struct Number {
        std::optional<import::ReadNumber> chosen, other;
        const std::optional<import::ReadNumber> &either() const { return chosen ? chosen : other; }
    };
    std::array<Number, kFieldCount> numbers;
    const int positions[kNumberColumns] = {kNumShares, kPrice, kNetAmount};
    for (int n = 0; n < kNumberColumns; ++n) {
        const QString &text = t[std::size_t(positions[n])];
        if (text.isEmpty())
            continue;
        Number &v = numbers[std::size_t(positions[n])];
        const QChar mark = decimals_[std::size_t(n)];
        v.chosen = import::readNumber(text, mark);
        if (!v.chosen || !choices_.decimal(n))
            v.other = import::readNumber(text, mark == u'.' ? u',' : u'.');
    }
    r.facts.action = withAction_ ? actions_(get(ImportField::Action)) : import::ActionReading{import::Action::Purchase};
    r.facts.amountSign = (received ? -1 : 1) * signOf(numbers[kNetAmount].either());
    r.facts.sharesSign = signOf(numbers[kNumShares].either());
    r.facts.sharesGiven = !t[kNumShares].isEmpty();
    r.facts.sharesRead = numbers[kNumShares].either().has_value();
    r.facts.undone = undone(row);

    // The texts as a user would type them; a text that does not read stays
    // as the file gives it, and the first field of such a text is kept. A
    // text that reads differently under a choice not made waits for it.
    FieldTexts &typed = r.typed;
    typed = t;
    std::optional<int> unread;
    const auto notRead = [&](int pos) { unread = std::min(unread.value_or(pos), pos); };
    bool decimalOpen = false, dateOpen = false;
    const auto number = [&](int n, bool columnInPence) {
        const int pos = positions[n];
        const QString &text = t[std::size_t(pos)];
        if (text.isEmpty())
            return;
        const Number &v = numbers[std::size_t(pos)];
        // Unsettled, the mark read is the point, the other the comma.
        if (!choices_.decimal(n)
            && (v.chosen.has_value() != v.other.has_value() || (v.chosen && v.chosen->plain != v.other->plain)))
            decimalOpen = true;
        if (!v.chosen || (v.chosen->pence && pos == kNumShares))   // shares are never in pence
            notRead(pos);
        else   // a purchase's values are positive
            typed[std::size_t(pos)] = v.chosen->pence || columnInPence ? import::poundsOfPence(v.chosen->plain)
                                                                      : v.chosen->plain;
    };
    number(0, false);
    number(1, priceInPence_);
    number(2, netAmountInPence_);
    std::optional<QDate> date;
    if (!t[kTradeDate].isEmpty()) {
        date = import::readDate(t[kTradeDate], order);
        dateOpen = !choices_.dateOrder && date != import::readDate(t[kTradeDate], DateOrder::DayMonthYear);
        if (date)
            typed[kTradeDate] = regional::shortDate(*date);
        else
            notRead(kTradeDate);
    }
    if (decimalOpen || dateOpen) {
        r.outcome = RowReading::Outcome::Unsettled;
        r.reason = decimalOpen && dateOpen ? QStringLiteral("Date order and decimal mark not settled")
                   : dateOpen             ? QStringLiteral("Date order not settled")
                                          : QStringLiteral("Decimal mark not settled");
        return r;
    }
    // A company's action on the shares is no lot: its ticker and date, and
    // the numbers it gives, are what it needs.
    const import::ActionReading &action = r.facts.action;
    if (import::isCompanyRow(action, r.facts.sharesSign)) {
        const auto value = [&](int pos) {
            return typed[std::size_t(pos)].isEmpty() ? std::nullopt : moneyFromText(typed[std::size_t(pos)]);
        };
        if (unread || !date || typed[kTicker].isEmpty()) {
            r.outcome = RowReading::Outcome::Refused;
            r.reason = typed[kTicker].isEmpty() ? QStringLiteral("it gives no ticker")
                       : !date                  ? QStringLiteral("it gives no date that reads")
                                                : QStringLiteral("its numbers do not read");
        } else {
            r.key = LotKey::of(typed[kTicker], *date, std::abs(numberFromText(typed[kNumShares]).value_or(0)),
                               value(kPrice), value(kNetAmount));
        }
        return r;
    }
    // The first field that breaks a rule or does not read refuses the row.
    std::optional<BrokenRule> broken = firstBrokenRule(typed);
    if (unread && (!broken || broken->field >= *unread))
        broken = BrokenRule{FieldPos(*unread), {}, false};
    if (broken) {
        r.outcome = RowReading::Outcome::Refused;
        r.reason = refusal(*broken, t, broken->field == unread, order);
        return r;
    }
    if (characterCount(typed[kTicker]) > kTickerLength) {
        r.outcome = RowReading::Outcome::Refused;
        r.reason = QStringLiteral("the ticker '%1' is longer than the %2 characters Tesmo keeps")
                       .arg(t[kTicker])
                       .arg(kTickerLength);
        return r;
    }

    // The values, as the record store reads them from the typed texts.
    const double shares = *numberFromText(typed[kNumShares]);
    const auto price = typed[kPrice].isEmpty() ? std::nullopt : moneyFromText(typed[kPrice]);
    const auto netAmount = typed[kNetAmount].isEmpty() ? std::nullopt : moneyFromText(typed[kNetAmount]);
    r.key = LotKey::of(typed[kTicker], *date, shares, price, netAmount);
    if (price && netAmount) {
        const double cost = shares * ticksToDouble(*price), net = ticksToDouble(*netAmount);
        if (std::abs(cost - net) > kFeesPart * std::max(cost, net)) {
            const auto [c, n] = apart(cost, net);
            r.reason = QStringLiteral("%1 \u00d7 %2 = %3, net amount %4").arg(typed[kNumShares], typed[kPrice], c, n);
        }
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

#include "import/LotImport.h"

#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QHash>
#include <algorithm>

namespace tesmo {

namespace {

// The names by which brokers head each field's column, the preferred first;
// a settlement date stands in for the trade date only when no other date is
// there.
const std::vector<std::vector<const char *>> kHeaderNames = {
    {"trade date", "date", "transaction date", "run date", "settlement date"},
    {"symbol", "ticker", "ticker symbol"},
    {"description", "security description", "security", "name", "investment name"},
    {"quantity", "shares", "qty", "units"},
    {"price", "price ($)", "share price", "unit price"},
    {"net amount", "amount", "amount ($)", "total", "principal", "cost"},
    {"action", "type", "transaction type", "activity"},
};

// How much of the file the separator is detected from.
constexpr qsizetype kDetectionBytes = 256 * 1024;
// How often long work reports its progress, in rows.
constexpr int kProgressRows = 2048;

const char *const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The first three parts of a date: runs of digits or of letters, apart from
// the separators between them; what follows the third must be a time of day
// (after a blank or a "T"). sep is the separator after the first part.
struct DateParts {
    std::array<QStringView, 3> part;
    QChar sep;
};
std::optional<DateParts> dateParts(QStringView t)
{
    t = t.trimmed();
    DateParts d;
    qsizetype i = 0;
    for (int p = 0; p < 3; ++p) {
        if (p > 0) {
            const qsizetype start = i;
            while (i < t.size() && (t[i] == u'/' || t[i] == u'-' || t[i] == u'.' || t[i] == u',' || t[i] == u' '))
                ++i;
            if (i == start)
                return std::nullopt;
            if (p == 1)
                d.sep = t[start];
        }
        const qsizetype start = i;
        const bool digits = i < t.size() && isDigit(t[i]);
        while (i < t.size() && (digits ? isDigit(t[i]) : isLetter(t[i])))
            ++i;
        if (i == start)
            return std::nullopt;
        d.part[std::size_t(p)] = t.sliced(start, i - start);
    }
    if (i < t.size() && !(t[i].isSpace() || t[i] == u'T'))
        return std::nullopt;
    return d;
}

int monthOfName(QStringView name)
{
    if (name.size() < 3)
        return 0;
    for (int m = 0; m < 12; ++m) {
        if (name.first(3).compare(QLatin1String(kMonths[m]), Qt::CaseInsensitive) == 0)
            return m + 1;
    }
    return 0;
}

bool allDigits(QStringView s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isDigit);
}

// A year of two or four digits; two-digit years as the field rules read them.
int yearOf(QStringView s)
{
    if (!allDigits(s) || (s.size() != 2 && s.size() != 4))
        return -1;
    const int y = s.toInt();
    return s.size() == 4 ? y : y + (y < 30 ? 2000 : 1900);
}

int numberOf(QStringView s)
{
    return allDigits(s) && s.size() <= 2 ? s.toInt() : -1;
}

bool isCurrencySign(QChar c)
{
    return c.category() == QChar::Symbol_Currency;
}

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

QString headerKey(QStringView header)
{
    QString h = header.trimmed().toString();
    h.remove(u'"');
    return h.simplified().toLower();
}

} // namespace

namespace import {

std::optional<ImportField> headerField(QStringView header, int *rank)
{
    const QString key = headerKey(header);
    for (std::size_t f = 0; f < kHeaderNames.size(); ++f) {
        const auto &names = kHeaderNames[f];
        for (std::size_t r = 0; r < names.size(); ++r) {
            if (key == QLatin1String(names[r])) {
                if (rank)
                    *rank = int(r);
                return ImportField(f);
            }
        }
    }
    return std::nullopt;
}

std::optional<ReadNumber> readNumber(QStringView text, QChar decimal)
{
    QStringView t = text.trimmed();
    bool negative = false;
    // Signs, parentheses, currency symbols and three-letter codes, in any
    // order around the digits.
    for (bool changed = true; changed && !t.isEmpty();) {
        changed = false;
        const auto take = [&](qsizetype front, qsizetype back) {
            t = t.sliced(front, t.size() - front - back).trimmed();
            changed = true;
        };
        if (t.size() >= 2 && t.front() == u'(' && t.back() == u')') {
            negative = true;
            take(1, 1);
        } else if (t.front() == u'-' || t.front() == u'\u2212' || t.front() == u'+') {
            negative = negative || t.front() != u'+';
            take(1, 0);
        } else if (t.back() == u'-' || t.back() == u'+') {
            negative = negative || t.back() == u'-';
            take(0, 1);
        } else if (isCurrencySign(t.front())) {
            take(1, 0);
        } else if (isCurrencySign(t.back())) {
            take(0, 1);
        } else if (t.size() > 3 && isLetter(t[0]) && isLetter(t[1]) && isLetter(t[2]) && !isLetter(t[3])) {
            take(3, 0);
        } else if (t.size() > 3 && isLetter(t.back()) && isLetter(t[t.size() - 2]) && isLetter(t[t.size() - 3])
                   && !isLetter(t[t.size() - 4])) {
            take(0, 3);
        }
    }
    // Digits in groups of three after the first, then the decimals.
    const auto isGroup = [&](QChar c) {
        return (c == u',' || c == u'.' || c == u' ' || c == u'\u00A0' || c == u'\u202F' || c == u'\'')
               && c != decimal;
    };
    QString plain;
    plain.reserve(t.size());
    qsizetype i = 0;
    int run = 0;
    bool grouped = false;
    while (i < t.size()) {
        const QChar c = t[i];
        if (isDigit(c)) {
            plain += c;
            ++run;
        } else if (isGroup(c) && run > 0 && i + 1 < t.size() && isDigit(t[i + 1])) {
            if ((grouped && run != 3) || run > 3)
                return std::nullopt;
            grouped = true;
            run = 0;
        } else {
            break;
        }
        ++i;
    }
    if (grouped && run != 3)
        return std::nullopt;
    if (i < t.size() && t[i] == decimal) {
        plain += u'.';
        for (++i; i < t.size() && isDigit(t[i]); ++i)
            plain += t[i];
    }
    if (i != t.size() || !std::any_of(plain.cbegin(), plain.cend(), isDigit))
        return std::nullopt;
    return ReadNumber{plain, negative};
}

std::optional<QDate> readDate(QStringView text, DateOrder order)
{
    const auto d = dateParts(text);
    if (!d)
        return std::nullopt;
    const auto &p = d->part;
    int year = -1, month = -1, day = -1;
    if (const int m = monthOfName(p[0]); m && !isLetter(p[1][0])) {   // Jan 5, 2024
        month = m;
        day = numberOf(p[1]);
        year = yearOf(p[2]);
    } else if (const int m1 = monthOfName(p[1]); m1 && !isLetter(p[0][0])) {   // 5-Jan-2024
        month = m1;
        day = numberOf(p[0]);
        year = yearOf(p[2]);
    } else if (p[0].size() == 4 || order == DateOrder::YearMonthDay) {
        year = yearOf(p[0]);
        month = numberOf(p[1]);
        day = numberOf(p[2]);
    } else {
        year = yearOf(p[2]);
        month = numberOf(order == DateOrder::MonthDayYear ? p[0] : p[1]);
        day = numberOf(order == DateOrder::MonthDayYear ? p[1] : p[0]);
    }
    if (year < 0 || month < 1 || day < 1)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid() || year < kFirstYear || year > kLastYear)
        return std::nullopt;
    return date;
}

bool isPurchase(QStringView action)
{
    for (const char *word : {"buy", "bought", "purchase", "reinvest"}) {
        if (action.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace import

size_t qHash(const LotKey &key, size_t seed)
{
    return qHashMulti(seed, key.ticker, key.tradeDay, key.shares, key.price, key.netAmount, key.hasPrice,
                      key.hasNetAmount);
}

namespace {

LotKey keyWithout(QDate tradeDate, double shares, std::optional<Ticks> price, std::optional<Ticks> netAmount)
{
    LotKey k;
    k.tradeDay = tradeDate.toJulianDay();
    k.shares = shares == 0 ? 0.0 : shares;   // -0 is 0
    k.hasPrice = price.has_value();
    k.price = price.value_or(0);
    k.hasNetAmount = netAmount.has_value();
    k.netAmount = netAmount.value_or(0);
    return k;
}

// The folded ticker as a number: up to nine ASCII characters, which is
// nearly every ticker, exactly (seven bits each; a ticker holds no NUL);
// others by their 64-bit FNV-1a hash, with the top bit set.
quint64 tickerHash(const char16_t *folded, std::size_t length)
{
    quint64 exact = 0;
    bool ascii = length <= 9;
    for (std::size_t i = 0; i < length && ascii; ++i) {
        ascii = folded[i] < 0x80;
        exact = exact << 7 | folded[i];
    }
    if (ascii)
        return exact;
    quint64 h = 0xcbf29ce484222325ULL;
    for (std::size_t i = 0; i < length; ++i) {
        h = (h ^ (folded[i] & 0xff)) * 0x100000001b3ULL;
        h = (h ^ (folded[i] >> 8)) * 0x100000001b3ULL;
    }
    return h | (quint64(1) << 63);
}

} // namespace

LotKey LotKey::of(QStringView ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                  std::optional<Ticks> netAmount)
{
    LotKey k = keyWithout(tradeDate, shares, price, netAmount);
    const QString folded = foldTicker(ticker.trimmed());
    k.ticker = tickerHash(reinterpret_cast<const char16_t *>(folded.utf16()), std::size_t(folded.size()));
    return k;
}

LotKey LotKey::ofUtf8(std::string_view ticker, QDate tradeDate, double shares, std::optional<Ticks> price,
                      std::optional<Ticks> netAmount)
{
    // ASCII, nearly every ticker, folds letter by letter; blanks around it
    // are trimmed as the import trims them.
    char16_t folded[64];
    const auto ascii = std::all_of(ticker.begin(), ticker.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (!ascii || ticker.size() > std::size(folded))
        return of(QString::fromUtf8(ticker.data(), qsizetype(ticker.size())), tradeDate, shares, price, netAmount);
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!ticker.empty() && space(ticker.front()))
        ticker.remove_prefix(1);
    while (!ticker.empty() && space(ticker.back()))
        ticker.remove_suffix(1);
    for (std::size_t i = 0; i < ticker.size(); ++i)
        folded[i] = char16_t(ticker[i] >= 'A' && ticker[i] <= 'Z' ? ticker[i] + ('a' - 'A') : ticker[i]);
    LotKey k = keyWithout(tradeDate, shares, price, netAmount);
    k.ticker = tickerHash(folded, ticker.size());
    return k;
}

LotImport::LotImport(StoredKeys stored)
    : stored_(std::move(stored))
{
}

bool LotImport::read(QIODevice &device, Progress *progress)
{
    // Reading is the first third of the work.
    ProgressSpan reading(progress, 0, 333, std::max<qint64>(device.size(), 1));
    QByteArray bytes;
    const qint64 size = device.size();
    if (!device.isSequential() && size > 0)
        bytes.reserve(qsizetype(size));
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = device.read(buffer, sizeof buffer);
        if (n < 0)
            throw Error(kErrCannotWrite, QStringLiteral("The file could not be read: %1").arg(device.errorString()));
        if (n == 0)
            break;
        bytes.append(buffer, qsizetype(n));
        if (!reading.advance(bytes.size()))
            return false;
    }
    ProgressSpan rest(progress, 333, 1000, 1000);
    return readText(csvText(bytes), &rest);
}

bool LotImport::readText(QByteArray utf8, Progress *progress)
{
    text_ = std::move(utf8);
    // The separator whose head of the file holds a header row; of several,
    // the one that splits the header into the most columns.
    QByteArray head = text_.left(kDetectionBytes);
    if (head.size() < text_.size())
        head.truncate(std::max<qsizetype>(head.lastIndexOf('\n'), 0));
    char best = ',';
    int bestColumns = 0;
    for (const char sep : {',', ';', '\t'}) {
        LotImport probe;
        probe.table_ = *parseCsv(head, sep);
        probe.detect();
        if (probe.hasHeader() && probe.headers_.size() > bestColumns) {
            best = sep;
            bestColumns = int(probe.headers_.size());
        }
    }
    return setSeparator(best, progress);
}

bool LotImport::setSeparator(char separator, Progress *progress)
{
    // Splitting is half the work, reading the rows the other half.
    ProgressSpan splitting(progress, 0, 500, std::max<qint64>(text_.size(), 1));
    auto table = parseCsv(text_, separator, &splitting);
    if (!table)
        return false;
    LotImport next(stored_);
    next.table_ = std::move(*table);
    next.choices_.separator = separator;
    next.detect();
    std::vector<CandidateLot> lots;
    ProgressSpan rows(progress, 500, 1000, 1000);
    if (!next.interpret(next.choices_, lots, &rows))
        return false;
    next.text_ = std::move(text_);
    next.lots_ = std::move(lots);
    *this = std::move(next);
    return true;
}

bool LotImport::setChoices(const ImportChoices &choices, Progress *progress)
{
    ImportChoices c = choices;
    c.separator = choices_.separator;
    std::vector<CandidateLot> lots;
    if (!interpret(c, lots, progress))
        return false;
    // Ticks stay with their lines of the file.
    QSet<int> ticked;
    for (const CandidateLot &l : lots_)
        if (l.ticked)
            ticked.insert(l.line);
    for (CandidateLot &l : lots)
        l.ticked = ticked.contains(l.line) && l.tickable();
    choices_ = c;
    lots_ = std::move(lots);
    return true;
}

// The header row, its columns, the decimal separator and the date order.
void LotImport::detect()
{
    headerRow_ = -1;
    headers_.clear();
    for (int row = 0; row < table_.rowCount() && headerRow_ < 0; ++row) {
        std::array<int, kImportFieldCount> rank;
        rank.fill(INT_MAX);
        std::array<int, kImportFieldCount> column;
        column.fill(kNoColumn);
        for (int c = 0; c < table_.fieldCount(row); ++c) {
            int r = 0;
            const auto f = import::headerField(table_.field(row, c), &r);
            if (f && r < rank[std::size_t(*f)]) {
                rank[std::size_t(*f)] = r;
                column[std::size_t(*f)] = c;
            }
        }
        if (column[std::size_t(ImportField::Ticker)] == kNoColumn || column[std::size_t(ImportField::Shares)] == kNoColumn
            || column[std::size_t(ImportField::TradeDate)] == kNoColumn)
            continue;
        headerRow_ = row;
        headerLine_ = table_.line(row);
        for (int c = 0; c < table_.fieldCount(row); ++c)
            headers_ << table_.field(row, c).trimmed();
        choices_.columns = column;
    }
    if (headerRow_ < 0) {
        choices_.columns.fill(kNoColumn);
        headerLine_ = 0;
        return;
    }

    // Votes from the numbers: a separator followed by other than three
    // digits, or the last of two kinds, is the decimal one; one that comes
    // twice groups thousands.
    int point = 0, comma = 0;
    // Votes from the dates: a first part above 12 is a day, a second part
    // above 12 is one; dotted dates are day first; four digits first is ISO.
    int dayFirst = 0, monthFirst = 0, dotted = 0, iso = 0;
    for (int row = headerRow_ + 1; row < table_.rowCount(); ++row) {
        for (const ImportField f : {ImportField::Shares, ImportField::Price, ImportField::NetAmount}) {
            const QString t = table_.field(row, choices_.column(f));
            const qsizetype lastPoint = t.lastIndexOf(u'.'), lastComma = t.lastIndexOf(u',');
            if (lastPoint >= 0 && lastComma >= 0) {
                (lastPoint > lastComma ? point : comma) += 1;
                continue;
            }
            const qsizetype at = std::max(lastPoint, lastComma);
            if (at < 0)
                continue;
            const QChar sep = t[at];
            qsizetype digits = 0;
            while (at + 1 + digits < t.size() && isDigit(t[at + 1 + digits]))
                ++digits;
            const bool twice = t.count(sep) > 1;
            const bool decimalHere = !twice && digits != 3;
            if (twice || decimalHere)
                ((sep == u'.') == decimalHere ? point : comma) += 1;
        }
        const QString dateText = table_.field(row, choices_.column(ImportField::TradeDate));
        if (const auto d = dateParts(dateText)) {
            if (d->part[0].size() == 4) {
                ++iso;
            } else {
                const int a = numberOf(d->part[0]), b = numberOf(d->part[1]);
                if (a > 12 && b >= 1 && b <= 12)
                    ++dayFirst;
                else if (b > 12 && a >= 1 && a <= 12)
                    ++monthFirst;
                if (d->sep == u'.')
                    ++dotted;
            }
        }
    }
    choices_.decimal = comma > point ? u',' : u'.';
    if (dayFirst > 0 && monthFirst == 0)
        choices_.dateOrder = DateOrder::DayMonthYear;
    else if (dotted > 0 && monthFirst == 0)
        choices_.dateOrder = DateOrder::DayMonthYear;
    else if (iso > 0 && dayFirst == 0 && monthFirst == 0 && dotted == 0)
        choices_.dateOrder = DateOrder::YearMonthDay;
    else
        choices_.dateOrder = DateOrder::MonthDayYear;
}

// Every data row after the header as a candidate lot. A data row has a
// ticker or a quantity, or (with an action column) an action and a date;
// other rows (totals, disclaimers, a repeated header) are passed over.
bool LotImport::interpret(const ImportChoices &choices, std::vector<CandidateLot> &out,
                          Progress *progress) const
{
    out.clear();
    if (headerRow_ < 0)
        return true;
    const int rows = table_.rowCount();
    ProgressSpan done(progress, 0, 1000, rows);
    const auto col = [&](ImportField f) { return choices.column(f); };
    const bool withAction = col(ImportField::Action) != kNoColumn;
    QSet<LotKey> earlier;
    for (int row = headerRow_ + 1; row < rows; ++row) {
        if ((row - headerRow_ - 1) % kProgressRows == 0 && !done.advance(row))
            return false;
        std::array<QString, kImportFieldCount> raw;
        for (int f = 0; f < kImportFieldCount; ++f)
            raw[std::size_t(f)] = table_.field(row, choices.columns[std::size_t(f)]).trimmed();
        const auto get = [&](ImportField f) -> const QString & { return raw[std::size_t(f)]; };
        const bool data = !get(ImportField::Ticker).isEmpty() || !get(ImportField::Shares).isEmpty()
                          || (withAction && !get(ImportField::Action).isEmpty()
                              && !get(ImportField::TradeDate).isEmpty());
        if (!data || (import::headerField(get(ImportField::Ticker)) == ImportField::Ticker
                      && import::headerField(get(ImportField::Shares)) == ImportField::Shares))
            continue;

        CandidateLot lot;
        lot.line = table_.line(row);
        QString name = get(ImportField::Name).simplified();
        if (characterCount(name) > kNameLength) {
            // Cut at a whole character, as the name box holds it.
            qsizetype units = 0;
            for (int n = 0; n < kNameLength; ++n)
                units += name[units].isHighSurrogate() && units + 1 < name.size() ? 2 : 1;
            name.truncate(units);
        }
        FieldTexts &t = lot.texts;
        t[kName1] = name;
        t[kTicker] = get(ImportField::Ticker);
        t[kNumShares] = get(ImportField::Shares);
        t[kPrice] = get(ImportField::Price);
        t[kNetAmount] = get(ImportField::NetAmount);
        t[kTradeDate] = get(ImportField::TradeDate);
        if (withAction && !import::isPurchase(get(ImportField::Action))) {
            lot.status = RowStatus::NotAPurchase;
            out.push_back(std::move(lot));
            continue;
        }

        // The texts as a user would type them; a text that does not read
        // is handed to the rules in a form that breaks its field's rule.
        FieldTexts typed = t;
        const auto number = [&](int pos) {
            if (t[std::size_t(pos)].isEmpty())
                return;
            if (const auto n = import::readNumber(t[std::size_t(pos)], choices.decimal))
                typed[std::size_t(pos)] = n->plain;   // a purchase's values are positive
            else
                typed[std::size_t(pos)] = u'?' + t[std::size_t(pos)];
        };
        number(kNumShares);
        number(kPrice);
        number(kNetAmount);
        std::optional<QDate> date;
        if (!t[kTradeDate].isEmpty()) {
            date = import::readDate(t[kTradeDate], choices.dateOrder);
            typed[kTradeDate] = date ? regional::shortDate(*date) : u'?' + t[kTradeDate];
        }
        if (auto broken = firstBrokenRule(typed)) {
            lot.status = RowStatus::Refused;
            lot.reason = broken->field == kTradeDate ? dateMessage(broken->message, choices.dateOrder)
                                                     : broken->message;
            out.push_back(std::move(lot));
            continue;
        }
        if (characterCount(typed[kTicker]) > kTickerLength) {
            lot.status = RowStatus::Refused;
            lot.reason = QStringLiteral("Please Enter the Ticker Symbol with at most %1 characters").arg(kTickerLength);
            out.push_back(std::move(lot));
            continue;
        }
        lot.texts = typed;
        const LotKey key = LotKey::of(typed[kTicker], *date, *numberFromText(typed[kNumShares]),
                                      typed[kPrice].isEmpty() ? std::nullopt : moneyFromText(typed[kPrice]),
                                      typed[kNetAmount].isEmpty() ? std::nullopt : moneyFromText(typed[kNetAmount]));
        if (stored_.contains(key))
            lot.status = RowStatus::Already;
        else if (earlier.contains(key))
            lot.status = RowStatus::Twice;
        earlier.insert(key);
        out.push_back(std::move(lot));
    }
    done.advance(rows);
    return true;
}

void LotImport::setTicked(int index, bool ticked)
{
    CandidateLot &l = lots_[std::size_t(index)];
    if (l.tickable())
        l.ticked = ticked;
}

std::array<int, kRowStatusCount> LotImport::counts() const
{
    std::array<int, kRowStatusCount> n{};
    for (const CandidateLot &l : lots_)
        ++n[std::size_t(l.status)];
    return n;
}

std::vector<FieldTexts> LotImport::chosen() const
{
    std::vector<FieldTexts> v;
    v.reserve(std::size_t(chosenCount()));
    for (const CandidateLot &l : lots_)
        if (l.chosen())
            v.push_back(l.texts);
    return v;
}

qsizetype LotImport::chosenCount() const
{
    return std::count_if(lots_.begin(), lots_.end(),
                         [](const CandidateLot &l) { return l.chosen(); });
}

} // namespace tesmo

#include "text/FieldRules.h"

#include "text/Limits.h"
#include "text/Regional.h"

#include <algorithm>
#include <cmath>

namespace tesmo {

bool IsNumber(QStringView value)
{
    qsizetype i = 0;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-'))
        ++i;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c >= u'0' && c <= u'9') {
            sawDigit = true;
        } else if (c == u'.' && !sawPoint) {
            sawPoint = true;
        } else {
            return false;
        }
    }
    return sawDigit;
}

QString AwayFromCurrency(QStringView value)
{
    QStringView rest = value;
    if (rest.contains(u'$')) {
        // A character outside the basic plane takes two code units.
        const bool pair = rest.size() >= 2 && rest[0].isHighSurrogate() && rest[1].isLowSurrogate();
        rest = rest.mid(pair ? 2 : 1);
    }
    QString plain = rest.toString();
    plain.remove(u',');
    return plain;
}

std::optional<Ticks> splitPrice(double price, double ratio)
{
    return moneyFromText(regional::numberText(price / ratio));
}

std::optional<Ticks> moneyFromText(QStringView text)
{
    const QString plain = AwayFromCurrency(text);
    if (!IsNumber(plain))
        return std::nullopt;
    return parseTicks(plain);
}

std::optional<double> numberFromText(QStringView text)
{
    const QString plain = AwayFromCurrency(text);
    if (!IsNumber(plain))
        return std::nullopt;
    // QString::toDouble reads with the C locale whatever the process locale is.
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

using Check = bool (*)(const QString &text);

struct Rule {
    FieldPos field;
    Check fails;
    const char *message;
    bool selectAll;
};

bool isEmpty(const QString &t)
{
    return t.isEmpty();
}

bool notANumber(const QString &t)
{
    return !IsNumber(t);
}

// A number of shares, already known to be a number, that the ledger cannot hold.
bool sharesOutOfRange(const QString &t)
{
    const auto v = numberFromText(t);
    return !v || !sharesInRange(*v);
}

// A number of shares, already known to be one in range, with more decimals
// than the ledger keeps.
bool sharesTooFine(const QString &t)
{
    const auto v = numberFromText(t);
    return v && !sharesExact(*v);
}

bool notADate(const QString &t)
{
    return !regional::readDate(t);
}

bool notMoney(const QString &t)
{
    return !t.isEmpty() && !IsNumber(AwayFromCurrency(t));
}

// A price or net amount, already known to be a number or empty, that the
// ledger cannot hold.
bool moneyOutOfRange(const QString &t)
{
    if (t.isEmpty())
        return false;
    const auto v = moneyFromText(t);
    return !v || !moneyInRange(*v);
}

// A line break, tab or other control character, typed or pasted, has no
// place in a one-line name or ticker.
bool holdsControl(const QString &t)
{
    return hasControlCharacter(t);
}

static_assert(kShareDecimals == 6, "the rule's message names the decimals kept");

// Checked in this order; the first failure is the one the user sees.
const Rule kRules[] = {
    {kTicker, isEmpty, "Must Enter a Ticker Symbol", false},
    {kNumShares, isEmpty, "Must Enter Number of Shares", false},
    {kNumShares, notANumber, "Please Enter Number of Shares as a Number", true},
    {kNumShares, sharesOutOfRange,
     "Please Enter Number of Shares between -999,999,999,999,999 and 999,999,999,999,999", true},
    {kNumShares, sharesTooFine, "Please Enter Number of Shares with at most 6 decimals", true},
    {kTradeDate, isEmpty, "Must Enter Trade Date", false},
    {kTradeDate, notADate, "Must Enter the Date According to the Format MM/DD/YY or MM/DD/YYYY", true},
    {kPrice, notMoney, "Please Enter the Price per Share as a Number", true},
    {kPrice, moneyOutOfRange, "Please Enter the Price per Share between $0 and $450,000,000,000", true},
    {kNetAmount, notMoney, "Please Enter Net Amount as a Number", true},
    {kNetAmount, moneyOutOfRange, "Please Enter Net Amount between $0 and $450,000,000,000", true},
    {kName1, holdsControl,
     "Please Enter the Name/Description without line breaks, tabs or other control characters", true},
    {kTicker, holdsControl, "Please Enter the Ticker Symbol without line breaks, tabs or other control characters",
     true},
};

} // namespace

std::optional<BrokenRule> firstBrokenRule(const FieldTexts &texts)
{
    for (const Rule &rule : kRules) {
        if (rule.fails(texts[std::size_t(rule.field)]))
            return BrokenRule{rule.field, QString::fromUtf8(rule.message), rule.selectAll};
    }
    return std::nullopt;
}

QString foldTicker(QStringView ticker)
{
    return ticker.toString().toCaseFolded();
}

bool sameTicker(QStringView a, QStringView b)
{
    return foldTicker(a) == foldTicker(b);
}

namespace {

bool isAsciiText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

TickerMatcher::TickerMatcher(QStringView ticker)
    : folded_(foldTicker(ticker)), utf8_(ticker.toUtf8()),
      ascii_(isAsciiText({utf8_.constData(), std::size_t(utf8_.size())}))
{
}

// A non-ASCII letter may fold to an ASCII one (the Kelvin sign to "k"), so
// the bytes decide only when both tickers are ASCII.
bool TickerMatcher::operator()(std::string_view lotTicker) const
{
    if (ascii_ && isAsciiText(lotTicker))
        return lotTicker.size() == std::size_t(utf8_.size())
               && qstrnicmp(lotTicker.data(), utf8_.constData(), utf8_.size()) == 0;
    return foldTicker(QString::fromUtf8(lotTicker.data(), qsizetype(lotTicker.size()))) == folded_;
}

} // namespace tesmo

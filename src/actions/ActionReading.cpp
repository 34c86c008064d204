#include "actions/ActionReading.h"

#include "actions/ActionPlan.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QRegularExpression>
#include <cmath>

namespace tesmo {

namespace {

// The most new shares an old one becomes, as the file takes it.
constexpr double kMaxRatio = 1e21;

// Two numbers of new and old shares: "4 for 1", "4:1", "4-for-1".
const QRegularExpression &ratioPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*([0-9.,]+)\s*(?:-?\s*for\s*-?|:)\s*([0-9.,]+)\s*$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

struct RatioNumbers {
    double newShares, oldShares;
};

std::optional<RatioNumbers> ratioNumbers(const QString &typed)
{
    const auto match = ratioPattern().match(typed);
    if (!match.hasMatch())
        return std::nullopt;
    const auto a = numberFromText(match.captured(1));
    const auto b = numberFromText(match.captured(2));
    if (!a || !b || !(*a > 0) || !(*b > 0) || !std::isfinite(*a / *b) || !(*a / *b > 0) || *a / *b > kMaxRatio)
        return std::nullopt;
    return RatioNumbers{*a, *b};
}

} // namespace

double readActionRatio(const QString &text)
{
    const auto numbers = ratioNumbers(text);
    if (!numbers)
        throw ActionRefusal(ActionField::Ratio,
                            QStringLiteral("Please Enter the Ratio as new shares for old, two numbers above 0 such "
                                           "as 4 for 1 or 1 for 10."));
    return numbers->newShares / numbers->oldShares;
}

QString ratioText(const QString &typed)
{
    const auto numbers = ratioNumbers(typed);
    if (!numbers)
        return typed;
    return QStringLiteral("%1 for %2")
        .arg(regional::numberText(numbers->newShares), regional::numberText(numbers->oldShares));
}

void checkActionDay(QDate day, QDate today)
{
    if (!day.isValid() || day.year() < kFirstYear || day.year() > kLastYear)
        throw ActionRefusal(ActionField::Day,
                            QStringLiteral("Must Enter the Day According to the Format MM/DD/YY or MM/DD/YYYY"));
    if (day > today)
        throw ActionRefusal(ActionField::Day, QStringLiteral("Please Enter a Date on or before today, %1: an action "
                                                             "is recorded once it has taken place.")
                                                  .arg(regional::shortDate(today)));
}

double readActionPercent(const QString &typed)
{
    QString text = typed.trimmed();
    if (text.endsWith(QLatin1Char('%')))
        text = text.chopped(1).trimmed();
    const auto percent = IsNumber(text) ? numberFromText(text) : std::nullopt;
    if (!percent || *percent < 0 || *percent > 100)
        throw ActionRefusal(ActionField::Percent,
                            QStringLiteral("Please Enter the Percent of the cost the new lots take as a number from "
                                           "0 to 100."));
    return *percent;
}

Ticks readActionCash(const QString &typed, const QString &label, const QString &what)
{
    if (typed.trimmed().isEmpty())
        throw ActionRefusal(ActionField::Cash, QStringLiteral("Please Enter the %1: %2.").arg(label, what));
    const auto cash = regional::readAmount(typed);
    if (!cash || !moneyInRange(*cash))
        throw ActionRefusal(ActionField::Cash,
                            QStringLiteral("Please Enter the %1, %2, as an amount between $0 and "
                                           "$450,000,000,000.")
                                .arg(label, what));
    return *cash;
}

void refuseCashAndShares(const QString &typed)
{
    if (typed.trimmed().isEmpty())
        return;
    const auto cash = regional::readAmount(typed);
    if (cash && *cash == 0)
        return;
    throw ActionRefusal(ActionField::Cash,
                        QStringLiteral("A merger for shares and cash is not recorded: its gain up to the cash is "
                                       "not worked out. Leave the Cash per Share empty, and record the merger by "
                                       "hand as its documents tell you."));
}

QString checkedNewTicker(const QString &typed)
{
    // The rules of the ticker box, with the other fields of a lot that passes.
    FieldTexts texts{QString(), QString(), typed, QStringLiteral("1"), QString(), QString(), QStringLiteral("1/1/2000")};
    if (const auto broken = firstBrokenRule(texts))
        throw ActionRefusal(ActionField::NewTicker,
                            QString(broken->message).replace(QStringLiteral("Ticker Symbol"),
                                                             QStringLiteral("New Ticker")));
    if (!fitsText(typed, kTickerLength))
        throw ActionRefusal(ActionField::NewTicker,
                            QStringLiteral("Please Enter the New Ticker in at most %1 characters").arg(kTickerLength));
    return typed;
}

QString checkedNewName(const QString &typed)
{
    if (hasControlCharacter(typed))
        throw ActionRefusal(ActionField::NewName, QStringLiteral("Please Enter the New Name without line breaks, "
                                                                 "tabs or other control characters"));
    if (!fitsText(typed, kNameLength))
        throw ActionRefusal(ActionField::NewName,
                            QStringLiteral("Please Enter the New Name in at most %1 characters").arg(kNameLength));
    return typed;
}

} // namespace tesmo

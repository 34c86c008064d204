#include "store/FieldRules.h"

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

} // namespace tesmo

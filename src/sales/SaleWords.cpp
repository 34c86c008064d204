#include "sales/SaleWords.h"

#include "text/Regional.h"

namespace tesmo {

QString sharesPhrase(double shares)
{
    QString text = regional::numberText(shares);
    const qsizetype point = text.indexOf(u'.');
    const qsizetype first = text.startsWith(u'-') ? 1 : 0;
    for (qsizetype at = (point < 0 ? text.size() : point) - 3; at > first; at -= 3)
        text.insert(at, u',');
    return text + (shares == 1 ? QStringLiteral(" share") : QStringLiteral(" shares"));
}

QString lotPhrase(qint64 id, QDate bought)
{
    return QStringLiteral("%1 (bought %2)").arg(id).arg(regional::shortDate(bought));
}

} // namespace tesmo

#include "store/TickerFamilies.h"

#include "store/Sqlite.h"
#include "text/FieldRules.h"

#include <sqlite3.h>

namespace tesmo {

void TickerFamilies::link(const QString &a, const QString &b)
{
    const QString foldA = foldTicker(a), foldB = foldTicker(b);
    const QString keyA = keyOfFolded(foldA), keyB = keyOfFolded(foldB);
    const QString key = std::min(keyA, keyB);
    key_.insert(foldA, keyA);
    key_.insert(foldB, keyB);
    if (keyA == keyB)
        return;
    // Few tickers are ever linked: the families are joined by renaming.
    for (auto at = key_.begin(); at != key_.end(); ++at)
        if (at.value() == keyA || at.value() == keyB)
            at.value() = key;
}

QString TickerFamilies::keyOf(const QString &ticker) const
{
    return key_.isEmpty() ? foldTicker(ticker) : keyOfFolded(foldTicker(ticker));
}

QStringList TickerFamilies::membersOf(const QString &key) const
{
    QStringList members;
    for (auto at = key_.begin(); at != key_.end(); ++at)
        if (at.value() == key)
            members << at.key();
    if (members.isEmpty())
        members << key;
    members.sort();
    return members;
}

TickerFamilies readTickerFamilies(Database &db)
{
    TickerFamilies families;
    if (!hasTable(db, "Actions"))
        return families;
    Statement linked(db.handle(),
                     "SELECT Ticker, NewTicker FROM Actions WHERE Kind IN ('Ticker change', 'Merger') ORDER BY ID");
    while (linked.step())
        families.link(linked.text(0), linked.text(1));
    return families;
}

} // namespace tesmo

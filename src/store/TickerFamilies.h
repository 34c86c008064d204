// Tickers that are one for the figures for taxes: a ticker change or a merger
// for shares makes the lots of the old ticker lots of the new one, while the
// sales recorded before keep the old ticker. A loss on the old ticker whose
// shares were replaced, and the adjustment the replacement shares carry,
// stay with those shares through the change, so the wash sales read every
// ticker so linked, and every ticker linked to those, as one.
#pragma once

#include "store/Database.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace tesmo {

class TickerFamilies {
public:
    // Makes a and b, with every ticker linked to either, one family.
    void link(const QString &a, const QString &b);
    // The family's key: the least fold of its tickers (text/FieldRules.h
    // foldTicker); a ticker linked to none is its own fold.
    QString keyOf(const QString &ticker) const;
    // The key of a ticker already folded.
    QString keyOfFolded(const QString &folded) const { return key_.value(folded, folded); }
    // The folds of the tickers of the family whose key is key; key alone for
    // a ticker linked to none.
    QStringList membersOf(const QString &key) const;
    bool empty() const { return key_.isEmpty(); }

private:
    QHash<QString, QString> key_;   // by fold, of the tickers linked
};

// The families the file's ticker changes and mergers for shares make; none
// when the file has no actions.
TickerFamilies readTickerFamilies(Database &db);

} // namespace tesmo

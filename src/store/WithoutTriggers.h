// A write over a whole set of rows that does the work of the file's
// triggers itself, once for the set rather than once a row: the
// connection's triggers are off while it runs (the file keeps them, for
// every other writer), and the figures for taxes are marked as the
// triggers would have marked them.
#pragma once

#include "store/Database.h"

#include <QStringList>

namespace tesmo {

// Within its scope, this connection's triggers do not fire.
class TriggersOff {
public:
    explicit TriggersOff(Database &db);
    ~TriggersOff();
    TriggersOff(const TriggersOff &) = delete;
    TriggersOff &operator=(const TriggersOff &) = delete;

private:
    Database &db_;
};

// With the triggers on, marks in GainsStale each ticker of the column
// Ticker of the rows tickers (SQL) selects, as the triggers of a sale mark
// the ticker of each row added or undone. A ledger without sales has no
// marks.
void markSoldTickers(Database &db, const char *tickers);
// The same for tickers known already, each once (addTicker).
void markSoldTickers(Database &db, const QStringList &tickers);
// Adds ticker to tickers unless it is there: the lots of a write mostly
// share one or two.
void addTicker(QStringList &tickers, const QString &ticker);

// The same for a ticker of a lot added, changed or deleted: marked when it
// bears on the figures, that is, when it has sales, holds letters other
// than ASCII, or a ticker change or a merger for shares linked it.
void markLotTickers(Database &db, const char *tickers);
void markLotTickers(Database &db, const QStringList &tickers);

} // namespace tesmo

#include "store/WithoutTriggers.h"

#include "store/Schema.h"
#include "store/Sqlite.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <sqlite3.h>

namespace tesmo {

TriggersOff::TriggersOff(Database &db)
    : db_(db)
{
    sqlite3_db_config(db_.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
}

TriggersOff::~TriggersOff()
{
    sqlite3_db_config(db_.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr);
}

namespace {

// Marks run with the triggers on: a ticker marked marks those linked to it.
// A list of tickers is bound to ?1 as a JSON array.
void mark(Database &db, const QByteArray &sql, const QStringList *tickers = nullptr)
{
    Statement s(db.handle(), sql.constData());
    if (tickers)
        s.bindUtf8(1, QJsonDocument(QJsonArray::fromStringList(*tickers)).toJson(QJsonDocument::Compact).toStdString());
    while (s.step()) {
    }
}

constexpr const char *kListed = "SELECT value AS Ticker FROM json_each(?1)";

void markSold(Database &db, const char *tickers, const QStringList *listed)
{
    if (!hasTable(db, "GainsStale"))
        return;
    mark(db, QByteArray("INSERT OR IGNORE INTO GainsStale (Ticker) SELECT DISTINCT Ticker FROM (") + tickers
                 + ") WHERE Ticker IS NOT NULL", listed);
}

void markLots(Database &db, const char *tickers, const QStringList *listed)
{
    if (!hasTable(db, "GainsStale"))
        return;
    // The conditions of the lots' triggers, on a row named as theirs is.
    QByteArray sql = QByteArray("INSERT OR IGNORE INTO GainsStale (Ticker) SELECT NEW.Ticker FROM (SELECT DISTINCT "
                                "Ticker FROM (")
                     + tickers + ") WHERE Ticker IS NOT NULL) AS NEW WHERE {SOLD:NEW}";
    if (hasTable(db, "Actions"))
        sql += " OR EXISTS (SELECT 1 FROM Actions WHERE Kind IN ('Ticker change', 'Merger') "
               "AND (Ticker = NEW.Ticker COLLATE NOCASE OR NewTicker = NEW.Ticker COLLATE NOCASE))";
    mark(db, QByteArray::fromStdString(withSchemaLimits(sql.constData())), listed);
}

} // namespace

void markSoldTickers(Database &db, const char *tickers)
{
    markSold(db, tickers, nullptr);
}

void markSoldTickers(Database &db, const QStringList &tickers)
{
    markSold(db, kListed, &tickers);
}

void markLotTickers(Database &db, const char *tickers)
{
    markLots(db, tickers, nullptr);
}

void addTicker(QStringList &tickers, const QString &ticker)
{
    if (tickers.isEmpty() || (tickers.back() != ticker && !tickers.contains(ticker)))
        tickers.push_back(ticker);
}

void markLotTickers(Database &db, const QStringList &tickers)
{
    markLots(db, kListed, &tickers);
}

} // namespace tesmo

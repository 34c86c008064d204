// A temporary folder that is the current folder while the object lives, with
// a Tesmo.mdb holding the given lots, written the way another program would:
// through qryStocks with the SQLite C API.
#pragma once

#include "store/Database.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest>
#include <functional>
#include <sqlite3.h>
#include <vector>

namespace tesmo::test {

// A lot as a test writes it; null QVariants are nulls; the date as YYYY-MM-DD.
struct NewLot {
    QString name, ticker;
    QVariant shares, price, netAmount;
    QString tradeDate;
};

// Another tool writing past the file's checks, as a script may, before SQL that stores anything.
constexpr const char *kPastTheChecks = "PRAGMA ignore_check_constraints = ON; ";

class LedgerFolder {
public:
    // Without createFile, no file is made: the program creates it.
    explicit LedgerFolder(const std::vector<NewLot> &lots = {}, bool createFile = true)
        : previous_(QDir::currentPath())
    {
        QDir::setCurrent(dir_.path());
        if (!createFile)
            return;
        Database created(file());
        Connection c(file());
        c.exec("BEGIN");
        for (const NewLot &l : lots) {
            sqlite3_stmt *s = nullptr;
            sqlite3_prepare_v2(c.db, "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6)", -1, &s, nullptr);
            const QVariant values[] = {l.name.isEmpty() ? QVariant() : QVariant(l.name), l.ticker, l.shares,
                                       l.price, l.netAmount, l.tradeDate};
            for (int i = 0; i < 6; ++i) {
                if (const QVariant &v = values[i]; v.isNull())
                    sqlite3_bind_null(s, i + 1);
                else if (v.typeId() == QMetaType::QString)
                    sqlite3_bind_text(s, i + 1, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
                else
                    sqlite3_bind_double(s, i + 1, v.toDouble());
            }
            const int rc = sqlite3_step(s);
            sqlite3_finalize(s);
            QVERIFY2(rc == SQLITE_DONE, sqlite3_errmsg(c.db));
        }
        c.exec("COMMIT");
    }
    ~LedgerFolder() { QDir::setCurrent(previous_); }

    QString path() const { return dir_.path(); }
    QString file() const { return dir_.filePath(QStringLiteral("Tesmo.mdb")); }

    // Runs SQL on the file as another program; gives SQLite's message, empty when it succeeded.
    QString exec(const QString &sql) const { return Connection(file()).exec(sql.toUtf8().constData()); }

    // The rows of a query (on this or another file), columns joined by "," ("NULL" for nulls), rows by "|".
    QString query(const QString &sql) const { return queryFile(file(), sql); }
    static QString queryFile(const QString &path, const QString &sql)
    {
        Connection c(path);
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(c.db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
            return QString::fromUtf8(sqlite3_errmsg(c.db));
        QStringList rows;
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList cols;
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(s, i));
                cols << (t ? QString::fromUtf8(t) : QStringLiteral("NULL"));
            }
            rows << cols.join(QLatin1Char(','));
        }
        sqlite3_finalize(s);
        return rows.join(QLatin1Char('|'));
    }

private:
    struct Connection {
        // It waits a while for a lock that Tesmo holds, as its daily copy reads the file at start-up.
        explicit Connection(const QString &path)
        {
            sqlite3_open(path.toUtf8().constData(), &db);
            sqlite3_busy_timeout(db, 10000);
        }
        ~Connection() { sqlite3_close(db); }
        QString exec(const char *sql) const
        {
            char *error = nullptr;
            sqlite3_exec(db, sql, nullptr, nullptr, &error);
            const QString message = error ? QString::fromUtf8(error) : QString();
            sqlite3_free(error);
            return message;
        }
        sqlite3 *db = nullptr;
    };

    QString previous_;
    QTemporaryDir dir_;
};

// The number of the error that op raises, and what it said; 0 when it raises none.
inline int errorOf(const std::function<void()> &op, QString *said = nullptr)
{
    try {
        op();
    } catch (const Error &e) {
        if (said)
            *said = e.description();
        return e.number();
    }
    return 0;
}

// n lots "Lot i", ticker Ti, 100 shares at $10, net amount 1000 * i or empty where asked.
inline std::vector<NewLot> numberedLots(int count, const QList<int> &emptyNet = {})
{
    std::vector<NewLot> v;
    for (int i = 1; i <= count; ++i)
        v.push_back({QStringLiteral("Lot %1").arg(i), QStringLiteral("T%1").arg(i), 100, 10,
                     emptyNet.contains(i) ? QVariant() : QVariant(1000 * i), QStringLiteral("2003-01-15")});
    return v;
}

} // namespace tesmo::test

// A temporary folder that is the current folder while the object lives, with
// a Tesmo.mdb holding the given lots, written the way another program would:
// through qryStocks with sqlite3.
#pragma once

#include "store/Database.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <sqlite3.h>
#include <vector>

namespace tesmo::test {

// A lot as a test writes it; null QVariants are nulls.
struct NewLot {
    QString name;
    QString ticker;
    QVariant shares;
    QVariant price;
    QVariant netAmount;
    QString tradeDate;   // YYYY-MM-DD
};

class LedgerFolder {
public:
    // Without lots, no file is made: the program creates it.
    explicit LedgerFolder(const std::vector<NewLot> &lots = {}, bool createFile = true)
        : previous_(QDir::currentPath())
    {
        QDir::setCurrent(dir_.path());
        if (createFile)
            addLots(lots);
    }
    ~LedgerFolder() { QDir::setCurrent(previous_); }

    QString path() const { return dir_.path(); }
    QString file() const { return dir_.filePath(QStringLiteral("Tesmo.mdb")); }

    void addLots(const std::vector<NewLot> &lots)
    {
        Database db(file());   // creates the ledger when missing
        Database::Transaction transaction(db);
        for (const NewLot &l : lots) {
            Statement s(db.handle(),
                        "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
            bindVariant(s, 1, l.name.isEmpty() ? QVariant() : QVariant(l.name));
            bindVariant(s, 2, l.ticker);
            bindVariant(s, 3, l.shares);
            bindVariant(s, 4, l.price);
            bindVariant(s, 5, l.netAmount);
            bindVariant(s, 6, l.tradeDate);
            s.step();
        }
        transaction.commit();
    }

    // Runs a query on the file and returns the first column of every row as text
    // ("NULL" for nulls), rows joined by "|".
    QString query(const char *sql) const
    {
        Database db(file(), Database::Mode::ReadOnly);
        Statement s(db.handle(), sql);
        QStringList rows;
        while (s.step()) {
            QStringList cols;
            for (int c = 0; c < sqlite3_column_count(s.handle()); ++c)
                cols << (s.isNull(c) ? QStringLiteral("NULL") : s.text(c));
            rows << cols.join(QLatin1Char(','));
        }
        return rows.join(QLatin1Char('|'));
    }

private:
    static void bindVariant(Statement &s, int index, const QVariant &v)
    {
        if (v.isNull())
            s.bindNull(index);
        else if (v.typeId() == QMetaType::QString)
            s.bind(index, v.toString());
        else
            s.bind(index, v.toDouble());
    }

    QString previous_;
    QTemporaryDir dir_;
};

} // namespace tesmo::test

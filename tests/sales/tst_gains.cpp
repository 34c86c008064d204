// What the ledger holds and what its sales gained: the holdings over small
// tables of lots, the gains of a year and their file for taxes, and the
// window that shows both, driven by its keys.
#include "sales/GainsCsv.h"
#include "sales/Holdings.h"
#include "sales/HoldingsGainsWindow.h"
#include "sales/RealizedGains.h"
#include "support/ScriptedDialogs.h"
#include "text/Regional.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

using namespace tesmo;
using Answer = Dialogs::Answer;

namespace {

// Lots written "TICKER SHARES PRICE NET YYYY-MM-DD" and joined by ";", "-"
// for an empty amount, "?" for a field an older tool stored as text.
void fill(LotTable &table, const QString &lots)
{
    std::deque<std::string> texts;   // the table copies them
    LotId id = 0;
    for (const QString &written : lots.split(u';')) {
        const QStringList f = written.split(u' ', Qt::SkipEmptyParts);
        LotRow lot;
        lot.id = ++id;
        lot.ticker = texts.emplace_back(f[0].toStdString());
        const auto field = [&](int at, int pos) {
            if (f[at] == u"?")
                lot.holdAsText(pos, "n/a");
            return f[at] == u"?" || f[at] == u"-" ? QString() : f[at];
        };
        const auto amount = [&](int at, int pos) {
            const QString t = field(at, pos);
            return t.isEmpty() ? std::nullopt : parseTicks(t);
        };
        lot.numShares = field(1, kNumShares).toDouble();
        lot.price = amount(2, kPrice);
        lot.netAmount = amount(3, kNetAmount);
        if (!field(4, kTradeDate).isEmpty())
            lot.tradeDay = std::int32_t(QDate::fromString(f[4], Qt::ISODate).toJulianDay());
        table.append(lot);
    }
}

// TICKER|SHARES|COST|AVERAGE|LOTS|WITHOUT COST|HELD LONG|OLDEST, the totals
// last as "*".
QString text(const Holding &h)
{
    const auto average = h.averageCost();
    return QStringList{h.ticker.isEmpty() ? QStringLiteral("*") : h.ticker, regional::numberText(h.shares),
                       plainTicksText(h.cost), average ? plainTicksText(*average) : QStringLiteral("-"),
                       QString::number(h.lots), QString::number(h.lotsWithoutCost),
                       regional::numberText(h.longShares), h.oldest.toString(Qt::ISODate)}
        .join(u'|');
}

SaleRecord sale(SaleId id, const char *ticker, const char *name, double shares, const char *acquired, const char *sold,
                Ticks proceeds, Ticks cost, const char *term)
{
    return {id, id + 100, name, ticker, shares, QDate::fromString(acquired, Qt::ISODate),
            QDate::fromString(sold, Qt::ISODate), proceeds, cost, term};
}

} // namespace

class GainsTest : public QObject {
    Q_OBJECT

private slots:
    void holdings_data()
    {
        QTest::addColumn<QString>("lots");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("tickers alike but for letter case are one")
            << "ACME 100 - 1000 2020-01-15; BB 3 - 3 2024-05-05; acme 50 10 - 2021-06-01; éTÉ 2 - 6 2022-01-01;"
               "Été 1 - 5 2022-01-01"
            << QDate(2024, 6, 1)
            << QStringList{"ACME|150|1500|10|2|0|150|2020-01-15", "BB|3|3|1|1|0|0|2024-05-05",
                           "éTÉ|3|11|3.6667|2|0|3|2022-01-01", "*|156|1514|9.7051|5|0|153|2020-01-15"};
        QTest::newRow("a cost from the price to the cent, or none")
            << "X 3 0.3333 - 2020-01-01; X 7 - - 2019-01-01; Y 2 - 0 2020-01-01" << QDate(2020, 6, 1)
            << QStringList{"X|10|1|0.3333|2|1|7|2019-01-01", "Y|2|0|0|1|0|0|2020-01-01",
                           "*|12|1|0.2|3|1|7|2019-01-01"};
        // Held long once sold later than a year after the trade date; a year
        // after 29 February is 28 February.
        QTest::newRow("a year after 29 February")
            << "L 1 - 1 2020-02-29; L 2 - 2 2020-03-01" << QDate(2021, 3, 1)
            << QStringList{"L|3|3|1|2|0|1|2020-02-29", "*|3|3|1|2|0|1|2020-02-29"};
        QTest::newRow("a year before 29 February")
            << "M 1 - 1 2019-02-28; M 2 - 2 2019-03-01" << QDate(2020, 2, 29)
            << QStringList{"M|3|3|1|2|0|1|2019-02-28", "*|3|3|1|2|0|1|2019-02-28"};
        QTest::newRow("fields stored as text are unknown")
            << "T ? 5 - 2020-01-01; T 4 ? - 2020-01-01; T 2 1 3 ?" << QDate(2024, 1, 1)
            << QStringList{"T|6|3|1.5|3|2|4|2020-01-01", "*|6|3|1.5|3|2|4|2020-01-01"};
    }

    void holdings()
    {
        QFETCH(QString, lots);
        QFETCH(QDate, today);
        QFETCH(QStringList, expected);
        LotTable table;
        fill(table, lots);
        const Holdings h = holdingsOf(table, today);
        QStringList got;
        for (const Holding &t : h.tickers)
            got << text(t);
        QCOMPARE(got << text(h.total), expected);
    }

    // The year's sales and their gains in whole cents (a cost with a
    // fraction of a cent rounded before the gain is taken), and the file for
    // taxes: the short-term sales first, quoting, no name, CRLF. Saving
    // replaces an earlier file; a file that cannot be made is an error that
    // names it and leaves nothing behind. (The end-to-end test reads a file
    // with Python's csv module.)
    void gainsOfAYearAndTheirFile()
    {
        const std::vector<SaleRecord> sales = {
            sale(1, "WDG", "Widgets, \"Best\" Inc.", 10, "2024-01-10", "2024-03-15", 900000, 1200050, "Short"),
            sale(2, "ZZ", "", 2.5, "2022-02-01", "2024-05-05", 3000000, 2000000, "Long"),
            sale(3, "ACME", "Acme Corp", 20, "2023-02-01", "2025-01-02", 4000000, 2000000, "Short"),
        };
        QCOMPARE(saleYears(sales), (std::vector<int>{2025, 2024}));
        const std::vector<const SaleRecord *> shown = salesIn(sales, 2024);
        const GainTotals totals = gainTotals(shown);
        QCOMPARE(QList<Ticks>({totals.shortTerm, totals.longTerm, totals.total()}),
                 QList<Ticks>({-300100, 1000000, 699900}));

        QTemporaryDir dir;
        const QString path = dir.filePath(gainsFileName(2024));
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));   // an earlier file
        saveGainsCsv(salesIn(sales, std::nullopt), path);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), "Description,Date Acquired,Date Sold,Proceeds,Cost Basis,Gain or Loss,Term\r\n"
                                  "\"10 sh. WDG (Widgets, \"\"Best\"\" Inc.)\",1/10/2024,3/15/2024,90.00,120.01,-30.01,Short\r\n"
                                  "20 sh. ACME (Acme Corp),2/1/2023,1/2/2025,400.00,200.00,200.00,Short\r\n"
                                  "2.5 sh. ZZ,2/1/2022,5/5/2024,300.00,200.00,100.00,Long\r\n");

        const QString nowhere = dir.filePath(QStringLiteral("missing/") + gainsFileName(std::nullopt));
        try {
            saveGainsCsv(shown, nowhere);
            QFAIL("a file in a missing folder was reported written");
        } catch (const Error &e) {
            QCOMPARE(e.number(), int(kErrCannotWrite));
            QVERIFY(e.description().contains(QStringLiteral("missing/Tesmo gains all years.csv")));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{gainsFileName(2024)});
    }

    // The window starts at the latest year; Delete asks, a refused undo
    // tells its reason and changes nothing, an undo done reads the sales
    // again. (The end-to-end test saves the file through Alt+S.)
    void windowByItsKeys()
    {
        LotTable lots;
        fill(lots, "ACME 80 25 2000 2023-03-03");
        std::vector<SaleRecord> sales = {
            sale(1, "ZZ", "Zeta", 2.5, "2022-02-01", "2023-05-05", 3000000, 2000000, "Long"),
            sale(2, "ACME", "Acme Corp", 100, "2020-01-15", "2024-06-01", 20000000, 10000000, "Long"),
            sale(3, "WDG", "Widgets", 10, "2024-01-10", "2024-08-15", 900000, 1200050, "Short"),
        };
        test::ScriptedDialogs dialogs;
        const auto undo = [&](const SaleRecord &s) {
            if (s.id == 3)
                throw Error(kErrSaleUndoRefused, QStringLiteral("Lot 103 changed since this sale."));
            std::erase_if(sales, [&](const SaleRecord &r) { return r.id == s.id; });
            return true;
        };
        HoldingsGainsWindow w(dialogs, {lots, [&] { return sales; }, undo, {}}, QDate(2024, 12, 31));
        w.show();
        auto *gains = w.findChild<QTableView *>(QStringLiteral("gains"));
        const auto seen = [&] {
            QStringList rows;
            for (int r = 0; r < gains->model()->rowCount(); ++r)
                rows << gains->model()->index(r, 0).data().toString() + u' '
                            + gains->model()->index(r, 7).data().toString();
            return w.findChild<QComboBox *>(QStringLiteral("cmbYear"))->currentText() + ": " + rows.join(", ")
                   + "; " + w.findChild<QLabel *>(QStringLiteral("gainTotals"))->text().simplified();
        };
        QCOMPARE(seen(), "2024: 6/1/2024 $1,000.00, 8/15/2024 ($30.01); Short-term gain: ($30.01) Long-term "
                         "gain: $1,000.00 Total gain: $969.99");

        const auto pressDelete = [&](int row, Answer answer) {
            gains->setFocus();
            gains->selectRow(row);
            dialogs.answerNext(answer);
            QTest::keyClick(gains, Qt::Key_Delete);
            return dialogs.takeTexts().join(" / ");
        };
        QCOMPARE(pressDelete(1, Answer::Yes),
                 "Undo the sale of 10 shares of WDG on 8/15/2024? The shares and their cost, $120.01, go back into "
                 "lot 103. / Lot 103 changed since this sale.");
        QCOMPARE(pressDelete(0, Answer::No).isEmpty(), false);
        QCOMPARE(sales.size(), std::size_t(3));
        pressDelete(0, Answer::Yes);
        QCOMPARE(seen(), "2024: 8/15/2024 ($30.01); Short-term gain: ($30.01) Long-term gain: $0.00 Total gain: "
                         "($30.01)");

        QVERIFY2(dialogs.faults().isEmpty(), qPrintable(dialogs.faults().join("; ")));
    }
};

QTEST_MAIN(GainsTest)
#include "tst_gains.moc"

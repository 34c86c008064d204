// The export writers on lots: the text file byte for byte, and against an
// independent reading of what the lists show; the spreadsheet and document
// writers when any one of their office operations fails. (The office files
// themselves are read back by independent readers.)
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/TextExport.h"
#include "support/LedgerFolder.h"
#include "support/RandomLots.h"
#include "support/RecordingOffice.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QBuffer>
#include <QtTest>

using namespace tesmo;
using namespace tesmo::test;

namespace {

// A lot as a test gives it; an amount given as a text is held as that text.
struct Lot {
    std::string name, ticker;
    double shares;
    std::optional<Ticks> price, net;
    QDate date;
    bool boxAmounts = false;
    const char *netText = nullptr;
};

void fill(LotTable &table, const std::vector<Lot> &lots)
{
    for (const Lot &l : lots) {
        LotRow r;
        r.id = LotId(table.size() + 1);
        r.name = l.name;
        r.ticker = l.ticker;
        r.numShares = l.shares;
        r.price = l.price;
        r.netAmount = l.net;
        r.tradeDay = std::int32_t(l.date.toJulianDay());
        r.boxAmounts = l.boxAmounts;
        if (l.netText)
            r.holdAsText(kNetAmount, l.netText);
        table.append(r);
    }
}

const Lot kPlain{"Acme Corporation Holdings", "ACME", 100, 125000, 12500000, QDate(2003, 1, 15)};
// Written from the boxes: its amounts as they show them.
const Lot kShort{"Short", "O'NEIL", 7, 5000, {}, QDate(2010, 2, 1), true};

// The text file as the lists' texts give it, read independently of the writer.
QByteArray expectedTextFile(const LotTable &lots)
{
    const int widths[] = {16, 5, 16, 11, 18, 0};
    QString file = QStringLiteral("Name/Description | Ticker | Number of Shares | Price/Share | Net Amount (Tesmo) | "
                                  "Trade Date\r\n")
                   + QString(104, u'_') + QStringLiteral("\r\n");
    for (std::size_t row = 0; row < lots.size(); ++row) {
        const FieldTexts t = lots.texts(row);
        QStringList fields{t[kName1], t[kTicker], t[kNumShares], t[kPrice], t[kNetAmount], t[kTradeDate]};
        for (int f : {3, 4}) {
            if (!fields[f].isEmpty())
                fields[f] = regional::regionalCurrencyText(*regional::readAmount(fields[f]), f == 3 ? 4 : 2);
        }
        for (int f = 0; f < 6; ++f) {
            for (QChar &c : fields[f])
                c = isControlCharacter(c) ? u' ' : c;
            fields[f] += QString(std::max<qsizetype>(0, widths[f] - characterCount(fields[f])), u' ');
        }
        file += fields.join(QStringLiteral(" | ")) + QStringLiteral("\r\n");
    }
    return file.toUtf8();
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void textFileByteForByte()
    {
        QCOMPARE(textExportFileName(QDate(2026, 12, 5)), QStringLiteral("Tesmo_12_5_2026.txt"));
        LotTable lots;
        fill(lots, {kPlain,
                    {"Zo\xc3\xab \xe6\xa0\xaa\xe5\xbc\x8f\xe4\xbc\x9a\xe7\xa4\xbe \xf0\x9d\x84\x9e", "ABCDE",
                     33.3333333333333, {}, 12345000, QDate(1999, 12, 31), true},
                    kShort,
                    {"Negative", "NEG", -2.5, 12345000, -50000, QDate(2005, 3, 4), true},
                    {"Two\r\nT | 1 | lines", "C\tD\xc2\x85", 1, {}, {}, QDate(2005, 3, 4)},
                    {"Bad \xff name", "B", 1, {}, {}, QDate(2005, 3, 4), false, "12.5"}});
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        writeTextExport(lots, out);
        const QByteArray expected =
            "Name/Description | Ticker | Number of Shares | Price/Share | Net Amount (Tesmo) | Trade Date\r\n"
            + QByteArray(104, '_') + "\r\n"
            "Acme Corporation Holdings | ACME  | 100              | $12.5000    | $1,250.00          | 1/15/2003\r\n"
            + QStringLiteral("Zoë 株式会社 𝄞       | ABCDE | 33.3333333333333 |             | $1,234.50          | "
                             "12/31/1999\r\n").toUtf8()
            + "Short            | O'NEIL | 7                | $0.5000     |                    | 2/1/2010\r\n"
              "Negative         | NEG   | -2.5             | $1,234.5000 | ($5.00)            | 3/4/2005\r\n"
              "Two  T | 1 | lines | C D   | 1                |             |                    | 3/4/2005\r\n"
            + QStringLiteral("Bad \ufffd name       | B     | 1                |             | $12.50             | "
                             "3/4/2005\r\n").toUtf8();
        QCOMPARE(out.data(), expected);
        QCOMPARE(out.data(), expectedTextFile(lots));

        // An amount held as a text that reads as no amount ends the file
        // after the lines before it.
        LotTable bad;
        fill(bad, {kPlain, {"Bad", "BAD", 1, {}, {}, QDate(2003, 1, 1), false, "12.5.1"}, kShort});
        QBuffer partial;
        partial.open(QIODevice::WriteOnly);
        QCOMPARE(errorOf([&] { writeTextExport(bad, partial); }), int(kErrTypeMismatch));
        QCOMPARE(partial.data().count("\r\n"), 3);
    }

    // Lots of every kind the lists hold: the file says what the lists show.
    void theTextFileSaysWhatTheListsShow()
    {
        QRandomGenerator random(20030115);
        LotTable lots;
        randomLots(random, 3000, lots);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        writeTextExport(lots, out);
        const QList<QByteArray> a = out.data().split('\n'), b = expectedTextFile(lots).split('\n');
        QCOMPARE(a.size(), 3003);
        for (qsizetype i = 0; i < a.size(); ++i)
            QVERIFY2(a[i] == b[i], qPrintable(QStringLiteral("line %1: '%2' against '%3'")
                                                  .arg(i).arg(QString::fromUtf8(a[i]), QString::fromUtf8(b[i]))));
    }

    // Whichever operation fails, the writer stops there, releases the
    // application it holds, and raises the failure.
    void aFailureAtAnyStepEndsTheWriter()
    {
        LotTable lots;
        fill(lots, {kPlain, kShort});
        for (const auto writer : {&exportSpreadsheet, &exportDocument}) {
            RecordingOffice office;
            writer(lots, office, nullptr);
            const QStringList all = office.calls;
            for (int n = 0; n < all.size() - 1; ++n) {
                RecordingOffice failing;
                failing.failAt = n;
                QCOMPARE(errorOf([&] { writer(lots, failing, nullptr); }), int(kErrCannotStart));
                QStringList expected = all.mid(0, n) << all[n] + " failed";
                if (n > 0)
                    expected << "release";
                QCOMPARE(failing.calls, expected);
            }
        }

        LotTable bad;
        fill(bad, {kPlain, {"Bad", "BAD", 1, 10000, {}, QDate(2003, 1, 1), false, "12,5.0.0"}});
        RecordingOffice office;
        QCOMPARE(errorOf([&] { exportDocument(bad, office); }), int(kErrTypeMismatch));
        QCOMPARE(office.calls.mid(office.calls.size() - 2), QStringList({"Selection.TypeText \"1/15/2003\"", "release"}));
    }
};

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"

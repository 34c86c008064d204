// The export writers: the text file byte for byte and against an independent
// reading of the lists; the office writers when any step fails, the disk fills
// up or the user cancels: a whole file handed to the desktop, or nothing left.
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/TextExport.h"
#include "platform/office/OfficeFiles.h"
#include "platform/office/PackingProcess.h"
#include "support/FileSizeLimit.h"
#include "support/LedgerFolder.h"
#include "support/RandomLots.h"
#include "support/RecordingOffice.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QBuffer>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <zip.h>

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

// Lots as a list shows them: name, ticker, date, ID, shares, price, net.
std::unique_ptr<LotTable> companies(int lots)
{
    auto list = std::make_unique<LotTable>();
    for (int i = 1; i <= lots; ++i)
        appendShown(*list, {QStringLiteral("Company number %1").arg(i), QStringLiteral("T%1").arg(i),
                            QStringLiteral("%1/%2/2003").arg(i % 12 + 1).arg(i % 28 + 1), QString::number(i),
                            QString::number(i * 10), QStringLiteral("%1.25").arg(i),
                            QStringLiteral("$%1.50").arg(i * 1000)});
    return list;
}

// The parts of a zip file but the one holding its time, read and checksummed by
// libzip; empty when it does not read back whole.
QMap<QString, QByteArray> zipParts(const QString &file)
{
    QMap<QString, QByteArray> parts;
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    for (zip_int64_t i = 0; zip && i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t stat;
        zip_file_t *part = zip_stat_index(zip, zip_uint64_t(i), 0, &stat) == 0 ? zip_fopen_index(zip, zip_uint64_t(i), 0)
                                                                                : nullptr;
        QByteArray bytes(qsizetype(part ? stat.size + 1 : 0), '\0');   // one more: the read meets the end and its check
        const bool whole = part && zip_fread(part, bytes.data(), zip_uint64_t(bytes.size())) == zip_int64_t(stat.size);
        if (part)
            zip_fclose(part);
        if (!whole) {
            parts.clear();
            break;
        }
        bytes.chop(1);
        parts.insert(QString::fromUtf8(stat.name), bytes);
    }
    if (zip)
        zip_discard(zip);
    parts.remove(QStringLiteral("docProps/core.xml"));
    return parts;
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

    using Writer = void (*)(const LotTable &, Office &, Progress *);
    const Writer writers[2] = {&exportSpreadsheet, &exportDocument};
    QTemporaryDir temp;
    const std::unique_ptr<LotTable> list = companies(3000);

    // What the writers left in the temporary folder, which is emptied.
    QStringList takeLeft()
    {
        const QStringList left = QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        if (!QDir(temp.path()).removeRecursively() || !QDir().mkpath(temp.path()))
            qFatal("cannot empty %s", qPrintable(temp.path()));
        return left;
    }

private slots:
    void initTestCase()
    {
        qputenv("TMPDIR", temp.path().toUtf8());
        office::setPackingProgram(TESMO_PROGRAM);
    }

    // Under limits from far below the files' sizes to above them: each
    // export fails with nothing handed over and its folder gone, or hands
    // over a file whose every part reads back as without a limit.
    void aFullDiskFailsTheExportAndLeavesNothing()
    {
        for (const Writer writer : writers) {
            ScriptedDialogs dialogs;
            const auto progress = dialogs.progress(QStringLiteral("Writing"), 1000);
            RecordingShell shell;
            bool finishedFirst = false;
            shell.whenCalled = [&] { finishedFirst = dialogs.progresses.front().finished; };
            office::OfficeFiles office(shell);
            writer(*list, office, progress.get());
            QVERIFY(finishedFirst);   // no Cancel is up that would do nothing
            QCOMPARE(shell.calls.size(), 1);
            const auto whole = zipParts(shell.calls[0].section(u' ', 1));
            QVERIFY(!whole.isEmpty());
            takeLeft();

            int failures = 0;
            for (double limit = 16384;; limit *= 1.3) {
                RecordingShell limited;
                office::OfficeFiles office(limited);
                bool exported;
                {
                    const FileSizeLimit full{rlim_t(limit)};
                    exported = errorOf([&] { writer(*list, office, nullptr); }) == 0;
                }
                if (exported) {
                    QCOMPARE(limited.calls.size(), 1);
                    QVERIFY(zipParts(limited.calls[0].section(u' ', 1)) == whole);
                    QCOMPARE(takeLeft().size(), 1);
                    break;
                }
                QCOMPARE(limited.calls, QStringList());
                QCOMPARE(takeLeft(), QStringList());
                ++failures;
            }
            QVERIFY(failures > 3);
        }
    }

    // A cancel while the rows are typed or written, while the workbook is
    // packed, or once it is: nothing handed over, the private folder gone. A
    // packing held for good (into a pipe no one reads) ends at the cancel.
    void aCancelledExportLeavesNoFile()
    {
        struct HeldPacking : Progress {
            Progress *whole;
            QString temp;
            bool advance(qint64 done) override
            {
                for (const QString &folder : QDir(temp).entryList({"Tesmo-*"}, QDir::Dirs))
                    ::mkfifo(QFile::encodeName(temp + '/' + folder + "/Stocks.xlsx").constData(), 0600);
                return whole->advance(done);
            }
        };
        for (const Writer writer : writers) {
            for (const qint64 cancelAt : {200, 700, 750, 900}) {
                ScriptedDialogs dialogs;
                dialogs.cancelAt = cancelAt;
                const auto whole = dialogs.progress(QStringLiteral("Writing"), 1000);
                HeldPacking held;
                held.whole = whole.get();
                held.temp = temp.path();
                RecordingShell shell;
                office::OfficeFiles office(shell);
                QCOMPARE(errorOf([&] { writer(*list, office, cancelAt == 750 ? &held : whole.get()); }),
                         int(kErrUserCancelled));
                QCOMPARE(shell.calls, QStringList());
                QCOMPARE(takeLeft(), QStringList());
                QVERIFY(dialogs.progresses.front().done.last() >= cancelAt);
            }
        }
    }
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

        // An amount held as a text that reads as no amount ends the file there.
        LotTable bad;
        fill(bad, {kPlain, {"Bad", "BAD", 1, {}, {}, QDate(2003, 1, 1), false, "12.5.1"}, kShort});
        QBuffer partial;
        partial.open(QIODevice::WriteOnly);
        QCOMPARE(errorOf([&] { writeTextExport(bad, partial); }), int(kErrTypeMismatch));
        QCOMPARE(partial.data().count("\r\n"), 3);

        // Lots of every kind the lists hold, and those above: the file says what the lists show.
        QRandomGenerator random(20030115);
        randomLots(random, 20000, lots);   // several stretches of lines
        QBuffer all;
        all.open(QIODevice::WriteOnly);
        writeTextExport(lots, all);
        const QList<QByteArray> a = all.data().split('\n'), b = expectedTextFile(lots).split('\n');
        QCOMPARE(a.size(), 20009);
        for (qsizetype i = 0; i < a.size(); ++i)
            QVERIFY2(a[i] == b[i], qPrintable(QStringLiteral("line %1: '%2' against '%3'")
                                                  .arg(i).arg(QString::fromUtf8(a[i]), QString::fromUtf8(b[i]))));
    }

    // Whichever operation fails, the writer stops, releases the application and raises it.
    void aFailureAtAnyStepEndsTheWriter()
    {
        LotTable lots;
        fill(lots, {kPlain, kShort});
        for (const Writer writer : writers) {
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

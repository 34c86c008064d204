// Measures the import of brokers' files through the main window: files of
// 1,000, 10,000 and 100,000 rows in one broker's layout, then a file of
// 682,910 rows and about 50 MB in another's. For each: from Ctrl+I to the
// preview shown (reading the file and the ledger's lots, detecting, the rows'
// statuses, the dialog), and from Import to the last lot current (the copy of
// the ledger, the one transaction, the rows appended to the list), the peak
// memory of each, and the longest time the progress bar of the writing stood
// still. Prints figures; asserts nothing.
//
//   import_lots [LEDGER_LOTS] [--small | --large]
//
// LEDGER_LOTS: 10000 unless given; --small: without the 50 MB file; --large:
// that file alone. Everything is made in a temporary folder.
#include "BenchLedger.h"
#include "mainwin/frmStocks.h"
#include "platform/DesktopShell.h"
#include "platform/office/OfficeFiles.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <cstring>

namespace {

using bench::millis;
using bench::peakMegabytes;
using bench::resetPeak;

// A decimal number of cents as dollars: 123456 -> "1234.56", or with
// thousands separators "1,234.56".
QByteArray dollars(qint64 cents, bool grouped = false)
{
    QByteArray whole = QByteArray::number(cents / 100);
    if (grouped) {
        for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
            whole.insert(at, ',');
    }
    return whole + '.' + QByteArray::number(cents % 100).rightJustified(2, '0');
}

// A broker's activity file of rows rows: a preamble, purchases with quoted
// descriptions and negative amounts, a dividend now and then, the ledger's
// own lots now and then, and a trailer.
QByteArray activityFile(int rows)
{
    QByteArray text = "\xEF\xBB\xBF" "Brokerage Account Activity\r\nAccount,Individual X12345678\r\n\r\n"
                      "Run Date,Action,Symbol,Security Description,Security Type,Quantity,Price ($),"
                      "Commission ($),Fees ($),Amount ($),Settlement Date\r\n";
    for (int i = 1; i <= rows; ++i) {
        const QDate day = QDate(2000, 1, 1).addDays(i % 7000);
        const QByteArray date = day.toString(QStringLiteral("MM/dd/yyyy")).toLatin1();
        if (i % 20 == 0) {
            text += date + ",DIVIDEND RECEIVED COMPANY (T" + QByteArray::number(i % 1000) + ") (Cash),T"
                    + QByteArray::number(i % 1000) + ",COMPANY,Cash,0.000,,,,12.50,\r\n";
            continue;
        }
        const int shares = i % 500 + 1;
        const int cents = 100 + (i % 9000);
        text += date + ",\"YOU BOUGHT COMPANY NUMBER " + QByteArray::number(i) + ", INC (Cash)\",T"
                + QByteArray::number(i % 1000) + ",\"COMPANY NUMBER " + QByteArray::number(i) + ", INC\",Cash,"
                + QByteArray::number(shares) + "," + dollars(cents) + ",0,0,-" + dollars(qint64(shares) * cents)
                + "," + date + "\r\n";
    }
    text += "\r\n\"The data and information in this spreadsheet is provided to you solely for your use.\"\r\n";
    return text;
}

// A broker's transactions file, every field quoted: a title line, buys,
// reinvested dividends (with fees), the dividends themselves, sales, a lot of
// the ledger now and then, and a total. No two rows are the same lot; 682,910
// rows make about 50 MB.
QByteArray transactionsFile(int rows)
{
    QByteArray text = "\"Transactions  for account XXXX-1234 as of 02/01/2024 20:41:16 ET\"\r\n"
                      "\"Date\",\"Action\",\"Symbol\",\"Description\",\"Quantity\",\"Price\",\"Fees & Comm\","
                      "\"Amount\"\r\n";
    text.reserve(qsizetype(rows) * 74);
    for (int i = 1; i <= rows; ++i) {
        // The day and the shares tell the rows apart; every 1000th row is a
        // lot of the ledger, as makeLedger made it.
        const int lot = i / 1000 + 1;
        const bool stored = i % 1000 == 500;
        const int day = stored ? lot % 7000 : i % 7000;
        const QByteArray date = QDate(2000, 1, 1).addDays(day).toString(QStringLiteral("MM/dd/yyyy")).toLatin1();
        const QByteArray ticker = "T" + QByteArray::number((stored ? lot : i) % 1000);
        const QByteArray name = "COMPANY " + QByteArray::number(i % 100000);
        const int shares = stored ? lot % 500 + 1 : (i / 7000) % 500 + 1;
        const int cents = stored ? lot % 9000 : 100 + (i % 9000);
        const qint64 cost = qint64(shares) * cents;
        const bool dividend = !stored && i % 25 == 0;
        QByteArray action = "Buy", fees, amount = "-$" + dollars(stored ? qint64(lot) * 325 : cost, true);
        if (stored) {
            // bought as the ledger holds it
        } else if (dividend) {
            action = "Qualified Dividend";
            amount = "$" + dollars(cents);
        } else if (i % 25 == 7) {
            action = "Sell";
            amount = "$" + dollars(cost, true);
        } else if (i % 10 == 3) {
            action = "Reinvest Shares";
            fees = "$0.65";
            amount = "-$" + dollars(cost + 65, true);
        }
        text += "\"" + date + "\",\"" + action + "\",\"" + ticker + "\",\"" + name + "\",\""
                + (dividend ? QByteArray() : QByteArray::number(shares)) + "\",\""
                + (dividend ? QByteArray() : "$" + dollars(cents)) + "\",\"" + fees + "\",\"" + amount
                + "\"\r\n";
    }
    text += "\"Transactions Total\",\"\",\"\",\"\",\"\",\"\",\"\",\"-$1,234,567.89\"\r\n";
    return text;
}

// The progress of the work as the dialog would get it, timed: the longest
// time the bar stood still, and where.
class TimedDialogs : public bench::SilentDialogs {
public:
    struct Stall {
        double ms = 0;
        double atPercent = 0;
        QString label;
    };
    std::unique_ptr<tesmo::Progress> makeProgress(const QString &label, qint64 total, int) override
    {
        struct Timed : tesmo::Progress {
            Timed(TimedDialogs &owner, QString label, qint64 total)
                : owner_(owner)
                , label_(std::move(label))
                , total_(std::max<qint64>(total, 1))
            {
                clock_.start();
            }
            ~Timed() override { note(); }
            bool advance(qint64 done) override
            {
                if (done != done_) {
                    note();
                    done_ = done;
                    clock_.restart();
                }
                return true;
            }
            void note()
            {
                const double ms = double(clock_.nsecsElapsed()) / 1e6;
                if (ms > owner_.stall.ms)
                    owner_.stall = {ms, 100.0 * double(done_) / double(total_), label_};
            }
            TimedDialogs &owner_;
            QString label_;
            qint64 total_, done_ = 0;
            QElapsedTimer clock_;
        };
        return std::make_unique<Timed>(*this, label, total);
    }
    Stall stall;
};

struct Run {
    double preview = -1, import = -1;
    long previewPeak = -1, importPeak = -1;
    TimedDialogs::Stall stall;
};

Run importFile(const QString &path, int ledgerLots)
{
    QTemporaryDir dir;
    bench::makeLedger(dir, ledgerLots);
    TimedDialogs dialogs;
    dialogs.file = path;
    tesmo::DesktopShell shell;
    tesmo::office::OfficeFiles office(shell);
    tesmo::frmStocks window(tesmo::Platform{dialogs, shell, office});
    window.open();
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        std::fprintf(stderr, "the window did not become active\n");
    QTest::qWait(50);   // the daily copy of the ledger

    Run run;
    resetPeak();
    QElapsedTimer clock;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<QDialog *>(w);
            if (d && d->isVisible() && d->objectName() == QLatin1String("ImportLots")) {
                poll.stop();
                QApplication::processEvents();   // the first rows painted
                run.preview = double(clock.nsecsElapsed()) / 1e6;
                run.previewPeak = peakMegabytes();
                dialogs.stall = {};
                clock.restart();
                d->findChild<QPushButton *>(QStringLiteral("import"))->click();
                return;
            }
        }
    });
    poll.start(0);
    clock.start();
    QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
    run.import = double(clock.nsecsElapsed()) / 1e6;
    run.importPeak = peakMegabytes();
    run.stall = dialogs.stall;
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int ledgerLots = 10000;
    bool small = true, large = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--small") == 0)
            large = false;
        else if (std::strcmp(argv[i], "--large") == 0)
            small = false;
        else
            ledgerLots = std::atoi(argv[i]);
    }
    std::printf("ledger of %d lots; goals at 100,000 rows: preview < 2000 ms, import < 3000 ms; "
                "at 50 MB: preview < 6000 ms, import < 8000 ms, under 400 MB\n",
                ledgerLots);
    std::printf("%8s %8s %14s %12s %16s %14s  %s\n", "rows", "file MB", "read+preview", "import", "peak MB (p, i)",
                "longest still", "(at, in)");
    struct Size {
        int rows;
        QByteArray (*make)(int);
    };
    std::vector<Size> sizes;
    if (small)
        sizes = {{1000, activityFile}, {10000, activityFile}, {100000, activityFile}};
    if (large)
        sizes.push_back({682910, transactionsFile});
    for (const Size &size : sizes) {
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("activity.csv"));
        {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(size.make(size.rows));
        }
        const Run r = importFile(path, ledgerLots);
        std::printf("%8d %8.1f %11.0f ms %9.0f ms %7ld, %6ld %11.0f ms  (%.0f%%, %s)\n", size.rows,
                    double(QFileInfo(path).size()) / 1e6, r.preview, r.import, r.previewPeak, r.importPeak, r.stall.ms,
                    r.stall.atPercent, qPrintable(r.stall.label));
        std::fflush(stdout);
    }
    return 0;
}

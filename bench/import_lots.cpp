// Measures the import of brokers' files of 1,000, 10,000 and 100,000 rows
// through the main window: from Ctrl+I to the preview shown (reading the
// file and the ledger's lots, detecting, the rows' statuses, the dialog),
// and from Import to the last lot current (the copy of the ledger, the one
// transaction, the rows appended to the list), with the peak memory of each.
// Prints figures; asserts nothing.
//
//   import_lots [LEDGER_LOTS]     (default 10000; everything in a temporary folder)
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

namespace {

using bench::millis;
using bench::peakMegabytes;
using bench::resetPeak;


// A broker's activity file of rows rows: a preamble, purchases with quoted
// descriptions and negative amounts, a dividend now and then, the ledger's
// own lots now and then, and a trailer.
void writeFile(const QString &path, int rows)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
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
                + QByteArray::number(shares) + "," + QByteArray::number(cents / 100) + "."
                + QByteArray::number(cents % 100).rightJustified(2, '0') + ",0,0,-"
                + QByteArray::number(qint64(shares) * cents / 100) + "."
                + QByteArray::number(qint64(shares) * cents % 100).rightJustified(2, '0') + "," + date + "\r\n";
    }
    text += "\r\n\"The data and information in this spreadsheet is provided to you solely for your use.\"\r\n";
    file.write(text);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ledgerLots = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::printf("ledger of %d lots; goals at 100,000 rows: preview < 2000 ms, import < 3000 ms\n", ledgerLots);
    std::printf("%8s %14s %12s %10s %14s\n", "rows", "read+preview", "import", "peak MB", "file MB");
    for (const int rows : {1000, 10000, 100000}) {
        QTemporaryDir dir;
        bench::makeLedger(dir, ledgerLots);
        const QString path = dir.filePath(QStringLiteral("activity.csv"));
        writeFile(path, rows);

        bench::SilentDialogs dialogs;
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

        resetPeak();
        QElapsedTimer clock;
        double preview = -1, import = -1;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *d = qobject_cast<QDialog *>(w);
                if (d && d->isVisible() && d->objectName() == QLatin1String("ImportLots")) {
                    poll.stop();
                    QApplication::processEvents();   // the first rows painted
                    preview = double(clock.nsecsElapsed()) / 1e6;
                    clock.restart();
                    d->findChild<QPushButton *>(QStringLiteral("import"))->click();
                    return;
                }
            }
        });
        poll.start(0);
        clock.start();
        QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
        import = double(clock.nsecsElapsed()) / 1e6;
        std::printf("%8d %11.0f ms %9.0f ms %10ld %14.1f\n", rows, preview, import, peakMegabytes(),
                    double(QFileInfo(path).size()) / 1e6);
        std::fflush(stdout);
    }
    return 0;
}

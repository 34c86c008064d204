// How soon an export answers a click on Cancel: for each kind of export of
// the master list, the whole export's time, then a Cancel pressed at several
// moments of it, each with the time from the click to the click taken, to
// "Cancelling ..." painted, and to the progress dialog gone with the export
// ended. The click is posted from a thread of its own at its moment, as the
// window system posts a user's click. Prints figures; asserts nothing.
//
//   cancel_export [LOTS [MS...]]     (default 1000000 lots; MS: the moments
//                                     after Export!, for every kind)
#include "BenchLedger.h"
#include "mainwin/frmStocks.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start, Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(t - start).count();
}

// The first paint of the dialog's label once it says "Cancelling ...".
struct PaintWatch : QObject {
    QLabel *label = nullptr;
    Clock::time_point painted{};
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == label && e->type() == QEvent::Paint && painted == Clock::time_point{}
            && label->text().startsWith(QLatin1String("Cancelling")))
            painted = Clock::now();
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lots = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QList<int> moments;
    for (int i = 2; i < argc; ++i)
        moments << std::atoi(argv[i]);
    QTemporaryDir folder;
    bench::makeLedger(folder, lots);
    bench::ExportPlatform exports;
    const QTemporaryDir &out = exports.out;
    bench::QuietShell &shell = exports.shell;
    tesmo::frmStocks window(exports.platform());
    window.open();
    window.show();
    QApplication::processEvents();
    auto *combo = window.findChild<QComboBox *>(QStringLiteral("cmbExport"));
    auto *exportButton = window.findChild<QPushButton *>(QStringLiteral("cmdExport"));
    window.findChild<QRadioButton *>(QStringLiteral("OptionAll"))->setChecked(true);

    std::printf("%d lots; times in ms after the click on Cancel\n", lots);
    std::printf("%-14s %9s %9s %8s %13s %8s  %s\n", "export", "cancel at", "progress", "taken", "'Cancelling'",
                "closed", "left behind");
    for (const char *kind : {"Spreadsheet", "Word Document", "Text File"}) {
        combo->setEditText(QString::fromLatin1(kind));
        // The whole export first, then Cancel at moments spread over it.
        Clock::time_point start = Clock::now();
        exportButton->click();
        const double whole = msSince(start, Clock::now());
        std::printf("%-14s %9s %9s %8s %13s %8s  (whole export %.0f ms)\n", kind, "-", "-", "-", "-", "-", whole);
        std::fflush(stdout);
        // The dialog, and with it Cancel, comes after a second.
        QList<int> at = moments;
        if (at.isEmpty() && whole > 1200) {
            for (const double share : {0.05, 0.25, 0.5, 0.75, 0.95})
                at << int(1000 + (whole - 1000) * share);
        }
        for (const int ms : at) {
            QDir(out.path()).removeRecursively();
            QDir().mkpath(out.path());
            shell.opened.clear();
            Clock::time_point clicked{}, took{};
            int percent = -1;
            PaintWatch watch;
            start = Clock::now();
            std::thread user([&] {
                std::this_thread::sleep_until(start + std::chrono::milliseconds(ms));
                clicked = Clock::now();
                QMetaObject::invokeMethod(
                    &app,
                    [&] {
                        took = Clock::now();
                        for (QWidget *w : QApplication::topLevelWidgets()) {
                            auto *dialog = qobject_cast<QProgressDialog *>(w);
                            if (!dialog || !dialog->isVisible())
                                continue;
                            percent = dialog->value() / 10;
                            watch.label = dialog->findChild<QLabel *>();
                            watch.label->installEventFilter(&watch);
                            dialog->findChild<QPushButton *>()->click();
                        }
                    },
                    Qt::QueuedConnection);
            });
            exportButton->click();
            const Clock::time_point closed = Clock::now();
            user.join();
            QApplication::processEvents();   // a click that came after the end
            const QStringList left = QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
            if (percent < 0) {
                std::printf("%-14s %9d %9s   (the export had ended, %.0f ms)\n", kind, ms, "-", msSince(start, closed));
            } else {
                std::printf("%-14s %9d %8d%% %8.1f %13.1f %8.1f  %s%s\n", kind, ms, percent, msSince(clicked, took),
                            watch.painted == Clock::time_point{} ? -1.0 : msSince(clicked, watch.painted),
                            msSince(clicked, closed), left.isEmpty() ? "nothing" : qPrintable(left.join(' ')),
                            shell.opened.isEmpty() ? "" : ", handed over!");
            }
            std::fflush(stdout);
        }
    }
    return 0;
}

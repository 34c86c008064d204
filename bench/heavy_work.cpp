// Tesmo's heavy work beside its floors: for ledgers of several sizes, the
// time from the start of opening to the painted main window, and from the
// click on Export! to the closed, complete text file, workbook and document,
// each beside the same work written directly in C against the same libraries
// (the floors' own `run` script, run in the same invocation), with the peak
// resident memory before and after. Then the same lots imported from a
// broker's file into an empty ledger, and the three exports right after the
// import and again after a restart on the ledger the import made. Prints
// figures; asserts nothing.
//
//   heavy_work [--floors DIR] [--tasks LIST] [LOTS...]
//
// (default 10000 100000 1000000 lots; LIST: the exports to run, such as
// "text" or "text,docx", and "import" for the part after an import; all by
// default.)
//
// Each run goes in a child process of its own ("heavy_work --child FOLDER
// [TASKS [CSV]]"), so that every opening starts from a fresh process and its
// memory is its own.
#include "BenchLedger.h"
#include "mainwin/frmStocks.h"
#include "store/Backup.h"
#include "text/Regional.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::millis;
using bench::peakMegabytes;
using bench::resetPeak;

// A broker's file of lots purchases, one a line, each read one way only and
// none held back: distinct shares, and a net amount of shares times price.
void writeBrokerFile(const QString &path, int lots)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray text = "Trade Date,Symbol,Quantity,Price,Amount,Description\r\n";
    for (int i = 1; i <= lots; ++i) {
        const QDate day = QDate(2000, 1, 1).addDays(i % 7000);
        const qint64 cents = 100 + i % 9000;
        const qint64 net = cents * i;
        text += QByteArray::number(day.month()) + '/' + QByteArray::number(day.day()) + '/'
                + QByteArray::number(day.year()) + ",T" + QByteArray::number(i % 1000) + ',' + QByteArray::number(i)
                + ',' + QByteArray::number(cents / 100) + '.' + QByteArray::number(cents % 100).rightJustified(2, '0')
                + ',' + QByteArray::number(net / 100) + '.' + QByteArray::number(net % 100).rightJustified(2, '0')
                + ",Company number " + QByteArray::number(i) + "\r\n";
        if (text.size() > (1 << 20)) {
            file.write(text);
            text.clear();
        }
    }
    file.write(text);
}

// Imports the broker's file at csv through Ctrl+I and the preview's Import.
void importFile(tesmo::frmStocks &window, bench::SilentDialogs &dialogs, const QString &csv)
{
    dialogs.file = csv;
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        std::fprintf(stderr, "the window did not become active\n");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog *preview = bench::shownDialog("ImportLots")) {
            poll.stop();
            preview->findChild<QPushButton *>(QStringLiteral("import"))->click();
        }
    });
    poll.start(0);
    QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
}

// The child: opens the ledger in the current folder, paints the window,
// imports the broker's file csv when given one, runs the three exports from
// Export!, and prints "TASK MS PEAK_BEFORE PEAK_AFTER" lines. The parent
// times the process start to the first line itself.
int child(int argc, char *argv[], const QString &folder, const QString &tasks, const QString &csv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir::setCurrent(folder);
    bench::ExportPlatform exports;
    bench::QuietShell &shell = exports.shell;

    const long beforeOpen = peakMegabytes();
    std::unique_ptr<tesmo::frmStocks> window;
    const double open = millis([&] {
        window = std::make_unique<tesmo::frmStocks>(exports.platform());
        window->open();
        window->show();
        QWidget *list = window->findChild<QAbstractItemView *>(QStringLiteral("ListView1"))->viewport();
        // Painted: the list's rows drawn into the window's backing store.
        bool painted = false;
        struct Watch : QObject {
            bool *painted;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    *painted = true;
                return false;
            }
        } watch;
        watch.painted = &painted;
        list->installEventFilter(&watch);
        while (!painted)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        list->removeEventFilter(&watch);
    });
    std::printf("open %.1f %ld %ld %.1f\n", open, beforeOpen, peakMegabytes(), double(sinceStart.elapsed()));
    std::fflush(stdout);
    if (!csv.isEmpty()) {
        const long before = peakMegabytes();
        const double ms = millis([&] { importFile(*window, exports.dialogs, csv); });
        std::printf("import %.1f %ld %ld\n", ms, before, peakMegabytes());
        std::fflush(stdout);
    }

    auto *combo = window->findChild<QComboBox *>(QStringLiteral("cmbExport"));
    auto *exportButton = window->findChild<QPushButton *>(QStringLiteral("cmdExport"));
    window->findChild<QRadioButton *>(QStringLiteral("OptionAll"))->setChecked(true);
    for (const auto &[task, kind] : {std::pair{"text", "Text File"}, std::pair{"xlsx", "Spreadsheet"},
                                     std::pair{"docx", "Word Document"}}) {
        if (!tasks.isEmpty() && !tasks.contains(QLatin1String(task)))
            continue;
        combo->setEditText(QString::fromLatin1(kind));
        shell.opened.clear();
        QApplication::processEvents();
        resetPeak();
        const long before = peakMegabytes();
        const double ms = millis([&] { exportButton->click(); });
        const long after = peakMegabytes();
        // The workbook is written by a process of its own: its peak, which
        // counts the pages it shares with this one, is told beside.
        rusage children{};
        getrusage(RUSAGE_CHILDREN, &children);
        std::printf("%s %.1f %ld %ld %.1f %ld\n", task, ms, before, after,
                    double(QFileInfo(shell.opened).size()) / 1e6, children.ru_maxrss / 1024);
        std::fflush(stdout);
    }
    return 0;
}

// Runs a child on folder with the arguments after it; its output, and in
// firstLine the milliseconds from its start to its first line.
QByteArray runChild(const QString &folder, const QStringList &arguments, double *firstLine = nullptr)
{
    QProcess work;
    work.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer sinceStart;
    sinceStart.start();
    work.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child"), folder} + arguments);
    QByteArray output;
    while (work.state() != QProcess::NotRunning || work.bytesAvailable() > 0) {
        work.waitForReadyRead(100);
        output += work.readAllStandardOutput();
        if (firstLine && *firstLine < 0 && output.contains('\n'))
            *firstLine = double(sinceStart.elapsed());
    }
    return output + work.readAllStandardOutput();
}

// The table's rows for a child's output lines; when says after what the
// exports ran.
void printLines(int lots, const QMap<QString, double> &floor, const QByteArray &output, double firstLine,
                const QString &when)
{
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 4)
            continue;
        const QString task = QString::fromLatin1(f[0]);
        const QString floorTask = task == QLatin1String("open") ? QStringLiteral("read") : task;
        const double ms = f[1].toDouble();
        const double floorMs = floor.value(floorTask, 0);
        const QString other = task == QLatin1String("open")
                                  ? QStringLiteral("%1 ms from the process start to the painted window")
                                        .arg(firstLine, 0, 'f', 0)
                              : task == QLatin1String("import")
                                  ? QStringLiteral("from Ctrl+I to the last lot current")
                                  : QStringLiteral("file %1 MB").arg(f.value(4).toDouble(), 0, 'f', 1)
                                        + (task == QLatin1String("xlsx")
                                               ? QStringLiteral("; its writing process's peak %1 MB")
                                                     .arg(f.value(5).toLong())
                                               : QString());
        // A child that imports opens an empty ledger first: not a figure.
        if (task == QLatin1String("open") && firstLine < 0)
            continue;
        const QByteArray label = (task == QLatin1String("open") || task == QLatin1String("import") ? task : task + when)
                                     .toLatin1();
        std::printf("%9d  %-15s %10.0f %10.0f %6.2fx   %4ld -> %4ld MB (+%ld), %s\n", lots, label.constData(), ms,
                    floorMs, floorMs > 0 ? ms / floorMs : 0.0, f[2].toLong(), f[3].toLong(),
                    f[3].toLong() - f[2].toLong(), qPrintable(other));
    }
    std::fflush(stdout);
}

void printChild(int lots, const QMap<QString, double> &floor, const QString &folder, const QStringList &arguments,
                const QString &when)
{
    double firstLine = -1;
    const QByteArray output = runChild(folder, arguments, &firstLine);
    printLines(lots, floor, output, firstLine, when);
}

} // namespace

int main(int argc, char *argv[])
{
    // The child alone, for profiling: heavy_work --child FOLDER [TASKS [CSV]],
    // TASKS such as "text,docx" (empty for all), CSV a broker's file to import
    // first.
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QString::fromLocal8Bit(argv[2]), argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString(),
                     argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString());

    QCoreApplication app(argc, argv);
    QString floors = QStringLiteral(TESMO_FLOORS_DIR);
    QString tasks;
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--floors" && i + 1 < argc)
            floors = QString::fromLocal8Bit(argv[++i]);
        else if (QByteArray(argv[i]) == "--tasks" && i + 1 < argc)
            tasks = QString::fromLocal8Bit(argv[++i]);
        else
            sizes << std::atoi(argv[i]);
    }
    const bool imports = tasks.isEmpty() || tasks.contains(QLatin1String("import"));
    if (sizes.isEmpty())
        sizes = {10000, 100000, 1000000};
    if (!QFileInfo(QDir(floors).filePath(QStringLiteral("run"))).isExecutable()) {
        std::fprintf(stderr, "no floors at %s (give --floors DIR)\n", qPrintable(floors));
        return 2;
    }

    std::printf("floors: %s\n", qPrintable(QFileInfo(floors).canonicalFilePath()));
    std::printf("%9s  %-15s %10s %10s %7s   %s\n", "lots", "task", "Tesmo ms", "floor ms", "ratio",
                "peak memory before -> after, other");
    for (const int lots : sizes) {
        // The ledger as made by another program, opened at a start; then the
        // same number of lots imported into an empty ledger, exported right
        // after the import and again after a restart.
        QTemporaryDir made, imported;
        bench::makeLedger(made, lots);
        QDir::setCurrent(imported.path());
        tesmo::Database(QStringLiteral("Tesmo.mdb"));   // a new, empty ledger
        const QString csv = imported.filePath(QStringLiteral("broker.csv"));
        if (imports)
            writeBrokerFile(csv, lots);
        for (const QTemporaryDir *folder : {&made, &imported}) {
            // Today's copy of the ledger is made: opening is measured as on
            // any start but the first of the day, which makes the copy after it.
            QDir(folder->path()).mkdir(QStringLiteral("Tesmo backups"));
            QFile(QDir(folder->path()).filePath(QStringLiteral("Tesmo backups/")
                                                + tesmo::backup::fileName(tesmo::backup::Kind::Daily,
                                                                          QDateTime::currentDateTime())))
                .open(QIODevice::WriteOnly);
        }
        QDir::setCurrent(QDir::tempPath());
        printChild(lots, bench::runFloors(floors, made.filePath(QStringLiteral("Tesmo.mdb"))), made.path(), {tasks},
                   {});
        if (!imports)
            continue;
        const QByteArray afterImport = runChild(imported.path(), {tasks, csv});
        const QMap<QString, double> floor = bench::runFloors(floors, imported.filePath(QStringLiteral("Tesmo.mdb")));
        printLines(lots, floor, afterImport, -1, QStringLiteral(" (import)"));
        printChild(lots, floor, imported.path(), {tasks}, QStringLiteral(" (restart)"));
    }
    return 0;
}

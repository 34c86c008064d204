// Tesmo's heavy work beside its floors: for ledgers of several sizes, the
// time from the start of opening to the painted main window, and from the
// click on Export! to the closed, complete text file, workbook and document,
// each beside the same work written directly in C against the same libraries
// (the floors' own `run` script, run in the same invocation), with the peak
// resident memory before and after. Prints figures; asserts nothing.
//
//   heavy_work [--floors DIR] [LOTS...]     (default 10000 100000 1000000)
//
// Each size runs in a child process of its own ("heavy_work --child FOLDER"),
// so that every opening starts from a fresh process and its memory is its own.
#include "BenchLedger.h"
#include "mainwin/frmStocks.h"
#include "store/Backup.h"
#include "text/Regional.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::millis;
using bench::peakMegabytes;
using bench::resetPeak;

// The child: opens the ledger in the current folder, paints the window, runs
// the three exports from Export!, and prints "TASK MS PEAK_BEFORE PEAK_AFTER"
// lines. The parent times the process start to the first line itself.
int child(int argc, char *argv[], const QString &folder, const QString &tasks)
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

// "read N SECONDS" lines of the floors' run script, in milliseconds by task.
QMap<QString, double> runFloors(const QString &floors, const QString &ledger)
{
    QTemporaryDir out;
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.start(QDir(floors).filePath(QStringLiteral("run")), {ledger, out.path()});
    run.waitForFinished(-1);
    QMap<QString, double> ms;
    for (const QByteArray &line : run.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 3)
            ms[QString::fromLatin1(f[0])] = f[2].toDouble() * 1000;
    }
    if (run.exitCode() != 0 || ms.size() != 4)
        std::fprintf(stderr, "the floors did not all run (exit %d)\n", run.exitCode());
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    // The child alone, for profiling: heavy_work --child FOLDER [TASKS], TASKS
    // such as "text,docx".
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QString::fromLocal8Bit(argv[2]), argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());

    QCoreApplication app(argc, argv);
    QString floors = QStringLiteral(TESMO_FLOORS_DIR);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--floors" && i + 1 < argc)
            floors = QString::fromLocal8Bit(argv[++i]);
        else
            sizes << std::atoi(argv[i]);
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000, 1000000};
    if (!QFileInfo(QDir(floors).filePath(QStringLiteral("run"))).isExecutable()) {
        std::fprintf(stderr, "no floors at %s (give --floors DIR)\n", qPrintable(floors));
        return 2;
    }

    std::printf("floors: %s\n", qPrintable(QFileInfo(floors).canonicalFilePath()));
    std::printf("%9s  %-5s %10s %10s %7s   %s\n", "lots", "task", "Tesmo ms", "floor ms", "ratio",
                "peak memory before -> after, other");
    for (const int lots : sizes) {
        QTemporaryDir folder;
        bench::makeLedger(folder, lots);
        // Today's copy of the ledger is made: opening is measured as on any
        // start but the first of the day, which makes the copy after it.
        QDir(folder.path()).mkdir(QStringLiteral("Tesmo backups"));
        QFile(QDir(folder.path()).filePath(QStringLiteral("Tesmo backups/")
                                           + tesmo::backup::fileName(tesmo::backup::Kind::Daily,
                                                                     QDateTime::currentDateTime())))
            .open(QIODevice::WriteOnly);
        QDir::setCurrent(QDir::tempPath());
        const QString ledger = folder.filePath(QStringLiteral("Tesmo.mdb"));
        const QMap<QString, double> floor = runFloors(floors, ledger);

        QProcess work;
        work.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer sinceStart;
        sinceStart.start();
        work.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), folder.path()});
        double firstLine = -1;
        QByteArray output;
        while (work.state() != QProcess::NotRunning || work.bytesAvailable() > 0) {
            work.waitForReadyRead(100);
            output += work.readAllStandardOutput();
            if (firstLine < 0 && output.contains('\n'))
                firstLine = double(sinceStart.elapsed());
        }
        output += work.readAllStandardOutput();
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
                                      : QStringLiteral("file %1 MB").arg(f.value(4).toDouble(), 0, 'f', 1)
                                            + (task == QLatin1String("xlsx")
                                                   ? QStringLiteral("; its writing process's peak %1 MB")
                                                         .arg(f.value(5).toLong())
                                                   : QString());
            std::printf("%9d  %-5s %10.0f %10.0f %6.2fx   %4ld -> %4ld MB (+%ld), %s\n", lots, f[0].constData(), ms,
                        floorMs, floorMs > 0 ? ms / floorMs : 0.0, f[2].toLong(), f[3].toLong(),
                        f[3].toLong() - f[2].toLong(), qPrintable(other));
        }
        std::fflush(stdout);
    }
    return 0;
}

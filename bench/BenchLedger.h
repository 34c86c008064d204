// What the benchmarks share: a large ledger made in a temporary folder that
// is the current folder, boxes that answer without a user, a desktop that
// starts nothing, timers, the peak memory and the floors' times.
#pragma once

#include "platform/Dialogs.h"
#include "platform/QtDialogs.h"
#include "platform/Platform.h"
#include "platform/Shell.h"
#include "platform/office/OfficeFiles.h"
#include "platform/office/PackingProcess.h"
#include "store/Database.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace bench {

class SilentDialogs : public tesmo::Dialogs {
public:
    Answer showMessage(const QString &text, Buttons buttons, Icon, const QString &) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    QString showInput(const QString &, const QString &, const QString &, std::optional<QPoint>, Echo, int) override
    {
        return QStringLiteral("T77");
    }
    void setWaitPointer(bool) override {}
    QString showOpenFile(const QString &, const QString &, const QString &) override { return file; }
    QString showSaveFile(const QString &, const QString &, const QString &, int *) override { return file; }
    QString file;   // the file every file dialog chooses
    std::unique_ptr<tesmo::Progress> makeProgress(const QString &, qint64, int) override
    {
        struct Silent : tesmo::Progress {
            bool advance(qint64) override { return true; }
        };
        return std::make_unique<Silent>();
    }
};

// Boxes answer without a user; progress is the real dialog's, so that its
// cost is counted and its Cancel can be pressed.
class ProgressDialogs : public SilentDialogs {
public:
    std::unique_ptr<tesmo::Progress> makeProgress(const QString &label, qint64 total, int showAfterMs) override
    {
        return real.progress(label, total, showAfterMs);
    }
    tesmo::QtDialogs real;
};

// A desktop that takes every file without starting anything.
class QuietShell : public tesmo::Shell {
public:
    int open(const QString &file) override
    {
        opened = file;
        return kOpened;
    }
    bool startViewer(const QString &file) override
    {
        opened = file;
        return true;
    }
    QString desktopFolder() const override { return folder; }
    QString folder;
    QString opened;
};

// Where the main window's exports go: a temporary folder as the desktop
// folder and as TMPDIR, boxes that answer by themselves beside the real
// progress dialog, office files handed to a desktop that starts nothing.
struct ExportPlatform {
    ExportPlatform()
    {
        qputenv("TMPDIR", out.path().toUtf8());
        shell.folder = out.path();
        tesmo::office::setPackingProgram(QStringLiteral(TESMO_PROGRAM));
    }
    tesmo::Platform platform() { return {dialogs, shell, office}; }
    QTemporaryDir out;
    ProgressDialogs dialogs;
    QuietShell shell;
    tesmo::office::OfficeFiles office{shell};
};

// The dialog of that object name that is shown now, if any.
inline QDialog *shownDialog(const char *objectName)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *d = qobject_cast<QDialog *>(w);
        if (d && d->isVisible() && d->objectName() == QLatin1String(objectName))
            return d;
    }
    return nullptr;
}

template <typename F>
double millis(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// VmHWM, the peak resident memory, in MB; resetPeak() starts a new peak.
inline long peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    }
    return -1;
}
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A Tesmo.mdb of lots lots in a fresh temporary folder, made the current
// folder: names "Company number i", 1000 tickers, prices below $90, one
// empty net amount. Returns the milliseconds it took.
inline double makeLedger(const QTemporaryDir &dir, int lots)
{
    QDir::setCurrent(dir.path());
    return millis([&] {
        tesmo::Database db(QStringLiteral("Tesmo.mdb"));
        db.exec(qPrintable(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
            "SELECT 'Company number ' || i, 'T' || (i % 1000), i % 500 + 1, (i % 9000) / 100.0, "
            "CASE WHEN i = %1 / 2 THEN NULL ELSE i * 3.25 END, date('2000-01-01', '+' || (i % 7000) || ' days') "
            "FROM n").arg(lots)));
    });
}

// The floors' run script on a ledger: its "read N SECONDS" lines, in
// milliseconds by task.
inline QMap<QString, double> runFloors(const QString &floors, const QString &ledger)
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

} // namespace bench

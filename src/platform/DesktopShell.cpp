#include "platform/DesktopShell.h"

#include "text/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QtConcurrentRun>
#include <memory>

namespace tesmo {

namespace {

// The desktop entry of the program associated with a kind of file; empty
// when there is none (or no way to ask).
QString associatedProgram(const QString &file)
{
    const QString mime = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

// How long the desktop's opener is waited for. It answers as soon as the
// program it starts is running; one that runs longer has become that program.
constexpr int kOpenerWaitMs = 3000;

// Hands file to xdg-open, as one argument. False when the opener could not
// be started or answered that it failed. Runs off the window's thread; an
// opener that runs on is handed to the application's thread, which reaps it
// once it ends.
bool handOver(const QString &file)
{
    auto opener = std::make_unique<QProcess>();
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({QFileInfo(file).absoluteFilePath()});
    // The program it starts may outlive Tesmo: it must not write into pipes
    // that end with Tesmo.
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    opener->start();
    if (!opener->waitForStarted(kOpenerWaitMs))
        return false;
    if (opener->waitForFinished(kOpenerWaitMs))
        return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    QCoreApplication *application = QCoreApplication::instance();
    QProcess *running = opener.release();
    running->moveToThread(application->thread());
    QMetaObject::invokeMethod(
        application,
        [application, running] {
            running->setParent(application);
            QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
            if (running->state() == QProcess::NotRunning)
                running->deleteLater();
        },
        Qt::QueuedConnection);
    return true;
}

// The desktop's answer, worked out by ask on Qt's pool: the desktop's
// programs are waited for there, for seconds at worst. Meanwhile the
// window's thread goes on with everything but the user's input: the windows
// are painted and answer the window system, and no command starts before
// the answer, as while the thread waited itself.
template <typename Ask>
auto answerOffThread(Ask ask)
{
    auto answer = QtConcurrent::run(std::move(ask));
    QEventLoop loop;
    answer.then(&loop, [&loop](auto) { loop.quit(); });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return answer.result();
}

} // namespace

int DesktopShell::open(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return kFileNotFound;
    return answerOffThread([file] {
        return associatedProgram(file).isEmpty() || !handOver(file) ? int(kNoAssociation) : int(kOpened);
    });
}

bool DesktopShell::startViewer(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return false;
    if (!answerOffThread([file] { return handOver(file); }))
        throw Error(kErrCannotStart);
    return true;
}

QString DesktopShell::desktopFolder() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    return QDir::cleanPath(folder);
}

} // namespace tesmo

#include "platform/DesktopShell.h"

#include "text/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

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
// be started or answered that it failed.
bool handOver(const QString &file)
{
    auto *opener = new QProcess;
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({QFileInfo(file).absoluteFilePath()});
    // The program it starts may outlive Tesmo: it must not write into pipes
    // that end with Tesmo.
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    opener->start();
    if (!opener->waitForStarted(kOpenerWaitMs)) {
        delete opener;
        return false;
    }
    if (opener->waitForFinished(kOpenerWaitMs)) {
        const bool ok = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
        delete opener;
        return ok;
    }
    opener->setParent(QCoreApplication::instance());
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    return true;
}

} // namespace

int DesktopShell::open(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return kFileNotFound;
    if (associatedProgram(file).isEmpty() || !handOver(file))
        return kNoAssociation;
    return kOpened;
}

bool DesktopShell::startViewer(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return false;
    if (!handOver(file))
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

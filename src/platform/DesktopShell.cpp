#include "platform/DesktopShell.h"

#include "text/Error.h"

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

bool handOver(const QString &file)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QFileInfo(file).absoluteFilePath()});
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

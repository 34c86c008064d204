#include "platform/office/OfficeFile.h"

#include "platform/Shell.h"
#include "text/Error.h"

#include <QDir>
#include <QTemporaryDir>

namespace tesmo::office {

OfficeFile::OfficeFile(Shell &shell, const QString &kind)
    : shell_(shell)
    , kind_(kind)
{
}

OfficeFile::~OfficeFile()
{
    cells_.reset();
    if (!folder_.isEmpty() && handedOver_.isEmpty())
        QDir(folder_).removeRecursively();
}

void OfficeFile::begin()
{
    if (begun())
        throw Error(kErrNotAvailable, QStringLiteral("Only one %1 can be made at a time.").arg(kind_));
    // The temporary folder is empty when TMPDIR names no folder; the file
    // must then not land in the current folder, which holds the ledger.
    const QString temp = QDir::tempPath();
    if (temp.isEmpty())
        throw Error(kErrCannotWrite, QStringLiteral("There is no temporary folder (TMPDIR names no folder)."));
    QTemporaryDir dir(QDir(temp).filePath(QStringLiteral("Tesmo-XXXXXX")));
    if (!dir.isValid())
        throw Error(kErrCannotWrite, QStringLiteral("No folder could be made under %1: %2")
                                         .arg(QDir::tempPath(), dir.errorString()));
    dir.setAutoRemove(false);
    folder_ = dir.path();
    cells_ = std::make_unique<CellJournal>(journalPath());
}

void OfficeFile::needOpen() const
{
    if (!begun())
        throw Error(kErrObjectNotSet);
    if (finished_)
        throw Error(kErrNotAvailable, QStringLiteral("The %1 was handed over and cannot be changed.").arg(kind_));
}

void OfficeFile::finish(const QString &name, const std::function<void(const QString &)> &write, Progress *progress)
{
    if (!begun() || finished_)
        return;
    finished_ = true;
    const QString file = path(name);
    write(file);
    cells_.reset();
    // Written whole: the desktop's program is started without a Cancel up.
    if (progress)
        progress->finish();
    shell_.launch(file);
    handedOver_ = file;
}

QString OfficeFile::path(const QString &name) const
{
    return QDir(folder_).filePath(name);
}

QString fileNameFrom(const QString &text, const QString &fallback)
{
    QString name;
    for (const QChar c : text) {
        if (c != u'/' && c != u'\\' && c.unicode() >= 0x20)
            name += c;
    }
    name = name.trimmed();
    return name.isEmpty() || name.startsWith(u'.') ? fallback : name;
}

} // namespace tesmo::office

#include "platform/office/OfficeFolder.h"

#include "platform/Shell.h"
#include "text/Error.h"

#include <QDir>
#include <QTemporaryDir>

namespace tesmo::office {

OfficeFolder::OfficeFolder(Shell &shell)
    : shell_(shell)
{
}

OfficeFolder::~OfficeFolder()
{
    if (made() && !handedOver_)
        QDir(path_).removeRecursively();
}

void OfficeFolder::make()
{
    if (made())
        return;
    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("Tesmo-XXXXXX")));
    if (!dir.isValid())
        throw Error(kErrCannotWrite, QStringLiteral("No folder could be made under %1: %2")
                                         .arg(QDir::tempPath(), dir.errorString()));
    dir.setAutoRemove(false);
    path_ = dir.path();
}

QString OfficeFolder::file(const QString &name) const
{
    return QDir(path_).filePath(name);
}

void OfficeFolder::handOver(const QString &file)
{
    const int answer = shell_.open(file);
    if (answer <= 32)
        throw Error(kErrCannotStart);
    handedOver_ = true;
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

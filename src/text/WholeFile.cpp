#include "text/WholeFile.h"

#include "text/Error.h"

#include <QSaveFile>

namespace tesmo {

void saveWhole(const QString &path, const std::function<void(QIODevice &)> &writer)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(kErrCannotWrite,
                    QStringLiteral("The file %1 could not be created: %2").arg(path, file.errorString()));
    // A write that stopped part way gives the file's own reason when it has
    // one; a write cut short tells none (a file size limit, a full disk).
    // The new file is then dropped.
    const auto notWritten = [&] {
        return Error(kErrCannotWrite,
                     QStringLiteral("The file %1 could not be written: %2")
                         .arg(path, file.error() != QFileDevice::NoError
                                        ? file.errorString()
                                        : QStringLiteral("only part of it could be written; the disk may be full")));
    };
    try {
        writer(file);
    } catch (const Error &e) {
        if (e.number() == kErrCannotWrite)
            throw notWritten();
        throw;
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw notWritten();
}

} // namespace tesmo

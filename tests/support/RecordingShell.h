// A stand-in for the desktop: records each file handed to it and answers as
// the desktop would, from whether the file exists; a test can make it fail.
#pragma once

#include "platform/Shell.h"
#include "text/Error.h"

#include <QFileInfo>
#include <QStringList>
#include <functional>

namespace tesmo::test {

class RecordingShell : public Shell {
public:
    int open(const QString &file) override { return called("open ", file) ? openAnswer : kFileNotFound; }
    bool startViewer(const QString &file) override
    {
        if (called("view ", file) && viewerFails)
            throw Error(kErrCannotStart);
        return QFileInfo(file).isFile();
    }
    QString desktopFolder() const override { return desktop; }

    QStringList calls;              // "open FILE" and "view FILE", oldest first
    int openAnswer = kOpened;       // the answer of open() for a file that exists
    bool viewerFails = false;       // no text viewer can be started
    QString desktop;                // what desktopFolder() reports
    std::function<void()> whenCalled;   // runs at each call, as the desktop starts a program

private:
    bool called(const char *what, const QString &file)   // whether the file exists
    {
        calls << what + file;
        if (whenCalled)
            whenCalled();
        return QFileInfo(file).isFile();
    }
};

} // namespace tesmo::test

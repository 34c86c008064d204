// The desktop around the program: the user's desktop folder, and handing a
// file to the program the desktop opens that kind of file with. A path is
// always passed as one argument, never through a command line.
#pragma once

#include "text/Error.h"

#include <QString>

namespace tesmo {

class Shell {
public:
    // What open() answers, as the desktop reports it: a number above 32 when
    // the file was handed over.
    enum OpenResult : int { kFileNotFound = 2, kNoAssociation = 31, kOpened = 42 };

    virtual ~Shell() = default;

    // Hands file to the program the desktop associates with its kind, and
    // waits only for the desktop's answer, never for that program to end: 2
    // when file does not exist, 31 when no program is associated with its
    // kind or the desktop failed to start it.
    virtual int open(const QString &file) = 0;

    // The same for the program's own files, as a failure rather than a
    // number: raises Error 53 when file does not exist, 75 when no program
    // took it.
    void launch(const QString &file);

    // Starts the desktop's program for text files on file, without waiting
    // for it to end. Returns false when the file does not exist; raises Error
    // when no program could be started or the desktop reports a failure.
    virtual bool startViewer(const QString &file) = 0;

    // The user's desktop folder, without a trailing separator; the empty
    // text when the desktop has none or it does not exist.
    virtual QString desktopFolder() const = 0;
};

inline void Shell::launch(const QString &file)
{
    const int answer = open(file);
    if (answer == kFileNotFound)
        throw Error(kErrFileNotFound, QStringLiteral("The file %1 is not there to open.").arg(file));
    if (answer <= 32)   // the desktop's answer: above 32 once handed over
        throw Error(kErrCannotStart);
}

} // namespace tesmo

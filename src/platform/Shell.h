// The desktop around the program: the user's desktop folder, and handing a
// file to the program the desktop opens that kind of file with. A path is
// always passed as one argument, never through a command line.
#pragma once

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

    // Starts the desktop's program for text files on file, without waiting
    // for it to end. Returns false when the file does not exist; raises Error
    // when no program could be started or the desktop reports a failure.
    virtual bool startViewer(const QString &file) = 0;

    // The user's desktop folder, without a trailing separator; the empty
    // text when the desktop has none or it does not exist.
    virtual QString desktopFolder() const = 0;
};

} // namespace tesmo

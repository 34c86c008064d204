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
    // does not wait for it.
    virtual int open(const QString &file) = 0;

    // Starts the desktop's program for text files on file, detached. Returns
    // false when the file does not exist; raises Error when no program could
    // be started.
    virtual bool startViewer(const QString &file) = 0;

    // The user's desktop folder, without a trailing separator; the empty
    // text when the desktop has none or it does not exist.
    virtual QString desktopFolder() const = 0;
};

} // namespace tesmo

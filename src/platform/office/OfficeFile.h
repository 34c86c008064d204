// The one file that an office stand-in builds: a private folder under the
// temporary folder (TMPDIR), readable by the user only, the journal of the
// cells received so far in it, and the finished file, handed to the
// desktop's program for its kind. The folder is kept once the file was
// handed over, so that the program can open it after the export has ended;
// a folder that never got that far is removed.
#pragma once

#include "platform/Progress.h"
#include "platform/office/CellJournal.h"

#include <QString>
#include <functional>
#include <memory>

namespace tesmo {
class Shell;
}

namespace tesmo::office {

class OfficeFile {
public:
    // kind names the file in messages: "workbook", "document".
    OfficeFile(Shell &shell, const QString &kind);
    ~OfficeFile();
    OfficeFile(const OfficeFile &) = delete;
    OfficeFile &operator=(const OfficeFile &) = delete;

    // Makes the folder and the journal for a new file; raises Error when
    // they cannot be made, or when a file was begun already.
    void begin();
    bool begun() const { return bool(cells_); }
    // Raises Error unless a file was begun and is not handed over yet.
    void needOpen() const;
    CellJournal &cells() { return *cells_; }

    // Once, for a file begun: writes it with write(path) under the name
    // given, then hands it to the desktop; raises Error when either fails.
    void finish(const QString &name, const std::function<void(const QString &path)> &write, Progress *progress);

    // A path in the folder; the journal's file.
    QString path(const QString &name) const;
    QString journalPath() const { return path(QStringLiteral(".cells")); }

private:
    Shell &shell_;
    QString kind_;
    QString folder_;
    std::unique_ptr<CellJournal> cells_;
    bool finished_ = false;
    QString handedOver_;
};

// A name for a file: the text without the characters a file name cannot hold.
QString fileNameFrom(const QString &text, const QString &fallback);

} // namespace tesmo::office

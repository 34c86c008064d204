// The one file that an office stand-in builds: a private folder under the
// temporary folder (TMPDIR), readable by the user only, the journal of the
// cells received so far in it, and the finished file, handed to the
// desktop's program for its kind. The folder is kept once the file was
// handed over, so that the program can open it after the export has ended;
// a folder that never got that far is removed.
#pragma once

#include "platform/Dialogs.h"
#include "platform/office/CellJournal.h"

#include <QString>
#include <cstdint>
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

    // A path in the folder.
    QString path(const QString &name) const;

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

// Raises Error, naming the kind of file, unless the zip file at path reads
// back whole: every part inflates to its checksum, and every XML part ends
// with the end of its root element.
void checkWholeZip(const QString &path, const QString &kind);

// Raises Error, naming the kind of file, unless the zip file at path has a
// whole directory and its part holds at least the given bytes: the cheap
// check of a file whose writing had room kept for it.
void checkZipDirectory(const QString &path, const QString &kind, const char *part, std::int64_t atLeast);

// Takes room of the given bytes on the disk of path and gives it back: true
// when the disk had it; false when the disk cannot say (it does not set room
// aside); raises Error, naming the kind of file, when the room is not there.
bool keepRoom(const QString &path, std::int64_t bytes, const QString &kind);

} // namespace tesmo::office

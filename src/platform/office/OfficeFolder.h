// The private folder in which an office stand-in writes its file, and the
// hand-over of the finished file to the desktop's program for it. The folder
// lies under the temporary folder (TMPDIR), is readable by the user only, and
// is kept once a file was handed over, so that the program can open it after
// the export has ended; a folder that never got that far is removed.
#pragma once

#include <QString>

namespace tesmo {
class Shell;
}

namespace tesmo::office {

class OfficeFolder {
public:
    explicit OfficeFolder(Shell &shell);
    ~OfficeFolder();
    OfficeFolder(const OfficeFolder &) = delete;
    OfficeFolder &operator=(const OfficeFolder &) = delete;

    // Makes the folder; raises Error when it cannot be made. Done once.
    void make();
    bool made() const { return !path_.isEmpty(); }
    // A file's path in the folder.
    QString file(const QString &name) const;

    // Hands the finished file to the desktop's program for its kind; raises
    // Error when the desktop did not take it.
    void handOver(const QString &file);
    bool handedOver() const { return handedOver_; }

private:
    Shell &shell_;
    QString path_;
    bool handedOver_ = false;
};

// A name for a file: the text without the characters a file name cannot hold.
QString fileNameFrom(const QString &text, const QString &fallback);

} // namespace tesmo::office

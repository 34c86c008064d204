// Whether a file was written whole: room for it taken on the disk before it
// is written, and the zip file read back after.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace tesmo::office {

// Takes room of the given bytes on the disk of path and gives it back: true
// when the disk had it; false when the disk cannot say (it does not set room
// aside); raises Error, naming the kind of file, when the room is not there.
bool keepRoom(const QString &path, std::int64_t bytes, const QString &kind);

// Raises Error, naming the kind of file, unless the zip file at path has a
// whole directory and its part holds at least the given bytes: the cheap
// check of a file whose writing had room kept for it.
void checkZipDirectory(const QString &path, const QString &kind, const char *part, std::int64_t atLeast);

// A part of a zip file that must hold a mark exactly so many times.
struct ZipPartCount {
    const char *part;
    QByteArray mark;
    std::int64_t count;
};

// Raises Error, naming the kind of file, unless the zip file at path reads
// back whole: every part inflates to its checksum, every XML part ends with
// the end of its root element, and the part counted holds its mark as often
// as it must.
void checkWholeZip(const QString &path, const QString &kind, const std::optional<ZipPartCount> &counted = {});

} // namespace tesmo::office

// A file written whole or not at all: the program's own files (the text
// export, the files for taxes) replace an earlier file of their name only
// once the new one is complete.
#pragma once

#include <QString>
#include <functional>

class QIODevice;

namespace tesmo {

// Writes the file at path through writer, unbuffered, so that a failed
// write (a full disk) is seen when it happens. An earlier file of the name
// is replaced only once the new one is complete: a failure or a cancel
// leaves it as it was. Raises Error 3109 naming the file, with the file's
// own reason when it has one, when it cannot be created or written (writer
// raises 3109 for a write that failed); any other error of writer (3112 for
// a cancel) as it is.
void saveWhole(const QString &path, const std::function<void(QIODevice &)> &writer);

} // namespace tesmo

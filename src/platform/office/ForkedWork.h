// Work done in a process of its own, so that a cancel stops it at once by
// ending that process, whatever the work is busy with: a library call that
// cannot be interrupted (the packing of a workbook) ends with it, and the
// files it had open are closed.
//
// What may run at once: the work runs in the child while the calling thread
// waits for it, passing its progress on, so that a progress dialog stays
// alive. The child is a copy of the program made by fork() in which only the
// calling thread goes on: the work may use memory, stdio, zlib and libraries
// over files it opens itself, which glibc keeps usable in such a copy, but
// nothing that another thread of the program might hold (the window system,
// Qt's event loop, the ledger). The program's other threads are the
// display's and the desktop bus's readers, waiting in poll(), idle workers
// of Qt's thread pool, and for a while after start-up the daily copy of the
// ledger. Of what the work uses, they hold only the C library's time-zone
// lock, the daily copy for microseconds while it reads dates: a fork in such
// a microsecond would leave work that reads the clock's date (the workbook's
// date of making) standing still until the user cancels it. Files the
// program has open stay open in the child; the work leaves those it did not
// open alone.
#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <functional>

namespace tesmo::office {

// Runs work in a child process and waits for it to end. work reports its
// progress to the Progress it is given, which passes each report on to
// progress (when not null) and always answers true. Raises again the Error
// that work raised, with its number and description. Once progress answers
// false, the child is ended at once and Error 3112 raised. Raises Error,
// naming the kind of file ("workbook"), when the child cannot be made or
// ends before work has returned.
void runForked(const QString &kind, const std::function<void(Progress &)> &work, Progress *progress);

} // namespace tesmo::office

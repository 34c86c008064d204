// Work done in a process of its own, so that a Cancel stops it at once by
// ending that process, whatever the work is busy with: a library call that
// cannot be interrupted (the packing of a workbook) ends with it, and the
// files it had open are closed.
//
// What may run at once: the child is a copy of the program made by fork()
// from the window's thread, in which only that thread goes on. The work may
// use memory, stdio, zlib and libraries over files it opens itself, which
// glibc keeps usable in such a copy (it resets its allocator's and stdio's
// locks in the child), and the C library's time-zone and rand() locks,
// which the workbook's library takes to stamp and name its files: those are
// free at the fork because no other thread of the program takes them. The
// program's other threads are Qt's readers of the display and the desktop
// bus, and the background pool's, whose work converts no local times and
// draws nothing from rand() (see Background.h). The work must use nothing
// that another thread might hold (the window system, Qt's event loop, the
// ledger). Files the program has open stay open in the child; the work
// leaves those it did not open alone.
//
// The child tells its progress and its end through a pipe, which a task of
// the background pool reads; the calling thread waits for that task as for
// any work off its thread, passing the progress on, so that the progress
// dialog stays alive and a Cancel is taken.
#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <functional>

namespace tesmo::office {

// Runs work in a child process and waits for it to end. work reports its
// progress to the Progress it is given, which passes each report on to
// progress (when not null) and always answers true. Raises again the Error
// that work raised, with its number and description. Once progress reports
// the user's Cancel, the child is ended at once and Error kErrUserCancelled
// raised. Raises Error, naming the kind of file ("workbook"), when the
// child cannot be made or ends before work has returned.
void runForked(const QString &kind, const std::function<void(Progress &)> &work, Progress *progress);

} // namespace tesmo::office

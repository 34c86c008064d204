// The workbook is written and packed by a process of its own, so that a
// Cancel stops it at once by ending that process, whatever the library is
// busy with: its packing of the file is one call that nothing interrupts.
// That process is the program itself, started anew in its packing mode: a
// fresh program with one thread, that shares nothing with the window's
// program but the files it is told of.
//
// The program sends the job (the sheet as the automation described it, the
// cell journal's file, the folder and the file to write) on the child's
// standard input; the child tells its progress and its end on its standard
// output, and its own messages go to the program's standard error. The
// child ends with the program, even with one that is killed.
#pragma once

#include "platform/Progress.h"
#include "platform/office/WorkbookWriter.h"

#include <QString>

namespace tesmo::office {

// The argument that starts the program in its packing mode. The command
// line takes it alone, and its usage does not tell it.
inline constexpr char kPackWorkbookArgument[] = "--pack-workbook";

// The program that packs: the running program unless set. Programs of
// their own (the tests, the benchmarks) name the built Tesmo.
void setPackingProgram(const QString &program);

// What the child writes: the sheet, the journal file of its cells (written
// whole and flushed), the private folder for the library's files, and the
// workbook's path.
struct WorkbookJob {
    const SheetLayout &sheet;
    const SheetSize &size;
    QString cells;
    std::int64_t cellCount;
    QString tmpdir;
    QString path;
};

// Writes the workbook in a child and waits for it, telling progress (when
// not null) how far it is, in thousandths, and taking its Cancel: the child
// is then ended at once and Error kErrUserCancelled raised. Call it on a
// thread that lives as long as the child (the window's): the child's end is
// tied to it. Raises again the Error the writing raised, with its number
// and description, and Error kErrCannotWrite when the child cannot be
// started or ends before the workbook is written.
void packInChild(const WorkbookJob &job, Progress *progress);

// The packing mode: reads a job on standard input, writes its workbook, and
// tells how it goes on standard output. Returns the exit status: 0 once the
// end was told, 2 for a job that does not come from this program.
int packWorkbook();

} // namespace tesmo::office

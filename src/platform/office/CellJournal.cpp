#include "platform/office/CellJournal.h"

#include "text/Error.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace tesmo::office {

namespace {

// The fixed part of a record, written as it lies in memory: the file never
// leaves the machine and the process that wrote it.
struct Head {
    std::int32_t row;
    std::int32_t column;
    std::int32_t kind;
    std::int32_t textBytes;
    double number;
};

constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

} // namespace

CellJournal::CellJournal(const QString &path)
    : path_(path)
{
    file_ = std::fopen(QFile::encodeName(path).constData(), "w+b");
    if (!file_)
        fail();
    std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
}

CellJournal::~CellJournal()
{
    if (file_)
        std::fclose(file_);
    QFile::remove(path_);
}

void CellJournal::fail() const
{
    throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be written: %2")
                                     .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
}

void CellJournal::append(const JournalCell &cell)
{
    const Head head{cell.row, cell.column, cell.kind, std::int32_t(cell.text.size()), cell.number};
    if (fwrite_unlocked(&head, sizeof head, 1, file_) != 1
        || (!cell.text.isEmpty() && fwrite_unlocked(cell.text.constData(), std::size_t(cell.text.size()), 1, file_) != 1))
        fail();
    ++count_;
}

void CellJournal::rewind()
{
    if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0)
        fail();
    read_ = 0;
}

bool CellJournal::next(JournalCell &cell)
{
    if (read_ == count_)
        return false;
    Head head{};
    if (fread_unlocked(&head, sizeof head, 1, file_) != 1 || head.textBytes < 0)
        fail();
    cell.row = head.row;
    cell.column = head.column;
    cell.kind = head.kind;
    cell.number = head.number;
    cell.text.resize(head.textBytes);
    if (head.textBytes > 0 && fread_unlocked(cell.text.data(), std::size_t(head.textBytes), 1, file_) != 1)
        fail();
    ++read_;
    return true;
}

} // namespace tesmo::office

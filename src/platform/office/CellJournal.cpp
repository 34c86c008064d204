#include "platform/office/CellJournal.h"

#include "text/Error.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tesmo::office {

namespace {

// The fixed part of a record, written as it lies in memory: the file never
// leaves the machine and the process that wrote it. A number follows it only
// when the cell has one, and its text when it has one, so that a large
// export's journal stays small.
struct Head {
    std::int32_t row;
    std::int32_t column;
    std::int32_t kind;
    std::int32_t textBytes;   // -1: a number follows instead of a text
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
    append(cell.row, cell.column, cell.kind, cell.number,
           {cell.text.constData(), std::size_t(cell.text.size())});
}

void CellJournal::append(std::int32_t row, std::int32_t column, std::int32_t kind, double number,
                         std::string_view text)
{
    const bool hasText = !text.empty() || number == 0;
    const Head head{row, column, kind, hasText ? std::int32_t(text.size()) : -1};
    // A record with a number, the usual kind, goes out in one write.
    char record[sizeof head + sizeof number];
    std::memcpy(record, &head, sizeof head);
    std::memcpy(record + sizeof head, &number, sizeof number);
    const std::size_t size = hasText ? sizeof head : sizeof record;
    if (fwrite_unlocked(record, size, 1, file_) != 1
        || (hasText && !text.empty() && fwrite_unlocked(text.data(), text.size(), 1, file_) != 1))
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
    if (fread_unlocked(&head, sizeof head, 1, file_) != 1 || head.textBytes < -1)
        fail();
    cell.row = head.row;
    cell.column = head.column;
    cell.kind = head.kind;
    cell.number = 0;
    cell.text.resize(std::max(head.textBytes, 0));
    if (head.textBytes < 0 ? fread_unlocked(&cell.number, sizeof cell.number, 1, file_) != 1
                           : head.textBytes > 0
                                 && fread_unlocked(cell.text.data(), std::size_t(head.textBytes), 1, file_) != 1)
        fail();
    ++read_;
    return true;
}

} // namespace tesmo::office

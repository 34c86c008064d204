#include "platform/office/CellJournal.h"

#include "text/Error.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tesmo::office {

namespace {

// A record: a byte of flags (the kind in its low two bits, then whether a
// text follows instead of a number, and whether the row is the last
// record's), the row unless it is the same, the column, and the text with its
// length or the number's eight bytes. Lengths and places take as few bytes
// as they need. The file never leaves the machine and the process that wrote
// it, so the number goes as it lies in memory.
enum Flag : std::uint8_t { kKindBits = 3, kHasText = 4, kSameRow = 8 };

constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

char *putUnsigned(char *out, std::uint64_t v)
{
    while (v >= 0x80) {
        *out++ = char(v | 0x80);
        v >>= 7;
    }
    *out++ = char(v);
    return out;
}

} // namespace

CellJournal::CellJournal(const QString &path)
    : path_(path)
{
    file_ = std::fopen(QFile::encodeName(path).constData(), "w+b");
    if (!file_)
        fail();
    buffer_.reserve(kBufferBytes);
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

void CellJournal::flush()
{
    if (!buffer_.empty() && fwrite_unlocked(buffer_.data(), buffer_.size(), 1, file_) != 1)
        fail();
    buffer_.clear();
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
    if (buffer_.size() + text.size() + 32 > kBufferBytes)
        flush();
    char head[32];
    char *p = head;
    const bool sameRow = count_ > 0 && row == lastRow_;
    *p++ = char((kind & kKindBits) | (hasText ? kHasText : 0) | (sameRow ? kSameRow : 0));
    if (!sameRow)
        p = putUnsigned(p, std::uint32_t(row));
    p = putUnsigned(p, std::uint32_t(column));
    if (hasText) {
        p = putUnsigned(p, text.size());
    } else {
        std::memcpy(p, &number, sizeof number);
        p += sizeof number;
    }
    buffer_.insert(buffer_.end(), head, p);
    if (hasText) {
        if (text.size() > kBufferBytes) {
            flush();
            if (fwrite_unlocked(text.data(), text.size(), 1, file_) != 1)
                fail();
        } else {
            buffer_.insert(buffer_.end(), text.begin(), text.end());
        }
    }
    lastRow_ = row;
    ++count_;
}

void CellJournal::rewind()
{
    flush();
    if (std::fflush(file_) != 0 || std::ferror(file_) || std::fseek(file_, 0, SEEK_SET) != 0)
        fail();
    read_ = 0;
    at_ = 0;
    lastRow_ = 0;
}

void CellJournal::need(std::size_t n)
{
    if (buffer_.size() - at_ >= n)
        return;
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(at_));
    at_ = 0;
    const std::size_t had = buffer_.size();
    const std::size_t want = std::max(n, kBufferBytes);
    buffer_.resize(had + want);
    const std::size_t got = fread_unlocked(buffer_.data() + had, 1, want, file_);
    buffer_.resize(had + got);
    if (buffer_.size() < n)
        fail();
}

bool CellJournal::next(JournalCell &cell)
{
    if (read_ == count_)
        return false;
    const auto getUnsigned = [this] {
        std::uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            need(1);
            const auto byte = std::uint8_t(buffer_[at_++]);
            v |= std::uint64_t(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                break;
        }
        return v;
    };
    need(1);
    const auto flags = std::uint8_t(buffer_[at_++]);
    cell.kind = flags & kKindBits;
    cell.row = flags & kSameRow ? lastRow_ : std::int32_t(getUnsigned());
    cell.column = std::int32_t(getUnsigned());
    cell.number = 0;
    if (flags & kHasText) {
        const auto length = std::size_t(getUnsigned());
        need(length);
        cell.text.resize(qsizetype(length));   // keeps its room from record to record
        std::memcpy(cell.text.data(), buffer_.data() + at_, length);
        at_ += length;
    } else {
        need(sizeof cell.number);
        std::memcpy(&cell.number, buffer_.data() + at_, sizeof cell.number);
        at_ += sizeof cell.number;
        cell.text.clear();
    }
    lastRow_ = cell.row;
    ++read_;
    return true;
}

} // namespace tesmo::office

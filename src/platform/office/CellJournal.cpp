#include "platform/office/CellJournal.h"

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

} // namespace

void CellJournal::append(const JournalCell &cell)
{
    append(cell.row, cell.column, cell.kind, cell.number,
           {cell.text.constData(), std::size_t(cell.text.size())});
}

void CellJournal::append(std::int32_t row, std::int32_t column, std::int32_t kind, double number,
                         std::string_view text)
{
    const bool hasText = !text.empty() || number == 0;
    char head[32];
    char *p = head;
    const bool sameRow = count_ > 0 && row == lastRow_;
    *p++ = char((kind & kKindBits) | (hasText ? kHasText : 0) | (sameRow ? kSameRow : 0));
    if (!sameRow)
        p = ScratchFile::putUnsigned(p, std::uint32_t(row));
    p = ScratchFile::putUnsigned(p, std::uint32_t(column));
    if (hasText) {
        p = ScratchFile::putUnsigned(p, text.size());
    } else {
        std::memcpy(p, &number, sizeof number);
        p += sizeof number;
    }
    file_.write({head, std::size_t(p - head)});
    if (hasText)
        file_.write(text);
    lastRow_ = row;
    ++count_;
}

void CellJournal::rewind()
{
    file_.rewind();
    read_ = 0;
    lastRow_ = 0;
}

void CellJournal::need(std::size_t n)
{
    if (!file_.ensure(n))
        file_.fail();
}

std::uint64_t CellJournal::getUnsigned()
{
    std::uint64_t v = 0;
    if (!file_.getUnsigned(v))
        file_.fail();
    return v;
}

bool CellJournal::next(JournalCell &cell)
{
    if (read_ == count_)
        return false;
    need(1);
    const auto flags = std::uint8_t(*file_.data());
    file_.skip(1);
    cell.kind = flags & kKindBits;
    cell.row = flags & kSameRow ? lastRow_ : std::int32_t(getUnsigned());
    cell.column = std::int32_t(getUnsigned());
    cell.number = 0;
    if (flags & kHasText) {
        const auto length = std::size_t(getUnsigned());
        need(length);
        cell.text.resize(qsizetype(length));   // keeps its room from record to record
        std::memcpy(cell.text.data(), file_.data(), length);
        file_.skip(length);
    } else {
        need(sizeof cell.number);
        std::memcpy(&cell.number, file_.data(), sizeof cell.number);
        file_.skip(sizeof cell.number);
        cell.text.clear();
    }
    lastRow_ = cell.row;
    ++read_;
    return true;
}

} // namespace tesmo::office

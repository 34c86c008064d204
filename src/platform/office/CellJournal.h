// A file of the cells an office stand-in has received, kept in a private
// folder until the finished file is written: the cells of a large export
// never stay in memory. Records are read back in the order they were added.
#pragma once

#include "platform/office/ScratchFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string_view>

namespace tesmo::office {

struct JournalCell {
    std::int32_t row = 0;      // from 1
    std::int32_t column = 0;   // from 1
    std::int32_t kind = 0;     // the owner's own meaning
    // A cell holds a text or a number: the number is kept only when the
    // text is empty.
    double number = 0;
    QByteArray text;           // UTF-8
};

class CellJournal {
public:
    // Creates the journal file at path, removed with the journal; raises
    // Error when it cannot.
    explicit CellJournal(const QString &path)
        : file_(path)
    {
    }
    // The journal of count records that another process wrote at path, to
    // read; the file stays. Raises Error when it cannot be opened.
    CellJournal(const QString &path, std::int64_t count)
        : file_(path, ScratchFile::Mode::ReadExisting)
        , count_(count)
    {
    }

    // Raises Error when the record cannot be written.
    void append(const JournalCell &cell);
    // The same, for a cell given by its parts.
    void append(std::int32_t row, std::int32_t column, std::int32_t kind, double number, std::string_view text);
    std::int64_t size() const { return count_; }

    // Reads the records from the first, each once, after the last append.
    // Raises Error when the file cannot be read back.
    void rewind();
    bool next(JournalCell &cell);

private:
    // At least n unread bytes; raises Error when the file ends first.
    void need(std::size_t n);
    std::uint64_t getUnsigned();

    ScratchFile file_;
    std::int64_t count_ = 0;
    std::int64_t read_ = 0;
    std::int32_t lastRow_ = 0;   // of the record written, or read, last
};

} // namespace tesmo::office

// A file of the cells an office stand-in has received, kept in a private
// folder until the finished file is written: the cells of a large export
// never stay in memory. Records are read back in the order they were added.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

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
    // Creates the journal file at path; raises Error when it cannot.
    explicit CellJournal(const QString &path);
    ~CellJournal();   // removes the file
    CellJournal(const CellJournal &) = delete;
    CellJournal &operator=(const CellJournal &) = delete;

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
    [[noreturn]] void fail() const;
    void flush();
    // At least n unread bytes in the read buffer; raises Error when the file
    // ends first.
    void need(std::size_t n);

    QString path_;
    std::FILE *file_ = nullptr;
    std::int64_t count_ = 0;
    std::int64_t read_ = 0;
    std::int32_t lastRow_ = 0;       // of the record written, or read, last
    std::vector<char> buffer_;       // records not yet written, or read ahead
    std::size_t at_ = 0;             // the next unread byte of buffer_
};

} // namespace tesmo::office

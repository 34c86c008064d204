// A file of the private folder that an office stand-in writes records into
// and reads back once, in order, so that the cells of a large export never
// stay in memory. Writes and reads go through a buffer of a megabyte; whole
// numbers take as few bytes as they need.
#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace tesmo::office {

class ScratchFile {
public:
    // Create: makes the file at path, removed with this object. ReadExisting:
    // opens the file another process wrote there, to read; the file stays.
    enum class Mode { Create, ReadExisting };
    // Raises Error when the file cannot be made or opened.
    explicit ScratchFile(const QString &path, Mode mode = Mode::Create);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    // Writes v at out in one to ten bytes; returns the end.
    static char *putUnsigned(char *out, std::uint64_t v);

    // Raises Error when the bytes cannot be written.
    void write(std::string_view bytes);
    // After the last write: everything written, then reading from the
    // first byte. Raises Error when the file cannot be written or read back.
    void rewind();

    // At least n unread bytes at data(); false when the file ends first.
    bool ensure(std::size_t n);
    // The next whole number; false when the file ends first.
    bool getUnsigned(std::uint64_t &v);
    const char *data() const { return buffer_.data() + at_; }
    void skip(std::size_t n) { at_ += n; }

    [[noreturn]] void fail() const;   // raises the Error of a file not written

private:
    void flush();

    QString path_;
    Mode mode_;
    std::FILE *file_ = nullptr;
    std::vector<char> buffer_;   // bytes not yet written, or read ahead
    std::size_t at_ = 0;         // the next unread byte of buffer_
};

} // namespace tesmo::office

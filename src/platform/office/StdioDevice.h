// A file written in pieces through stdio's large buffer, without a system
// call or Qt's ring buffer for each piece. Only one thread writes it.
#pragma once

#include <QFile>
#include <QIODevice>
#include <cstdio>

namespace tesmo::office {

class StdioDevice : public QIODevice {
public:
    ~StdioDevice() override { finish(); }

    // Creates or empties the file at path for writing.
    bool create(const QString &path)
    {
        file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
        if (!file_)
            return false;
        std::setvbuf(file_, nullptr, _IOFBF, std::size_t{1} << 20);
        return open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // Closes the file; false when anything written was lost.
    bool finish()
    {
        if (!file_)
            return true;
        close();
        const bool ok = !failed_ && std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        if (fwrite_unlocked(data, 1, std::size_t(size), file_) != std::size_t(size)) {
            failed_ = true;
            return -1;
        }
        return size;
    }
    qint64 readData(char *, qint64) override { return -1; }

private:
    std::FILE *file_ = nullptr;
    bool failed_ = false;
};

} // namespace tesmo::office

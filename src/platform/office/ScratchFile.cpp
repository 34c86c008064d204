#include "platform/office/ScratchFile.h"

#include "text/Error.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tesmo::office {

namespace {
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
}

ScratchFile::ScratchFile(const QString &path, Mode mode)
    : path_(path)
    , mode_(mode)
{
    file_ = std::fopen(QFile::encodeName(path).constData(), mode == Mode::Create ? "w+b" : "rb");
    if (!file_)
        fail();
    buffer_.reserve(kBufferBytes);
}

ScratchFile::~ScratchFile()
{
    if (file_)
        std::fclose(file_);
    if (mode_ == Mode::Create)
        QFile::remove(path_);
}

void ScratchFile::fail() const
{
    throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be written: %2")
                                     .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
}

char *ScratchFile::putUnsigned(char *out, std::uint64_t v)
{
    while (v >= 0x80) {
        *out++ = char(v | 0x80);
        v >>= 7;
    }
    *out++ = char(v);
    return out;
}

void ScratchFile::flush()
{
    if (!buffer_.empty() && fwrite_unlocked(buffer_.data(), buffer_.size(), 1, file_) != 1)
        fail();
    buffer_.clear();
}

void ScratchFile::write(std::string_view bytes)
{
    if (buffer_.size() + bytes.size() > kBufferBytes)
        flush();
    if (bytes.size() > kBufferBytes) {
        if (fwrite_unlocked(bytes.data(), bytes.size(), 1, file_) != 1)
            fail();
        return;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void ScratchFile::rewind()
{
    flush();
    if (std::fflush(file_) != 0 || std::ferror(file_) || std::fseek(file_, 0, SEEK_SET) != 0)
        fail();
    at_ = 0;
}

bool ScratchFile::ensure(std::size_t n)
{
    if (buffer_.size() - at_ >= n)
        return true;
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(at_));
    at_ = 0;
    const std::size_t had = buffer_.size();
    const std::size_t want = std::max(n, kBufferBytes);
    buffer_.resize(had + want);
    const std::size_t got = fread_unlocked(buffer_.data() + had, 1, want, file_);
    buffer_.resize(had + got);
    return buffer_.size() >= n;
}

bool ScratchFile::getUnsigned(std::uint64_t &v)
{
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (!ensure(1))
            return false;
        const auto byte = std::uint8_t(buffer_[at_++]);
        v |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

} // namespace tesmo::office

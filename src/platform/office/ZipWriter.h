// A zip archive written with libzip, as an office file's container: parts
// from memory, deflated by the archive, and parts deflated already, which
// it copies as they are. Every failure raises Error, naming the kind of file.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <list>
#include <memory>

struct zip;
struct zip_source;

namespace tesmo::office {

// A part deflated into a file of its own (a raw deflate stream), with the
// size and checksum of the bytes it holds.
struct DeflatedFile {
    QString path;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t deflatedSize = 0;
};

// The words libzip has for an error code that zip_open() gave.
QString zipOpenError(int code);

class ZipWriter {
public:
    // Creates the archive at path, replacing a file there; kind names the
    // file in messages ("document").
    ZipWriter(const QString &path, const QString &kind);
    ~ZipWriter();   // discards an archive not closed
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // The bytes stay with the archive until it is closed.
    void add(const char *name, QByteArray bytes);
    // The file must stay until the archive is closed.
    void addDeflated(const char *name, const DeflatedFile &part);
    // Writes the archive.
    void close();

private:
    struct DeflatedSource;
    void add(const char *name, zip_source *source, std::uint32_t level);
    [[noreturn]] void fail(const QString &why) const;
    [[noreturn]] void fail() const;

    QString kind_;
    zip *zip_ = nullptr;
    std::list<QByteArray> buffers_;
    std::list<std::unique_ptr<DeflatedSource>> deflated_;
};

} // namespace tesmo::office

#include "platform/office/ZipWriter.h"

#include "text/Error.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <zip.h>

namespace tesmo::office {

// The state of a source over a deflated part's file, as libzip reads it.
struct ZipWriter::DeflatedSource {
    explicit DeflatedSource(const DeflatedFile &p)
        : part(p)
    {
        zip_error_init(&error);
    }
    ~DeflatedSource()
    {
        if (file)
            std::fclose(file);
        zip_error_fini(&error);
    }
    DeflatedSource(const DeflatedSource &) = delete;
    DeflatedSource &operator=(const DeflatedSource &) = delete;

    static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto *source = static_cast<DeflatedSource *>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            source->file = std::fopen(QFile::encodeName(source->part.path).constData(), "rb");
            return source->file ? 0 : source->fail();
        case ZIP_SOURCE_READ: {
            const std::size_t n = fread_unlocked(data, 1, std::size_t(length), source->file);
            return n < length && std::ferror(source->file) ? source->fail() : zip_int64_t(n);
        }
        case ZIP_SOURCE_CLOSE:
            std::fclose(source->file);
            source->file = nullptr;
            return 0;
        case ZIP_SOURCE_STAT: {
            // Its own deflated bytes, with the size and checksum of what
            // they hold: the archive does not deflate them again.
            auto *stat = static_cast<zip_stat_t *>(data);
            zip_stat_init(stat);
            stat->size = source->part.size;
            stat->comp_size = source->part.deflatedSize;
            stat->crc = source->part.crc;
            stat->comp_method = ZIP_CM_DEFLATE;
            stat->mtime = std::time(nullptr);
            stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            return 0;
        }
    }
    zip_int64_t fail()
    {
        zip_error_set(&error, ZIP_ER_READ, errno);
        return -1;
    }

    DeflatedFile part;
    std::FILE *file = nullptr;
    zip_error_t error;
};

QString zipOpenError(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString message = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return message;
}

ZipWriter::ZipWriter(const QString &path, const QString &kind)
    : kind_(kind)
{
    int error = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip_)
        fail(zipOpenError(error));
}

ZipWriter::~ZipWriter()
{
    if (zip_)
        zip_discard(zip_);
}

void ZipWriter::add(const char *name, QByteArray bytes)
{
    const QByteArray &kept = buffers_.emplace_back(std::move(bytes));
    add(name, zip_source_buffer(zip_, kept.constData(), zip_uint64_t(kept.size()), 0), 0);
}

void ZipWriter::addDeflated(const char *name, const DeflatedFile &part)
{
    auto &source = deflated_.emplace_back(std::make_unique<DeflatedSource>(part));
    add(name, zip_source_function(zip_, &DeflatedSource::callback, source.get()), 1);
}

void ZipWriter::close()
{
    if (zip_close(zip_) != 0)
        fail();
    zip_ = nullptr;
}

void ZipWriter::add(const char *name, zip_source_t *source, std::uint32_t level)
{
    if (!source)
        fail();
    const zip_int64_t index = zip_file_add(zip_, name, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail();
    }
    if (zip_set_file_compression(zip_, zip_uint64_t(index), ZIP_CM_DEFLATE, level) != 0)
        fail();
}

void ZipWriter::fail(const QString &why) const
{
    throw Error(kErrCannotWrite, QStringLiteral("The %1 could not be written: %2").arg(kind_, why));
}

void ZipWriter::fail() const
{
    fail(QString::fromUtf8(zip_strerror(zip_)));
}

} // namespace tesmo::office

#include "platform/office/WrittenWhole.h"

#include "platform/office/ZipWriter.h"
#include "text/Error.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace tesmo::office {

namespace {

// Whether an XML text, of which the first and the last bytes are given,
// ends with the end of its root element.
bool endsItsRoot(QByteArrayView head, QByteArrayView tail)
{
    // The declaration, comments and blanks before the root.
    qsizetype i = 0;
    for (;;) {
        while (i < head.size() && std::strchr(" \t\r\n", head[i]))
            ++i;
        const QByteArrayView rest = head.sliced(i);
        const char *close = rest.startsWith("<?") ? "?>" : rest.startsWith("<!--") ? "-->" : nullptr;
        if (!close)
            break;
        const qsizetype end = head.indexOf(close, i);
        if (end < 0)
            return false;
        i = end + qsizetype(std::strlen(close));
    }
    if (i >= head.size() || head[i] != '<')
        return false;
    qsizetype nameEnd = i + 1;
    while (nameEnd < head.size() && !std::strchr(" \t\r\n/>", head[nameEnd]))
        ++nameEnd;
    tail = tail.trimmed();
    const qsizetype startEnd = head.indexOf('>', nameEnd);
    if (startEnd > 0 && head[startEnd - 1] == '/')   // an empty root
        return tail.endsWith("/>");
    return tail.endsWith(QByteArray("</" + head.sliced(i + 1, nameEnd - i - 1).toByteArray() + ">"));
}

} // namespace

bool keepRoom(const QString &path, std::int64_t bytes, const QString &kind)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw Error(kErrCannotWrite, QStringLiteral("The %1 could not be written: %2")
                                         .arg(kind, QString::fromLocal8Bit(std::strerror(errno))));
    const int rc = ::fallocate(fd, 0, 0, off_t(bytes));
    const int why = errno;
    ::close(fd);
    ::unlink(name.constData());
    if (rc == 0)
        return true;
    if (why == EOPNOTSUPP || why == ENOSYS)
        return false;
    throw Error(kErrCannotWrite, QStringLiteral("The %1 could not be written: %2")
                                     .arg(kind, QString::fromLocal8Bit(std::strerror(why))));
}

void checkZipDirectory(const QString &path, const QString &kind, const char *part, std::int64_t atLeast)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip)
        throw Error(kErrCannotWrite, QStringLiteral("The %1 could not be written whole.").arg(kind));
    zip_stat_t stat;
    zip_stat_init(&stat);
    const bool whole = zip_stat(zip, part, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)
                       && std::int64_t(stat.size) >= atLeast;
    zip_discard(zip);
    if (!whole)
        throw Error(kErrCannotWrite, QStringLiteral("The %1 could not be written whole.").arg(kind));
}

void checkWholeZip(const QString &path, const QString &kind, const std::optional<ZipPartCount> &counted)
{
    const auto fail = [&](const QString &why) {
        throw Error(kErrCannotWrite, QStringLiteral("The %1 could not be written whole: %2").arg(kind, why));
    };
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip)
        fail(zipOpenError(error));
    struct Discard {
        zip_t *zip;
        ~Discard() { zip_discard(zip); }
    } discard{zip};

    constexpr qsizetype kEnds = 512;   // bytes kept of each part's start and end
    std::vector<char> buffer(std::size_t{1} << 18);
    const zip_int64_t parts = zip_get_num_entries(zip, 0);
    for (zip_int64_t index = 0; index < parts; ++index) {
        const QString name = QString::fromUtf8(zip_get_name(zip, zip_uint64_t(index), 0));
        zip_file_t *part = zip_fopen_index(zip, zip_uint64_t(index), 0);
        if (!part)
            fail(QString::fromUtf8(zip_strerror(zip)));
        const bool counting = counted && name == QLatin1String(counted->part);
        std::int64_t marks = 0;
        QByteArray head, tail;
        zip_int64_t n;
        while ((n = zip_fread(part, buffer.data(), buffer.size())) > 0) {
            const QByteArrayView read(buffer.data(), qsizetype(n));
            if (counting) {
                // A mark across two reads starts in the tail kept before.
                const qsizetype most = counted->mark.size() - 1;
                const QByteArray across = tail.right(most) + read.first(std::min(read.size(), most)).toByteArray();
                marks += across.count(counted->mark) + read.count(counted->mark);
            }
            if (head.size() < kEnds)
                head += read.first(std::min(read.size(), kEnds - head.size()));
            if (read.size() >= kEnds)
                tail = read.last(kEnds).toByteArray();
            else
                tail = tail.append(read).right(kEnds);
        }
        // A part cut short or damaged fails its checksum at its end.
        const QString why = n < 0 ? QString::fromUtf8(zip_file_strerror(part)) : QString();
        zip_fclose(part);
        if (n < 0)
            fail(QStringLiteral("%1: %2").arg(name, why));
        if ((name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels")))
            && !endsItsRoot(head, tail))
            fail(QStringLiteral("%1 is cut short").arg(name));
        if (counting && marks != counted->count)
            fail(QStringLiteral("%1 is cut short").arg(name));
    }
}

} // namespace tesmo::office

#include "export/TextExport.h"

#include "export/ExportRows.h"
#include "platform/Progress.h"
#include "text/Error.h"
#include "text/Limits.h"
#include "text/LotTable.h"
#include "text/Utf8.h"

#include <QFileDevice>
#include <QFuture>
#include <QIODevice>
#include <QScopeGuard>
#include <QThread>
#include <QtConcurrentRun>
#include <algorithm>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace tesmo {

namespace {

// The least width, in characters, of the first five fields of a row line;
// the trade date is not padded.
constexpr int kMinWidth[kExportFieldCount - 1] = {16, 5, 16, 11, 18};
constexpr int kUnderlineLength = 104;
constexpr const char kSeparator[] = " | ";

// The most blanks a field is padded with at a time: the widest field's width.
constexpr char kBlanks[] = "                  ";
static_assert(sizeof kBlanks - 1 >= 18);

// The end of the run of printable ASCII characters (blank to tilde) that
// starts at p: eight bytes at a time while they all are, then byte by byte.
const char *printableRunEnd(const char *p, const char *end)
{
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        // A byte below 0x20, or one of 0x7F and above.
        if ((((w - 0x20 * ones) & ~w) | w | (w + ones)) & highs)
            break;
        p += 8;
    }
    while (p < end && std::uint8_t(*p) >= 0x20 && std::uint8_t(*p) < 0x7f)
        ++p;
    return p;
}

// Writes text at out with each control character as a blank, so that a lot
// an older file holds with a line break in its name is still one line; then
// blanks up to width characters. Returns the end, or null when the text is
// not well-formed UTF-8 (for wellFormed to mend). There is room for the
// blanks of kBlanks after the text.
char *writePadded(char *out, std::string_view text, int width)
{
    int characters = 0;
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
        const char *run = printableRunEnd(p, end);
        std::memcpy(out, p, std::size_t(run - p));
        out += run - p;
        characters += int(run - p);
        if ((p = run) == end)
            break;
        char32_t c = 0;
        if (!decodeUtf8(p, end, c))
            return nullptr;
        if (isControlCodePoint(c)) {
            *out++ = ' ';
        } else {
            std::memcpy(out, run, std::size_t(p - run));
            out += p - run;
        }
        ++characters;
    }
    if (characters < width) {
        std::memcpy(out, kBlanks, sizeof kBlanks - 1);
        out += width - characters;
    }
    return out;
}

// The most bytes of a lot's line: a text that is not well-formed grows by
// two bytes a byte at most when mended, and each field may be followed by
// the blanks of kBlanks.
std::size_t lineRoom(const ExportTexts &texts)
{
    std::size_t room = 64 + 2;
    for (int f = 0; f < kExportFieldCount; ++f)
        room += 3 * texts[f].size() + sizeof kBlanks;
    return room;
}

// A lot's line at out; returns its end.
char *line(const ExportTexts &texts, char *out, std::string &scratch)
{
    for (int f = 0; f < kExportFieldCount; ++f) {
        const int width = f < kExDate ? kMinWidth[f] : 0;
        char *end = writePadded(out, texts[f], width);
        out = end ? end : writePadded(out, wellFormed(texts[f], scratch), width);
        if (f < kExDate) {
            std::memcpy(out, kSeparator, 3);
            out += 3;
        }
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// The lines of a stretch of rows, made on a thread of the pool: their bytes,
// and the Error of the lot that ended them early, if one did.
struct Lines {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::optional<Error> failure;
};

constexpr std::size_t kRowsPerStretch = 8192;

Lines makeLines(const LotTable &lots, std::size_t from, std::size_t to)
{
    Lines made;
    std::size_t room = 0;
    ExportTexts texts;
    std::string scratch;
    try {
        for (std::size_t row = from; row < to; ++row) {
            texts.read(lots.lot(row));
            const std::size_t most = lineRoom(texts);
            if (made.size + most > room) {
                room = std::max(2 * room, made.size + most + (to - row) * 128);
                auto larger = std::make_unique_for_overwrite<char[]>(room);
                if (made.size > 0)
                    std::memcpy(larger.get(), made.bytes.get(), made.size);
                made.bytes = std::move(larger);
            }
            made.size = std::size_t(line(texts, made.bytes.get() + made.size, scratch) - made.bytes.get());
        }
    } catch (const Error &e) {
        made.failure = e;
    } catch (const std::bad_alloc &) {
        made.failure = Error(kErrOutOfMemory);
    }
    return made;
}

} // namespace

QString DateFileName(const QString &strDate)
{
    QString name = strDate;
    name.replace(u'/', u'_');
    return name;
}

QString textExportFileName(QDate day)
{
    return QStringLiteral("Tesmo_") + DateFileName(regional::shortDate(day)) + QStringLiteral(".txt");
}

void writeTextExport(const LotTable &lots, QIODevice &out, Progress *progress)
{
    // A file's pages go to the disk as they are written, without waiting for
    // them, so that the flush that makes the file durable before it replaces
    // an earlier one has little left to do.
    auto *const file = qobject_cast<QFileDevice *>(&out);
    const auto write = [&out, file](const char *bytes, std::size_t size) {
        const qint64 at = file ? file->pos() : 0;
        if (out.write(bytes, qint64(size)) != qint64(size))
            throw Error(kErrCannotWrite, QStringLiteral("The file could not be written: %1").arg(out.errorString()));
        // Only a head start: a failure shows in the flush, which is checked.
        if (file)
            ::sync_file_range(file->handle(), at, qint64(size), SYNC_FILE_RANGE_WRITE);
    };
    const QByteArray headings =
        exportHeadings().join(QLatin1String(kSeparator)).toUtf8() + "\r\n" + QByteArray(kUnderlineLength, '_') + "\r\n";
    write(headings.constData(), std::size_t(headings.size()));

    // The lines are made on Qt's pool, a stretch of rows each, a few
    // stretches ahead, and written here in order as each is made.
    const std::size_t rows = lots.size();
    ProgressSpan writing(progress, 0, 1000, qint64(rows));
    std::deque<QFuture<Lines>> made;
    const auto waitForTheRest = qScopeGuard([&made] {
        for (QFuture<Lines> &lines : made)
            lines.waitForFinished();
    });
    const std::size_t ahead = std::size_t(std::max(2, QThread::idealThreadCount() + 1));
    for (std::size_t next = 0, done = 0; done < rows; done = std::min(rows, done + kRowsPerStretch)) {
        for (; next < rows && made.size() < ahead; next += kRowsPerStretch) {
            const std::size_t to = std::min(rows, next + kRowsPerStretch);
            made.push_back(QtConcurrent::run([&lots, next, to] { return makeLines(lots, next, to); }));
        }
        if (!writing.advance(qint64(done)))
            throw Error(kErrUserCancelled);
        const Lines lines = made.front().takeResult();
        made.pop_front();
        // The lines before a lot that cannot be written are written out.
        write(lines.bytes.get(), lines.size);
        if (lines.failure)
            throw *lines.failure;
    }
}

} // namespace tesmo

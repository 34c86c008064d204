#include "import/CsvReader.h"

#include "text/Utf8.h"

#include <QStringDecoder>
#include <algorithm>

namespace tesmo {

namespace {

// How much of the file tells whether it is text.
constexpr qsizetype kSniffBytes = 64 * 1024;

QByteArray fromUtf16(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder decode(encoding, QStringDecoder::Flag::Stateless);
    return QString(decode(bytes)).toUtf8();
}

// The UTF-16 of a file without a byte-order mark: nearly every byte on one
// side of each pair NUL, none on the other, as text of mostly Latin letters
// has it.
std::optional<QStringDecoder::Encoding> utf16WithoutMark(QByteArrayView head)
{
    qsizetype nul[2] = {0, 0};
    for (qsizetype i = 0; i < head.size(); ++i)
        nul[i % 2] += head[i] == 0;
    const qsizetype pairs = head.size() / 2;
    if (pairs < 2)
        return std::nullopt;
    if (nul[0] == 0 && nul[1] * 4 > pairs * 3)
        return QStringDecoder::Utf16LE;
    if (nul[1] == 0 && nul[0] * 4 > pairs * 3)
        return QStringDecoder::Utf16BE;
    return std::nullopt;
}

// An image's, an archive's (a workbook is one) or a PDF's signature, or more
// than one byte in a hundred a control byte other than a tab, a line end or
// a form feed.
bool isNotText(QByteArrayView head)
{
    for (const char *magic : {"\x89PNG", "\xFF\xD8\xFF", "GIF8", "%PDF", "PK\x03\x04", "\x1F\x8B"}) {
        if (head.startsWith(magic))
            return true;
    }
    const auto control = std::count_if(head.begin(), head.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F;
    });
    return control * 100 > head.size();
}

// Bytes that are UTF-8 but for a few: marked as UTF-8, or at least one

// The bytes beyond ASCII: those of UTF-8 characters, and the others.
struct Beyond {
    qsizetype utf8 = 0, other = 0;
};
Beyond beyondAscii(QByteArrayView bytes)
{
    Beyond b;
    const char *const end = bytes.data() + bytes.size();
    char32_t c = 0;
    for (const char *p = bytes.data(); p < end;) {
        if (static_cast<unsigned char>(*p) < 0x80) {
            ++p;
            continue;
        }
        const char *at = p;
        if (decodeUtf8(p, end, c)) {
            b.utf8 += p - at;
        } else {
            ++b.other;
            ++p;
        }
    }
    return b;
}

// Each line (counted as the records count them) on which bad(p, end), which
// moves p past what it read, is true, in ascending order.
template <typename Bad>
std::vector<int> linesWith(QByteArrayView bytes, Bad bad)
{
    std::vector<int> lines;
    int line = 1;
    const char *const end = bytes.data() + bytes.size();
    for (const char *p = bytes.data(); p < end;) {
        const char *at = p;
        if (bad(p, end)) {
            if (lines.empty() || lines.back() != line)
                lines.push_back(line);
            continue;
        }
        if (*at == '\n' || (*at == '\r' && (p == end || *p != '\n')))
            ++line;
    }
    return lines;
}

// The bytes as UTF-8, each byte that is not as U+FFFD.
QByteArray utf8Mended(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 16);
    const char *const end = bytes.data() + bytes.size();
    char32_t c = 0;
    for (const char *p = bytes.data(); p < end;) {
        const char *at = p;
        if (decodeUtf8(p, end, c)) {
            out.append(at, p - at);
        } else {
            out.append("\xEF\xBF\xBD");
            ++p;
        }
    }
    return out;
}

// The bytes beyond ASCII pair as Shift_JIS writes Japanese: each a lead byte
// with its trail or a half-width kana, and at least half the pairs with a
// trail beyond ASCII or a lead of kana, marks and full-width letters and
// digits, as Japanese text has them (the accented letters of Windows-1252
// text pair, before a plain letter, only so, and its few bytes that lead
// those are punctuation seldom written).
bool pairsAsJapanese(QByteArrayView bytes)
{
    qsizetype pairs = 0, wideTrails = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (!lead || i + 1 == bytes.size())
            return false;
        const auto t = static_cast<unsigned char>(bytes[++i]);
        if (t < 0x40 || t == 0x7F || t > 0xFC)
            return false;
        ++pairs;
        wideTrails += t >= 0x80 || b <= 0x84;
    }
    return pairs > 0 && wideTrails * 2 >= pairs;
}

// Through the platform's converter; its printable range otherwise maps as
// Latin-1 does.
QByteArray decoded(QByteArrayView bytes, const char *codec)
{
    QStringDecoder decode(codec);
    if (!decode.isValid())
        return QString::fromLatin1(bytes).toUtf8();
    return QString(decode(bytes)).toUtf8();
}

} // namespace

QString encodingName(TextEncoding encoding)
{
    const char *const names[] = {"UTF-8", "UTF-16", "UTF-16", "Shift_JIS", "Windows-1252"};
    return QString::fromLatin1(names[int(encoding)]);
}

CsvText decodeAs(const QByteArray &bytes, TextEncoding encoding)
{
    CsvText text;
    text.encoding = encoding;
    switch (encoding) {
    case TextEncoding::Utf8: {
        const bool marked = bytes.startsWith("\xEF\xBB\xBF");
        const QByteArrayView b = QByteArrayView(bytes).sliced(marked ? 3 : 0);
        char32_t c = 0;
        text.badLines = linesWith(b, [&c](const char *&p, const char *end) {
            if (static_cast<unsigned char>(*p) < 0x80 || decodeUtf8(p, end, c)) {
                p += static_cast<unsigned char>(*p) < 0x80;
                return false;
            }
            ++p;
            return true;
        });
        // A file that is UTF-8 throughout is its own text, without a copy.
        text.utf8 = !text.badLines.empty() ? utf8Mended(b) : marked ? b.toByteArray() : bytes;
        break;
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool marked = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
        text.utf8 = fromUtf16(QByteArrayView(bytes).sliced(marked ? 2 : 0),
                              encoding == TextEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        break;
    }
    case TextEncoding::ShiftJis: text.utf8 = decoded(bytes, "windows-31j"); break;
    case TextEncoding::Windows1252: text.utf8 = decoded(bytes, "windows-1252"); break;
    }
    return text;
}

CsvText csvText(const QByteArray &bytes)
{
    const auto settled = [&](TextEncoding e, QString why) {
        CsvText text = decodeAs(bytes, e);
        text.evidence = std::move(why);
        return text;
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return settled(TextEncoding::Utf8, QStringLiteral("the file starts with the byte-order mark of UTF-8"));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return settled(bytes[0] == '\xFF' ? TextEncoding::Utf16LE : TextEncoding::Utf16BE,
                       QStringLiteral("the file starts with the byte-order mark of UTF-16"));
    const QByteArrayView head = QByteArrayView(bytes).first(std::min(bytes.size(), kSniffBytes));
    if (const auto utf16 = utf16WithoutMark(head))
        return settled(*utf16 == QStringDecoder::Utf16LE ? TextEncoding::Utf16LE : TextEncoding::Utf16BE,
                       QStringLiteral("every other byte is zero, as UTF-16 writes Latin letters"));
    if (isNotText(head)) {
        CsvText none;
        none.notText = true;
        none.evidence = QStringLiteral("its bytes are no text");
        return none;
    }
    const Beyond b = beyondAscii(bytes);
    const qsizetype all = b.utf8 + b.other;
    if (all == 0) {
        CsvText text;
        text.utf8 = bytes;
        text.encoding = TextEncoding::Utf8;
        text.evidence = QStringLiteral("every byte is ASCII, which reads alike in them all");
        return text;
    }
    if (b.other == 0) {   // its own text, without a second look
        CsvText text;
        text.utf8 = bytes;
        text.encoding = TextEncoding::Utf8;
        text.evidence = QStringLiteral("all %1 of its bytes beyond ASCII form UTF-8 characters").arg(all);
        return text;
    }
    if (b.utf8 >= b.other)
        return settled(TextEncoding::Utf8, QStringLiteral("%1 of its %2 bytes beyond ASCII form UTF-8 characters; the "
                                                          "rows that hold the %3 others are refused")
                                               .arg(b.utf8)
                                               .arg(all)
                                               .arg(b.other));
    if (4 * b.utf8 <= b.other) {
        const QString none = all == 1 ? QStringLiteral("its one byte beyond ASCII forms no UTF-8 character")
                             : b.utf8 == 0
                                 ? QStringLiteral("none of its %1 bytes beyond ASCII forms a UTF-8 character").arg(all)
                                 : QStringLiteral("only %1 of its %2 bytes beyond ASCII form UTF-8 characters")
                                       .arg(b.utf8)
                                       .arg(all);
        if (pairsAsJapanese(bytes))
            return settled(TextEncoding::ShiftJis, none + QStringLiteral(", and they pair as Japanese characters"));
        // A character of UTF-8 among them says the file is not Windows-1252 throughout.
        if (b.utf8 == 0)
            return settled(TextEncoding::Windows1252,
                           none + (all == 1 ? QStringLiteral(", nor pairs as a Japanese one")
                                            : QStringLiteral(", and they do not pair as Japanese characters")));
    }
    // Read as UTF-8 meanwhile; the rows with bytes beyond ASCII wait.
    CsvText text = decodeAs(bytes, TextEncoding::Utf8);
    text.encoding.reset();
    text.badLines.clear();
    text.wideLines = linesWith(bytes, [](const char *&p, const char *) { return static_cast<unsigned char>(*p++) >= 0x80; });
    text.evidence = QStringLiteral("%1 of its %2 bytes beyond ASCII form UTF-8 characters and %3 do not")
                        .arg(b.utf8)
                        .arg(all)
                        .arg(b.other);
    return text;
}

} // namespace tesmo

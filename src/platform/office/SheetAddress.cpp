#include "platform/office/SheetAddress.h"

#include "text/Error.h"

#include <QRegularExpression>
#include <xlsxwriter.h>

namespace tesmo::office {

namespace {

[[noreturn]] void notFound(const QString &what, const QString &address)
{
    throw Error(kErrNotAvailable, QStringLiteral("The spreadsheet cannot find the %1 %2.").arg(what, address));
}

int columnNumber(QStringView letters)
{
    int n = 0;
    for (const QChar c : letters)
        n = n * 26 + (c.toUpper().unicode() - u'A' + 1);
    return n;
}

} // namespace

std::pair<int, int> rowRange(const QString &address)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d+)(?::(\\d+))?\\s*$"));
    const auto m = pattern.match(address);
    if (!m.hasMatch())
        notFound(QStringLiteral("rows"), address);
    const int first = m.captured(1).toInt();
    const int last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
    if (first < 1 || last < first || last > int(LXW_ROW_MAX))
        notFound(QStringLiteral("rows"), address);
    return {first, last};
}

std::pair<int, int> columnRange(const QString &address)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([A-Za-z]{1,3})(?::([A-Za-z]{1,3}))?\\s*$"));
    const auto m = pattern.match(address);
    if (!m.hasMatch())
        notFound(QStringLiteral("columns"), address);
    const int first = columnNumber(m.capturedView(1));
    const int last = m.capturedView(2).isEmpty() ? first : columnNumber(m.capturedView(2));
    if (first < 1 || last < first || last > int(LXW_COL_MAX))
        notFound(QStringLiteral("columns"), address);
    return {first, last};
}

} // namespace tesmo::office

#include "store/LotChanges.h"

#include "text/Regional.h"

#include <QStringList>

namespace tesmo {

QString lotChanges(const Statement &same, int first)
{
    static const char *const kValues[] = {"name", "ticker symbol", "number of shares", "price per share",
                                          "net amount", "trade date"};
    QStringList changed;
    for (int column = 0; column < 6; ++column)
        if (same.int64(first + column) == 0)
            changed << QString::fromLatin1(kValues[column]);
    if (changed.isEmpty())
        return {};
    // A split changes the number of shares and the price; anything else is
    // an edit.
    const bool split = same.int64(first + 2) == 0 || same.int64(first + 3) == 0;
    return QStringLiteral("its %1 changed (%2)")
        .arg(regional::listed(changed), split ? QStringLiteral("a split or an edit") : QStringLiteral("an edit"));
}

} // namespace tesmo

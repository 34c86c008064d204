// The choices a user made for a layout of broker's file (the columns, the
// date order, the decimal marks, the sign of a purchase's money), kept in
// the ledger as text under the layout's header line, so that the next file
// of the same layout is read as the user said, and shows so.
#pragma once

#include "import/ImportChoices.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

namespace tesmo {

struct RememberedLayout {
    QString choices;   // as layoutText writes them
    QDate on;          // the day they were kept
};
// By layout key.
using RememberedLayouts = QHash<QString, RememberedLayout>;

// The key of a layout: its header line's texts.
QString layoutKey(const QStringList &headers);

// What a layout's text remembers, reading by reading.
struct LayoutChoices {
    std::array<std::optional<int>, kImportFieldCount> columns;
    std::optional<DateOrder> dateOrder;
    std::array<std::optional<QChar>, kNumberColumns> decimals;
    std::optional<MoneySign> purchaseSign;
};
LayoutChoices parseLayout(const QString &text);

// What a layout remembers after an import, as text ("date=DMY;decimal.2=,;column.1=4"):
// each reading the user chose, else as kept before (a reading the file
// settled by itself neither drops nor changes it); empty when there are none.
QString layoutText(const ImportChoices &choices, const ImportReadings &readings, const LayoutChoices &kept);

} // namespace tesmo

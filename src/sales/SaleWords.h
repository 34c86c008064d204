// How the messages about sales word their figures.
#pragma once

#include <QDate>
#include <QString>

namespace tesmo {

// A count of shares in a message, its whole digits grouped by thousands:
// "1 share", "0.5 shares", "12,050,000 shares".
QString sharesPhrase(double shares);

// A lot as messages name it, after "lot": "17 (bought 1/15/2003)".
QString lotPhrase(qint64 id, QDate bought);

} // namespace tesmo

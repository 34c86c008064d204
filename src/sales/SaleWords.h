// How the messages about sales word their figures.
#pragma once

#include <QString>

namespace tesmo {

// A count of shares in a message, its whole digits grouped by thousands:
// "1 share", "0.5 shares", "12,050,000 shares".
QString sharesPhrase(double shares);

} // namespace tesmo

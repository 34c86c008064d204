// Alt plus a letter or digit is an access key. When no enabled button takes
// it, the text boxes must not type the letter either.
#pragma once

class QKeyEvent;

namespace tesmo {

bool isAccessKey(const QKeyEvent &event);

} // namespace tesmo

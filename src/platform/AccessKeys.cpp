#include "platform/AccessKeys.h"

#include <QKeyEvent>

namespace tesmo {

bool isAccessKey(const QKeyEvent &event)
{
    // Alt, maybe with Shift; AltGr layouts add other modifiers and type text.
    const auto mods = event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::AltModifier)
        return false;
    const int key = event.key();
    return (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
}

} // namespace tesmo

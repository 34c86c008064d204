#include "platform/AccessKeys.h"

#include <QKeyEvent>
#include <QShortcutEvent>

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

AccessKeyButton::AccessKeyButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
}

bool AccessKeyButton::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut && isEnabled()) {
        const auto *shortcut = static_cast<QShortcutEvent *>(event);
        if (!shortcut->isAmbiguous() && focusPolicy() != Qt::NoFocus)
            setFocus(Qt::ShortcutFocusReason);
    }
    return QPushButton::event(event);
}

} // namespace tesmo

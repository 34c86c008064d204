#include "platform/QtDialogs.h"

#include "platform/Twips.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace tesmo {

Dialogs::Answer QtDialogs::message(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(icon == Icon::Information   ? QMessageBox::Information
                : icon == Icon::Exclamation ? QMessageBox::Warning
                                            : QMessageBox::NoIcon);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A box shown while the wait pointer is up still gets the normal pointer.
    const bool wasWaiting = waiting_;
    if (wasWaiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    if (wasWaiting)
        QApplication::restoreOverrideCursor();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText,
                         std::optional<QPoint> position)
{
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    box.setInputMode(QInputDialog::TextInput);
    if (position)
        box.move(twipsToPixels(position->x()), twipsToPixels(position->y()));
    if (box.exec() != QDialog::Accepted)
        return {};
    return box.textValue();
}

void QtDialogs::setWaitPointer(bool wait)
{
    if (wait == waiting_)
        return;
    waiting_ = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace tesmo

#include "platform/QtDialogs.h"

#include "platform/Twips.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace tesmo {

namespace {

const char *const kBoxProperty = "tesmoBox";

// A box shown while the wait pointer is up gets the normal pointer.
class NormalPointer {
public:
    explicit NormalPointer(bool waiting)
        : waiting_(waiting)
    {
        if (waiting_)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalPointer()
    {
        if (waiting_)
            QApplication::restoreOverrideCursor();
    }

private:
    bool waiting_;
};

} // namespace

bool isDialogBox(const QWidget *window)
{
    return window && window->property(kBoxProperty).toBool();
}

void markAsDialogBox(QWidget *window)
{
    window->setProperty(kBoxProperty, true);
}

Dialogs::Answer QtDialogs::message(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    markAsDialogBox(&box);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
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
    const NormalPointer pointer(waiting_);
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText,
                         std::optional<QPoint> position, Echo echo, int maxLength)
{
    QInputDialog box(QApplication::activeWindow());
    markAsDialogBox(&box);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    for (QLabel *label : box.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    box.setTextValue(defaultText);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextEchoMode(echo == Echo::Password ? QLineEdit::Password : QLineEdit::Normal);
    if (maxLength > 0) {
        for (QLineEdit *edit : box.findChildren<QLineEdit *>())
            edit->setMaxLength(maxLength);
    }
    if (position)
        box.move(twipsToPixels(position->x()), twipsToPixels(position->y()));
    const NormalPointer pointer(waiting_);
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

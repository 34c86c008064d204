#include "platform/QtDialogs.h"

#include "platform/Twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>

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

// How often a progress dialog is brought up to date (and the user's Cancel
// looked at) once it shows.
constexpr int kProgressStepMs = 25;
constexpr int kProgressSteps = 1000;

// A QProgressDialog over the active window, modal to it, so that the Cancel
// button is the one thing the user can press while the work runs. It is
// brought up to date at most every kProgressStepMs; in between, advance()
// costs a clock reading. A Cancel does not close it: it says at once that the
// work is being cancelled and stays, still modal, until the work has stopped
// and this object is gone. finish() ends the dialog itself, so that its own
// timer cannot show it later.
class QtProgress : public Progress {
public:
    QtProgress(const QString &label, qint64 total, int showAfterMs)
        : dialog_(std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, kProgressSteps,
                                                    QApplication::activeWindow()))
        , total_(std::max<qint64>(total, 1))
        , showAfterMs_(showAfterMs)
    {
        QProgressDialog &dialog = *dialog_;
        dialog.setProperty(kBoxProperty, true);
        dialog.setWindowTitle(kProgramTitle);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setMinimumDuration(showAfterMs);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        // The Cancel button, Escape and the window's close all say canceled().
        QObject::disconnect(&dialog, SIGNAL(canceled()), &dialog, SLOT(cancel()));
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [this, &dialog] {
            cancelled_ = true;
            dialog.setLabelText(QStringLiteral("Cancelling ..."));
            if (auto *button = dialog.findChild<QPushButton *>())
                button->setEnabled(false);
            // Shown now, not when the work next lets the events through.
            dialog.repaint();
        });
        dialog.setValue(0);   // starts the clock of the minimum duration
        clock_.start();
    }

    bool advance(qint64 done) override
    {
        if (!dialog_ || ended_ || clock_.elapsed() < next_)
            return !cancelled_;
        next_ = clock_.elapsed() + kProgressStepMs;
        QProgressDialog &dialog = *dialog_;
        const int value = int(std::clamp<qint64>(done * kProgressSteps / total_, 0, kProgressSteps - 1));
        busy_ = true;
        if (value != dialog.value() && !cancelled_) {
            // Shows the dialog once its time has come, and lets the events
            // through while it is up: Cancel, and the repaints under it.
            dialog.setValue(value);
        } else {
            // Work that stands still (or winds down after a cancel) is shown
            // and answered all the same.
            if (!dialog.isVisible() && clock_.elapsed() >= showAfterMs_ && !cancelled_)
                dialog.show();
            if (dialog.isVisible())
                QCoreApplication::processEvents();
        }
        busy_ = false;
        if (ended_)
            dialog_.reset();
        return !cancelled_;
    }

    void finish() override
    {
        if (!dialog_ || ended_)
            return;
        // Hidden for good: the dialog's own timer can no longer show it.
        dialog_->cancel();
        ended_ = true;
        // A box that came through the events that advance() lets through
        // ends the dialog once they are done with it.
        if (!busy_)
            dialog_.reset();
    }

private:
    std::unique_ptr<QProgressDialog> dialog_;   // null once finished
    qint64 total_;
    int showAfterMs_;   // the work's time before the dialog shows
    QElapsedTimer clock_;
    qint64 next_ = 0;
    bool cancelled_ = false;
    bool busy_ = false;    // advance() is letting the events through
    bool ended_ = false;   // finish() was called
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

Dialogs::Answer QtDialogs::showMessage(const QString &text, Buttons buttons, Icon icon, const QString &title)
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

QString QtDialogs::showInput(const QString &prompt, const QString &title, const QString &defaultText,
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

std::unique_ptr<Progress> QtDialogs::makeProgress(const QString &label, qint64 total, int showAfterMs)
{
    return std::make_unique<QtProgress>(label, total, showAfterMs);
}

QString QtDialogs::showOpenFile(const QString &title, const QString &folder, const QString &filter)
{
    QFileDialog box(QApplication::activeWindow(), title, folder, filter);
    markAsDialogBox(&box);
    box.setObjectName(QStringLiteral("openFileDialog"));
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setFileMode(QFileDialog::ExistingFile);
    const NormalPointer pointer(waiting_);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return {};
    return box.selectedFiles().constFirst();
}

QString QtDialogs::showSaveFile(const QString &title, const QString &proposed, const QString &filter,
                                int *filterIndex)
{
    const QStringList filters = filter.split(QStringLiteral(";;"));
    const QFileInfo file(proposed);
    QFileDialog box(QApplication::activeWindow(), title, file.absolutePath(), filter);
    markAsDialogBox(&box);
    box.setObjectName(QStringLiteral("saveFileDialog"));
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setFileMode(QFileDialog::AnyFile);
    box.setDefaultSuffix(file.suffix());
    box.selectFile(file.fileName());
    if (filterIndex && *filterIndex >= 0 && *filterIndex < filters.size())
        box.selectNameFilter(filters[*filterIndex]);
    const NormalPointer pointer(waiting_);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return {};
    if (filterIndex)
        *filterIndex = std::max(0, int(filters.indexOf(box.selectedNameFilter())));
    return box.selectedFiles().constFirst();
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

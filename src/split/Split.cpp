#include "split/Split.h"

#include "platform/AccessKeys.h"
#include "platform/ErrorTrap.h"
#include "platform/Twips.h"
#include "text/FieldRules.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

Split::Split(Dialogs &dialogs, Apply apply, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , dialogs_(dialogs)
    , apply_(std::move(apply))
{
    setObjectName(QStringLiteral("Split"));
    setWindowTitle(QStringLiteral("Split"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(3600), twipsToPixels(1905));
    setFont(designFont(font()));
    QFont bold = font();
    bold.setBold(true);

    auto *label1 = new QLabel(QStringLiteral("Ratio:"), this);
    place(label1, "Label1", {120, 120, 735, 375});
    txtFrom = new QLineEdit(this);
    place(txtFrom, "txtFrom", {960, 480, 735, 375});
    auto *label2 = new QLabel(QStringLiteral("for"), this);
    place(label2, "Label2", {1800, 480, 495, 375});
    txtTo = new QLineEdit(this);
    place(txtTo, "txtTo", {2400, 480, 735, 375});
    auto *ok = new AccessKeyButton(QStringLiteral("OK"), this);
    place(ok, "OKButton", {240, 1080, 1335, 495});
    auto *cancel = new AccessKeyButton(QStringLiteral("Cancel"), this);
    place(cancel, "CancelButton", {1920, 1080, 1335, 495});
    label1->setFont(bold);
    label2->setFont(bold);
    setTabOrder(txtFrom, txtTo);
    setTabOrder(txtTo, ok);
    setTabOrder(ok, cancel);

    txtFrom->installEventFilter(this);
    txtTo->installEventFilter(this);
    connect(ok, &QPushButton::clicked, this, &Split::OKButton_Click);
    connect(cancel, &QPushButton::clicked, this, &Split::CancelButton_Click);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Split::windowActivated);
}

// Form_Activate runs each time the dialog becomes active, but not when a
// message or input box over it closes: the box's routine has put the focus
// where it belongs. A moment without any active window (another program's
// turn, or a box just closed) does not count as a window of its own.
void Split::windowActivated(QWindow *now)
{
    if (!now)
        return;
    if (now == windowHandle() && !cameFromBox_)
        Form_Activate();
    cameFromBox_ = false;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowHandle() == now)
            cameFromBox_ = isDialogBox(w);
}

void Split::Form_Activate()
{
    txtFrom->setFocus(Qt::ActiveWindowFocusReason);
}

bool Split::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isAccessKey(*key))
            return true;   // an access key no enabled button took
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == txtFrom)
                txtTo->setFocus(Qt::TabFocusReason);
            else if (watched == txtTo)
                OKButton_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Split::OKButton_Click()
{
    errorTrap(dialogs_, QStringLiteral("Source: Split OKButton_Click"), [this] {
        if (txtFrom->text().isEmpty()) {
            txtFrom->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (txtTo->text().isEmpty()) {
            txtTo->setFocus(Qt::OtherFocusReason);
            return;
        }
        const auto valid = [](const QString &text) {
            const auto v = IsNumber(text) ? numberFromText(text) : std::nullopt;
            return v && *v >= 1 ? v : std::nullopt;
        };
        const auto from = valid(txtFrom->text());
        const auto to = valid(txtTo->text());
        const auto refuse = [this](QLineEdit *box) {
            dialogs_.message(QStringLiteral("Invalid Entry"), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            box->setFocus(Qt::OtherFocusReason);
        };
        if (!from || !to) {
            refuse(from ? txtTo : txtFrom);
            return;
        }
        try {
            apply_(*from / *to);
        } catch (const Error &e) {
            if (e.number() != kErrOutOfRange)
                throw;
            refuse(txtFrom);
            return;
        }
        close();
    });
}

void Split::CancelButton_Click()
{
    close();
}

} // namespace tesmo

#include "protect/Form1.h"

#include "text/FailureWords.h"
#include "mainwin/frmStocks.h"
#include "platform/AccessKeys.h"
#include "platform/ErrorTrap.h"
#include "platform/Twips.h"
#include "store/Database.h"
#include "text/Limits.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace tesmo {

namespace {

const QString kTitle = QStringLiteral("Tesmo");

// Client area at start-up, and the dialog's outer size, in twips.
constexpr int kDesignWidth = 1560;
constexpr int kDesignHeight = 75;
constexpr int kDialogWidth = 4650;
constexpr int kDialogHeight = 1620;

// Where the password prompt opens: its top-left corner from the screen's.
const QPoint kPromptPlace(3000, 3675);

// The password boxes take one code unit more than the longest password can
// have, so that a longer one typed or pasted is refused, never cut to fit.
constexpr int kPasswordBoxLength = 2 * kPasswordLength + 1;

void centre(QWidget *window)
{
    const QRect screen = window->screen()->availableGeometry();
    window->move(screen.center() - window->rect().center());
}

} // namespace

Form1::Form1(Platform platform, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
    , platform_(platform)
    , options_(QString::fromUtf8(kDatabaseName))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);
    setFont(designFont(font()));
    QFont bold = font();
    bold.setBold(true);

    auto *label1 = new QLabel(QStringLiteral("Password Protection"), this);
    place(label1, "Label1", {240, 240, 1815, 255});
    chkProtection = new QCheckBox(this);
    place(chkProtection, "chkProtection", {2520, 240, 195, 255});
    auto *label2 = new QLabel(QStringLiteral("Password"), this);
    place(label2, "Label2", {240, 600, 855, 255});
    txtPassword = new QLineEdit(this);
    place(txtPassword, "txtPassword", {1200, 600, 1575, 285});
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMaxLength(kPasswordBoxLength);
    auto *ok = new AccessKeyButton(QStringLiteral("OK"), this);
    place(ok, "OKButton", {3120, 120, 1215, 375});
    CancelButton = new AccessKeyButton(QStringLiteral("Cancel"), this);
    place(CancelButton, "CancelButton", {3120, 600, 1215, 375});
    for (QWidget *w : std::initializer_list<QWidget *>{label1, label2, ok, CancelButton})
        w->setFont(bold);
    // Cancel first, so the dialog opens with the focus on it.
    setTabOrder(CancelButton, ok);
    setTabOrder(ok, txtPassword);
    setTabOrder(txtPassword, chkProtection);

    connect(ok, &QPushButton::clicked, this, &Form1::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Form1::CancelButton_Click);
    setFixedSize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
}

Form1::~Form1() = default;

bool Form1::trap(const char *sourceTag, const std::function<void()> &body)
{
    return errorTrap(platform_.dialogs, QString::fromUtf8(sourceTag), [&] { runInUserWords(body); });
}

void Form1::start()
{
    centre(this);
    show();
    QTimer::singleShot(0, this, &Form1::Form_Activate);
}

// The password gate: with protection on, the password is asked for until the
// right one is given, compared exactly; an empty answer or Cancel ends the
// program. A ledger whose setting cannot be read opens no main window either.
// Nothing that shows the stored password is filled in before the gate opens.
void Form1::Form_Activate()
{
    enum class Outcome { Refused, Opened, Untypable } outcome = Outcome::Refused;
    const bool ran = trap(" Form1 Form_Activate", [&] {
        QString notice;
        const ProtectionSetting stored = options_.read(&notice);
        if (!notice.isEmpty())
            platform_.dialogs.message(notice, Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, kTitle);
        if (stored.isProtected) {
            if (characterCount(stored.password) > kPasswordLength) {
                platform_.dialogs.message(
                    QStringLiteral("The password stored in Tesmo.mdb is longer than %1 characters, so it cannot be "
                                   "typed here; another program must have stored it. To remove the password, run: "
                                   "sqlite3 Tesmo.mdb \"UPDATE Options SET Protected = 0\"")
                        .arg(kPasswordLength),
                    Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, kTitle);
                outcome = Outcome::Untypable;
                return;
            }
            QString prompt = QStringLiteral("Please Enter Your Password");
            QString answer;
            while (true) {
                answer = platform_.dialogs.input(prompt, kTitle, {}, kPromptPlace, Dialogs::Echo::Password,
                                                 kPasswordBoxLength);
                if (answer.isEmpty() || answer == stored.password)
                    break;
                if (characterCount(answer) > kPasswordLength)
                    tellPasswordLimit();
                prompt = QStringLiteral("Incorrect Password. Please try again.");
            }
            if (answer.isEmpty())
                return;
        }
        outcome = Outcome::Opened;
        openMainWindow();
    });
    if (!ran || outcome == Outcome::Untypable) {
        hide();
        emit programEnds();
    } else if (outcome == Outcome::Refused) {
        refuse();
    }
}

void Form1::tellPasswordLimit()
{
    platform_.dialogs.message(QStringLiteral("A password holds at most %1 characters.").arg(kPasswordLength),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Information, kTitle);
}

void Form1::openMainWindow()
{
    hide();
    main_ = std::make_unique<frmStocks>(platform_);
    connect(main_.get(), &frmStocks::passwordProtectionRequested, this, &Form1::cmdOptions_Click);
    connect(main_.get(), &frmStocks::closed, this, [this] {
        hide();
        emit programEnds();
    });
    main_->open();
    centre(main_.get());
    main_->show();
}

void Form1::refuse()
{
    hide();
    platform_.dialogs.message(QStringLiteral("Password not provided. Closing program."), Dialogs::Buttons::Ok,
                              Dialogs::Icon::Information, kTitle);
    emit programEnds();
}

// Opened from the main window: the setting read afresh, the form enlarged to
// show its controls, modeless, with the focus on Cancel.
void Form1::cmdOptions_Click()
{
    trap("Source : frmStocks cmdOptions_Click", [this] {
        showSetting(options_.read());
        if (main_) {
            winId();
            windowHandle()->setTransientParent(main_->windowHandle());
        }
        show();
        // The outer size includes the frame that the desktop draws around it.
        // The desktop frames a window only after it is first shown; until
        // then the main window's frame stands in for the dialog's.
        QSize frame = frameGeometry().size() - size();
        if (frame.isEmpty() && main_)
            frame = main_->frameGeometry().size() - main_->size();
        setFixedSize(QSize(twipsToPixels(kDialogWidth), twipsToPixels(kDialogHeight)) - frame);
        centre(this);
        raise();
        activateWindow();
        CancelButton->setFocus(Qt::OtherFocusReason);
    });
}

void Form1::showSetting(const ProtectionSetting &setting)
{
    chkProtection->setChecked(setting.isProtected);
    txtPassword->setText(setting.password);
}

// Stores the setting and hides the dialog. Protection needs a password; a
// password typed while protection is off is stored all the same. When the
// setting cannot be stored, the dialog stays open with what was typed.
void Form1::OKButton_Click()
{
    trap(" Form1 OKButton_Click", [this] {
        if (chkProtection->isChecked() && txtPassword->text().isEmpty()) {
            platform_.dialogs.message(QStringLiteral("Must Enter a Password"), Dialogs::Buttons::Ok,
                                      Dialogs::Icon::Information, kTitle);
            return;
        }
        if (characterCount(txtPassword->text()) > kPasswordLength) {
            tellPasswordLimit();
            return;
        }
        options_.write({chkProtection->isChecked(), txtPassword->text()});
        hide();
    });
}

void Form1::CancelButton_Click()
{
    trap(" Form1 CancelButton_Click", [this] {
        showSetting(options_.read());
        hide();
    });
}

// The close box of the dialog discards the changes as Cancel does.
void Form1::closeEvent(QCloseEvent *event)
{
    if (main_ && isVisible()) {
        event->ignore();
        CancelButton_Click();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace tesmo

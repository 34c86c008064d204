#include "mainwin/frmStocks.h"

#include "platform/AccessKeys.h"
#include "platform/ErrorTrap.h"
#include "split/Split.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

frmStocks::frmStocks(Platform platform, QWidget *parent)
    : QWidget(parent)
    , platform_(platform)
    , dialogs_(platform.dialogs)
{
    buildControls();
    binding_ = std::make_unique<BoxBinding>(txtFields);
    data1_ = std::make_unique<RecordStore>(QString::fromUtf8(kDatabaseName), *binding_);
    data1_->setEvents({
        [this](int &action, bool &save) { Data1_Validate(action, save); },
        [this] { Data1_Reposition(); },
        [this](int err, const QString &description, int &response) { Data1_Error(err, description, response); },
    });
    wireEvents();
    Form_Initialize();
}

frmStocks::~frmStocks() = default;

void frmStocks::wireEvents()
{
    for (int i = 0; i < kFieldCount; ++i) {
        QLineEdit *box = txtFields[std::size_t(i)];
        connect(box, &QLineEdit::textChanged, this, [this, i] {
            binding_->noteChange(i);
            txtFields_Change(i);
        });
        box->installEventFilter(this);
    }
    const std::pair<QPushButton *, void (frmStocks::*)()> clicks[] = {
        {cmdClose, &frmStocks::cmdClose_Click},   {cmdNext, &frmStocks::cmdNext_Click},
        {cmdPrev, &frmStocks::cmdPrev_Click},     {cmdAdd, &frmStocks::cmdAdd_Click},
        {cmdUndo, &frmStocks::cmdUndo_Click},     {cmdSave, &frmStocks::cmdSave_Click},
        {cmdDelete, &frmStocks::cmdDelete_Click}, {cmdFind, &frmStocks::cmdFind_Click},
        {cmdSelect, &frmStocks::cmdSelect_Click}, {cmddeselect, &frmStocks::cmddeselect_Click},
        {cmdSplit, &frmStocks::cmdSplit_Click},
    };
    for (const auto &[button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);
    connect(ListView1, &QAbstractItemView::clicked, this, &frmStocks::ListView1_Click);
    connect(ListView2, &QAbstractItemView::clicked, this, &frmStocks::ListView2_Click);
    connect(ListView1, &QAbstractItemView::doubleClicked, this, &frmStocks::ListView1_DblClick);
    connect(ListView2, &QAbstractItemView::doubleClicked, this, &frmStocks::ListView2_DblClick);
    ListView1->onKeyDown = [this](int code) { return ListView1_KeyDown(code); };
    ListView2->onKeyDown = [this](int code) { return ListView2_KeyDown(code); };
}

bool frmStocks::trap(const char *sourceTag, const std::function<void()> &body)
{
    return errorTrap(dialogs_, QString::fromUtf8(sourceTag), body);
}

bool frmStocks::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

bool frmStocks::eventFilter(QObject *watched, QEvent *event)
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (watched != txtFields[std::size_t(i)])
            continue;
        if (event->type() == QEvent::KeyPress) {
            const auto *keyEvent = static_cast<QKeyEvent *>(event);
            if (isAccessKey(*keyEvent))
                return true;   // an access key no enabled button took
            const int key = keyEvent->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                txtFields_KeyPress(i, 13);
                return true;
            }
            if (key == Qt::Key_Escape) {
                txtFields_KeyPress(i, 27);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Only a move of the focus to another control of the program
            // counts; switching windows or opening a menu does not.
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                txtFields_LostFocus(i);
        }
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmStocks::setListsAvailable(bool available)
{
    ListView1->setEnabled(available);
    ListView2->setEnabled(available);
}

} // namespace tesmo

#include "mainwin/RestoreDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tesmo {

RestoreDialog::RestoreDialog(const QString &folderName, const std::vector<Row> &rows, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreFromBackup"));
    setWindowTitle(QStringLiteral("Restore from Backup"));

    auto *caption = new QLabel(QStringLiteral("&Copies of the ledger in \"%1\":").arg(folderName), this);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("copies"));
    list_->setHeaderLabels({QStringLiteral("Made"), QStringLiteral("Kind"), QStringLiteral("Lots")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    caption->setBuddy(list_);
    for (const Row &row : rows) {
        auto *item = new QTreeWidgetItem(list_, {row.made, row.kind, row.lots});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!row.choosable)
            item->setFlags(Qt::NoItemFlags);
    }
    for (int c = 0; c < list_->columnCount(); ++c)
        list_->resizeColumnToContents(c);
    list_->setMinimumWidth(list_->header()->length() + 40);

    auto *buttons = new QDialogButtonBox(this);
    restore_ = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    restore_->setObjectName(QStringLiteral("restore"));
    restore_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(list_);
    layout->addWidget(buttons);

    // Only a copy that opens as a ledger can be chosen; the first is current.
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { restore_->setEnabled(chosen() >= 0); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (chosen() >= 0)
            accept();
    });
    for (int r = 0; r < list_->topLevelItemCount(); ++r) {
        if (list_->topLevelItem(r)->flags() & Qt::ItemIsEnabled) {
            list_->setCurrentItem(list_->topLevelItem(r));
            break;
        }
    }
    restore_->setEnabled(chosen() >= 0);
    list_->setFocus();
}

int RestoreDialog::chosen() const
{
    QTreeWidgetItem *item = list_->currentItem();
    return item && (item->flags() & Qt::ItemIsEnabled) ? list_->indexOfTopLevelItem(item) : -1;
}

} // namespace tesmo

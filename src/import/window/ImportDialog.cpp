#include "import/window/ImportDialog.h"

#include "platform/DialogTable.h"
#include "platform/Dialogs.h"
#include "text/Error.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <memory>
#include <utility>
#include <vector>

namespace tesmo {

namespace {

// The choices' captions, with their access keys, in ImportField order.
const char *const kFieldCaptions[kImportFieldCount] = {"Trade &date:", "&Ticker:", "&Name:", "&Shares:",
                                                       "&Price:", "Net &amount:", "A&ction:"};
// Fields that may come from no column.
constexpr bool kMayBeNone[kImportFieldCount] = {false, false, true, false, true, true, true};

} // namespace

ImportDialog::ImportDialog(LotImport &import, Dialogs &dialogs, const QString &fileName, QWidget *parent)
    : QDialog(parent)
    , import_(import)
    , dialogs_(dialogs)
{
    buildControls(fileName);
    showChoices();
    showCounts();
    if (rows_->rowCount() > 0)
        table_->setCurrentIndex(rows_->index(0, kImportLine));
}

void ImportDialog::buildControls(const QString &fileName)
{
    setObjectName(QStringLiteral("ImportLots"));
    setWindowTitle(QStringLiteral("Import Lots"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("header"));
    header_->setTextFormat(Qt::PlainText);
    header_->setText(QFileInfo(fileName).fileName());
    header_->setToolTip(fileName);
    layout->addWidget(header_);

    // The columns, four to a line, then the reading on a line of its own.
    auto *grid = new QGridLayout;
    auto *reading = new QHBoxLayout;
    const auto addChoice = [&](int at, const QString &caption, QComboBox *combo, const QString &name) {
        combo->setObjectName(name);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setMinimumContentsLength(10);
        auto *label = new QLabel(caption, this);
        label->setBuddy(combo);
        if (at < kImportFieldCount) {
            grid->addWidget(label, at / 4, 2 * (at % 4), Qt::AlignRight);
            grid->addWidget(combo, at / 4, 2 * (at % 4) + 1);
        } else {
            reading->addWidget(label);
            reading->addWidget(combo);
            reading->addSpacing(16);
        }
        connect(combo, &QComboBox::currentIndexChanged, this, &ImportDialog::choiceChanged);
        return label;
    };
    const char *const names[kImportFieldCount] = {"tradeDateColumn", "tickerColumn", "nameColumn", "sharesColumn",
                                                  "priceColumn", "netAmountColumn", "actionColumn"};
    for (int f = 0; f < kImportFieldCount; ++f) {
        columns_[std::size_t(f)] = new QComboBox(this);
        addChoice(f, QString::fromUtf8(kFieldCaptions[f]), columns_[std::size_t(f)], QString::fromLatin1(names[f]));
    }
    dateOrder_ = new QComboBox(this);
    dateOrderLabel_ = addChoice(7, {}, dateOrder_, QStringLiteral("dateOrder"));
    decimal_ = new QComboBox(this);
    decimalLabel_ = addChoice(8, {}, decimal_, QStringLiteral("decimalSeparator"));
    separator_ = new QComboBox(this);
    separator_->addItem(QStringLiteral("Comma"), int(','));
    separator_->addItem(QStringLiteral("Semicolon"), int(';'));
    separator_->addItem(QStringLiteral("Tab"), int('\t'));
    addChoice(9, QStringLiteral("S&eparator:"), separator_, QStringLiteral("separator"));
    reading->addStretch(1);
    layout->addLayout(grid);
    layout->addLayout(reading);

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("counts"));
    counts_->setWordWrap(true);
    layout->addWidget(counts_);

    auto *rowsLabel = new QLabel(QStringLiteral("&Rows (Space ticks a row that is held back, to import it all the "
                                                "same, or a sale, to record it):"),
                                 this);
    layout->addWidget(rowsLabel);
    rows_ = new ImportRowsModel(import_, this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("rows"));
    table_->setModel(rows_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUpDialogTable(table_, {70, 330, 220, 70, 85, 85, 85, 100});
    table_->installEventFilter(this);
    rowsLabel->setBuddy(table_);
    layout->addWidget(table_, 1);
    connect(rows_, &ImportRowsModel::tickedChanged, this, &ImportDialog::showCounts);

    auto *buttons = new QDialogButtonBox(this);
    importButton_ = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    importButton_->setObjectName(QStringLiteral("import"));
    importButton_->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    resize(1120, 620);
    table_->setFocus(Qt::OtherFocusReason);
}

void ImportDialog::showChoices()
{
    filling_ = true;
    const ImportChoices &c = import_.choices();
    for (int f = 0; f < kImportFieldCount; ++f) {
        QComboBox *combo = columns_[std::size_t(f)];
        combo->clear();
        if (kMayBeNone[f])
            combo->addItem(QStringLiteral("(none)"), kNoColumn);
        for (int h = 0; h < import_.headers().size(); ++h)
            combo->addItem(QStringLiteral("%1: %2").arg(h + 1).arg(import_.headers()[h]), h);
        combo->setCurrentIndex(std::max(combo->findData(c.columns[std::size_t(f)]), 0));
        combo->setEnabled(import_.hasHeader());
    }
    // A reading that the file does not settle is a question until answered:
    // its caption says so, and its box offers no answer of its own.
    const auto fillReading = [](QComboBox *combo, QLabel *label, const QString &caption,
                                const std::vector<std::pair<QString, QVariant>> &items, const QVariant &current,
                                const QString &evidence) {
        combo->clear();
        if (!current.isValid())
            combo->addItem(QStringLiteral("(choose one)"), QVariant());
        for (const auto &[text, value] : items)
            combo->addItem(text, value);
        combo->setCurrentIndex(current.isValid() ? combo->findData(current) : 0);
        combo->setToolTip(evidence);
        label->setText(current.isValid() ? caption + u':' : caption + QStringLiteral(": not settled by this file, choose one"));
        QFont font = label->font();
        font.setBold(!current.isValid());
        label->setFont(font);
    };
    fillReading(dateOrder_, dateOrderLabel_, QStringLiteral("Date &order"),
                {{QStringLiteral("Month/Day/Year"), int(DateOrder::MonthDayYear)},
                 {QStringLiteral("Day/Month/Year"), int(DateOrder::DayMonthYear)},
                 {QStringLiteral("Year-Month-Day"), int(DateOrder::YearMonthDay)}},
                c.dateOrder ? QVariant(int(*c.dateOrder)) : QVariant(), import_.dateEvidence());
    fillReading(decimal_, decimalLabel_, QStringLiteral("Deci&mal separator"),
                {{QStringLiteral("Point (1,234.56)"), QStringLiteral(".")},
                 {QStringLiteral("Comma (1.234,56)"), QStringLiteral(",")}},
                c.decimal ? QVariant(QString(*c.decimal)) : QVariant(), import_.decimalEvidence());
    separator_->setCurrentIndex(separator_->findData(int(c.separator)));
    filling_ = false;
}

void ImportDialog::choiceChanged()
{
    if (filling_)
        return;
    const char separator = char(separator_->currentData().toInt());
    bool done = true;
    try {
        if (separator != import_.choices().separator) {
            const auto progress = dialogs_.progress(QStringLiteral("Reading the file..."), 1000);
            import_.setSeparator(separator, progress.get());
        } else {
            ImportChoices c = import_.choices();
            for (int f = 0; f < kImportFieldCount; ++f)
                c.columns[std::size_t(f)] = columns_[std::size_t(f)]->currentData().toInt();
            const QVariant order = dateOrder_->currentData(), decimal = decimal_->currentData();
            c.dateOrder = order.isValid() ? std::optional(DateOrder(order.toInt())) : std::nullopt;
            c.decimal = decimal.isValid() ? std::optional(decimal.toString().front()) : std::nullopt;
            const auto progress = dialogs_.progress(QStringLiteral("Reading the rows..."), 1000);
            import_.setChoices(c, progress.get());
        }
    } catch (const Error &e) {
        done = false;
        if (e.number() != kErrUserCancelled)
            showErrorBox(dialogs_, e.number(), e.description(), QStringLiteral("Source : ImportDialog choiceChanged"));
    }
    // A change cancelled, or one that failed, leaves everything as it was,
    // the choices too.
    showChoices();
    if (done) {
        rows_->reload();
        if (rows_->rowCount() > 0)
            table_->setCurrentIndex(rows_->index(0, kImportLine));
        showCounts();
    }
}

void ImportDialog::showCounts()
{
    const auto n = import_.counts();
    const ImportChoices &c = import_.choices();
    if (!import_.hasHeader()) {
        counts_->setText(QStringLiteral("No row of the file names a ticker, a quantity and a date column when it "
                                        "is split at this separator."));
    } else {
        // New always, the other statuses when the file has them.
        const char *const names[kRowStatusCount] = {"New", "Already in the ledger", "Twice in this file", "Check",
                                                    "Cancelled in this file", "Sale", "Not a purchase", "Refused",
                                                    "Not settled"};
        QStringList shown;
        for (int s = 0; s < kRowStatusCount; ++s) {
            if (s == 0 || n[std::size_t(s)] > 0)
                shown << QStringLiteral("%1: %2").arg(QString::fromUtf8(names[s])).arg(n[std::size_t(s)]);
        }
        QString text = QStringLiteral("Header on line %1.  ").arg(import_.headerLine()) + shown.join(QStringLiteral("   "));
        if (c.settled())
            text += QStringLiteral("   \u2014  %1 to import").arg(import_.chosenCount());
        else
            text += QStringLiteral("   \u2014  nothing can be imported until the %1 is chosen")
                        .arg(c.dateOrder ? QStringLiteral("decimal separator")
                             : c.decimal ? QStringLiteral("date order")
                                         : QStringLiteral("date order and the decimal separator"));
        counts_->setText(text);
    }
    importButton_->setEnabled(c.settled() && import_.chosenCount() > 0);
}

bool ImportDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            rows_->toggle(table_->currentIndex().row());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tesmo

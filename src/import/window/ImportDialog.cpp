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
#include <algorithm>
#include <utility>
#include <vector>

namespace tesmo {

namespace {

// The choices' captions, with their access keys, in ImportField order.
const char *const kFieldCaptions[kImportFieldCount] = {"Trade &date:", "&Ticker:", "&Name:", "&Shares:",
                                                       "&Price:", "Net &amount:", "A&ction:"};
const char *const kFieldNames[kImportFieldCount] = {"tradeDateColumn", "tickerColumn", "nameColumn", "sharesColumn",
                                                    "priceColumn", "netAmountColumn", "actionColumn"};
// Fields that may come from no column.
constexpr bool kMayBeNone[kImportFieldCount] = {false, false, true, false, true, true, true};
const char *const kDecimalNames[kNumberColumns] = {"sharesDecimal", "priceDecimal", "netAmountDecimal"};
const char *const kDecimalCaptions[kNumberColumns] = {"shares", "price", "amount"};
// How many rows of the file the header line may be chosen among.
constexpr int kHeaderRows = 60;

using Items = std::vector<std::pair<QString, QVariant>>;

// The items, and current chosen; an open reading adds "(choose one)" first
// and chooses it.
void fill(QComboBox *combo, const Items &items, const QVariant &current)
{
    combo->clear();
    if (!current.isValid())
        combo->addItem(QStringLiteral("(choose one)"), QVariant());
    for (const auto &[text, value] : items)
        combo->addItem(text, value);
    combo->setCurrentIndex(current.isValid() ? std::max(combo->findData(current), 0) : 0);
}

QComboBox *newCombo(QWidget *parent, const char *name)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

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

QLabel *ImportDialog::addLine(QGridLayout *grid, Line line, const QString &caption, QWidget *control)
{
    auto *label = new QLabel(caption, this);
    if (qobject_cast<QComboBox *>(control))
        label->setBuddy(control);
    auto *evidence = new QLabel(this);
    evidence->setObjectName(QStringLiteral("evidence%1").arg(int(line)));
    evidence->setTextFormat(Qt::PlainText);
    evidence->setWordWrap(true);
    // The evidence beside the value, as a sentence goes on; under the
    // columns' choosers, which take the line's width.
    QBoxLayout *row = line == kColumns ? static_cast<QBoxLayout *>(new QVBoxLayout) : new QHBoxLayout;
    row->addWidget(control, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addSpacing(line == kColumns ? 0 : 8);
    row->addWidget(evidence, 1, line == kColumns ? Qt::AlignTop : Qt::AlignVCenter);
    grid->addWidget(label, int(line), 0, Qt::AlignRight | (line == kColumns ? Qt::AlignTop : Qt::AlignVCenter));
    grid->addLayout(row, int(line), 1);
    captions_[line] = label;
    evidence_[line] = evidence;
    lines_[line] = control;
    return label;
}

void ImportDialog::buildControls(const QString &fileName)
{
    setObjectName(QStringLiteral("ImportLots"));
    setWindowTitle(QStringLiteral("Import Lots"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    file_ = new QLabel(this);
    file_->setObjectName(QStringLiteral("file"));
    file_->setTextFormat(Qt::PlainText);
    file_->setText(QFileInfo(fileName).fileName());
    file_->setToolTip(fileName);
    layout->addWidget(file_);

    // One line per reading: its caption, its value, and why.
    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    const auto watch = [this](QComboBox *combo) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo] { choiceChanged(combo); });
    };
    encoding_ = newCombo(this, "encoding");
    addLine(grid, kEncoding, QStringLiteral("Encodin&g:"), encoding_);
    separator_ = newCombo(this, "separator");
    addLine(grid, kSeparator, QStringLiteral("S&eparator:"), separator_);
    header_ = newCombo(this, "headerLine");
    header_->setMaximumWidth(420);
    addLine(grid, kHeader, QStringLiteral("&Header line:"), header_);

    auto *columns = new QWidget(this);
    auto *columnGrid = new QGridLayout(columns);
    columnGrid->setContentsMargins(0, 0, 0, 0);
    for (int f = 0; f < kImportFieldCount; ++f) {
        QComboBox *combo = newCombo(columns, kFieldNames[f]);
        combo->setMinimumContentsLength(10);
        auto *label = new QLabel(QString::fromUtf8(kFieldCaptions[f]), columns);
        label->setBuddy(combo);
        columnGrid->addWidget(label, f / 4, 2 * (f % 4), Qt::AlignRight);
        columnGrid->addWidget(combo, f / 4, 2 * (f % 4) + 1);
        columns_[std::size_t(f)] = combo;
        columnLabels_[std::size_t(f)] = label;
        watch(combo);
    }
    addLine(grid, kColumns, QStringLiteral("Columns:"), columns);

    dateOrder_ = newCombo(this, "dateOrder");
    addLine(grid, kDates, QStringLiteral("Date &order:"), dateOrder_);
    auto *marks = new QWidget(this);
    auto *markRow = new QHBoxLayout(marks);
    markRow->setContentsMargins(0, 0, 0, 0);
    for (int n = 0; n < kNumberColumns; ++n) {
        decimals_[std::size_t(n)] = newCombo(marks, kDecimalNames[n]);
        auto *label = new QLabel(QString::fromLatin1(kDecimalCaptions[n]), marks);
        label->setObjectName(QStringLiteral("%1Label").arg(QLatin1String(kDecimalNames[n])));
        markRow->addWidget(label);
        markRow->addWidget(decimals_[std::size_t(n)]);
        watch(decimals_[std::size_t(n)]);
    }
    addLine(grid, kDecimals, QStringLiteral("Deci&mal mark:"), marks);
    purchases_ = newCombo(this, "purchases");
    addLine(grid, kPurchases, QStringLiteral("P&urchases:"), purchases_);
    for (QComboBox *combo : {encoding_, separator_, header_, dateOrder_, purchases_})
        watch(combo);
    layout->addLayout(grid);

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

    resize(1180, 760);
    table_->setFocus(Qt::OtherFocusReason);
}

void ImportDialog::showChoices()
{
    filling_ = true;
    const ImportChoices &c = import_.choices();
    const ImportReadings &r = import_.readings();
    const bool header = import_.hasHeader();
    const auto asked = [](const Reading &reading) { return reading.state == ReadingState::Asked; };

    fill(encoding_,
         {{QStringLiteral("UTF-8"), int(TextEncoding::Utf8)}, {QStringLiteral("UTF-16, little-endian"), int(TextEncoding::Utf16LE)},
          {QStringLiteral("UTF-16, big-endian"), int(TextEncoding::Utf16BE)}, {QStringLiteral("Shift_JIS"), int(TextEncoding::ShiftJis)},
          {QStringLiteral("Windows-1252"), int(TextEncoding::Windows1252)}},
         import_.encoding() ? QVariant(int(*import_.encoding())) : QVariant());
    fill(separator_, {{QStringLiteral("Comma"), int(',')}, {QStringLiteral("Semicolon"), int(';')}, {QStringLiteral("Tab"), int('\t')}},
         int(c.separator));
    Items rows;
    const CsvTable &table = import_.table();
    for (int row = 0; row < table.rowCount() && (row < kHeaderRows || row == import_.headerRow()); ++row) {
        QStringList fields;
        for (int f = 0; f < std::min(table.fieldCount(row), 5); ++f)
            fields << table.field(row, f).simplified();
        rows.emplace_back(QStringLiteral("Line %1: %2").arg(table.line(row)).arg(fields.join(QStringLiteral(", ")).left(60)), row);
    }
    fill(header_, rows, header ? QVariant(import_.headerRow()) : QVariant());

    for (int f = 0; f < kImportFieldCount; ++f) {
        Items items;
        if (kMayBeNone[f])
            items.emplace_back(QStringLiteral("(none)"), kNoColumn);
        for (int h = 0; h < import_.headers().size(); ++h)
            items.emplace_back(QStringLiteral("%1: %2").arg(h + 1).arg(import_.headers()[h]), h);
        const int column = c.columns[std::size_t(f)];
        fill(columns_[std::size_t(f)], items, column == kAskedColumn ? QVariant() : QVariant(column));
        columns_[std::size_t(f)]->setToolTip(r.columns[std::size_t(f)].evidence);
        QFont font = columnLabels_[std::size_t(f)]->font();
        font.setBold(asked(r.columns[std::size_t(f)]));
        columnLabels_[std::size_t(f)]->setFont(font);
    }
    fill(dateOrder_,
         {{QStringLiteral("Month/Day/Year"), int(DateOrder::MonthDayYear)},
          {QStringLiteral("Day/Month/Year"), int(DateOrder::DayMonthYear)},
          {QStringLiteral("Year-Month-Day"), int(DateOrder::YearMonthDay)}},
         c.dateOrder ? QVariant(int(*c.dateOrder)) : QVariant());
    for (int n = 0; n < kNumberColumns; ++n) {
        QComboBox *combo = decimals_[std::size_t(n)];
        fill(combo, {{QStringLiteral("Point (1,234.56)"), QStringLiteral(".")}, {QStringLiteral("Comma (1.234,56)"), QStringLiteral(",")}},
             c.decimal(n) ? QVariant(QString(*c.decimal(n))) : QVariant());
        const bool shown = c.column(kNumberFields[n]) >= 0;
        combo->setVisible(shown);
        findChild<QLabel *>(QStringLiteral("%1Label").arg(QLatin1String(kDecimalNames[n])))->setVisible(shown);
    }
    // Alt+M goes to the first mark asked, else the first shown.
    QComboBox *firstMark = nullptr, *firstAsked = nullptr;
    for (int n = 0; n < kNumberColumns; ++n) {
        if (c.column(kNumberFields[n]) < 0)
            continue;
        firstMark = firstMark ? firstMark : decimals_[std::size_t(n)];
        if (!firstAsked && asked(r.decimals[std::size_t(n)]))
            firstAsked = decimals_[std::size_t(n)];
    }
    captions_[kDecimals]->setBuddy(firstAsked ? firstAsked : firstMark);
    fill(purchases_,
         {{QStringLiteral("Amounts carry no sign that tells"), int(MoneySign::Unsigned)},
          {QStringLiteral("Money paid is negative"), int(MoneySign::PaidNegative)},
          {QStringLiteral("Money paid is positive"), int(MoneySign::PaidPositive)}},
         c.purchaseSign ? QVariant(int(*c.purchaseSign)) : QVariant());

    // Each line's evidence; an open one in bold.
    const char *const captions[kLineCount] = {"Encoding", "Separator", "Header", "Columns", "Dates", "Decimal", "Purchases"};
    const QList<ReadingLine> lines = import_.readingLines();
    for (int line = 0; line < kLineCount; ++line) {
        const auto found = std::find_if(lines.begin(), lines.end(), [&](const ReadingLine &l) {
            return l.caption.startsWith(QLatin1String(captions[line]));
        });
        const bool shown = found != lines.end();
        for (QWidget *w : {lines_[std::size_t(line)], static_cast<QWidget *>(captions_[std::size_t(line)]),
                           static_cast<QWidget *>(evidence_[std::size_t(line)])})
            w->setVisible(shown);
        if (!shown)
            continue;
        evidence_[std::size_t(line)]->setText(found->evidence);
        for (QLabel *label : {captions_[std::size_t(line)], evidence_[std::size_t(line)]}) {
            QFont font = label->font();
            font.setBold(found->state == ReadingState::Asked);
            label->setFont(font);
        }
    }
    for (QComboBox *combo : columns_)
        combo->setEnabled(header);
    filling_ = false;
}

void ImportDialog::choiceChanged(QComboBox *changed)
{
    if (filling_)
        return;
    bool done = true;
    try {
        const auto progress = dialogs_.progress(QStringLiteral("Reading the file..."), 1000);
        const QVariant value = changed->currentData();
        if (changed == encoding_ && value.isValid()) {
            import_.setEncoding(TextEncoding(value.toInt()), progress.get());
        } else if (changed == separator_) {
            import_.setSeparator(char(value.toInt()), progress.get());
        } else if (changed == header_ && value.isValid()) {
            import_.setHeaderRow(value.toInt(), progress.get());
        } else if (changed != encoding_ && changed != header_) {
            ImportChoices c = import_.choices();
            for (int f = 0; f < kImportFieldCount; ++f) {
                const QVariant column = columns_[std::size_t(f)]->currentData();
                c.columns[std::size_t(f)] = column.isValid() ? column.toInt() : kAskedColumn;
            }
            for (int n = 0; n < kNumberColumns; ++n) {
                const QVariant mark = decimals_[std::size_t(n)]->currentData();
                c.decimals[std::size_t(n)] = mark.isValid() ? std::optional(mark.toString().front()) : std::nullopt;
            }
            const QVariant order = dateOrder_->currentData(), sign = purchases_->currentData();
            c.dateOrder = order.isValid() ? std::optional(DateOrder(order.toInt())) : std::nullopt;
            c.purchaseSign = sign.isValid() ? std::optional(MoneySign(sign.toInt())) : std::nullopt;
            import_.setChoices(c, progress.get());
        }
    } catch (const Error &e) {
        done = false;
        if (e.number() != kErrUserCancelled)
            showErrorBox(dialogs_, e.number(), e.description(), QStringLiteral("Source : ImportDialog choiceChanged"));
    }
    // A change cancelled, or one that failed, leaves everything as it was,
    // the readings too.
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
    if (!import_.hasHeader()) {
        counts_->setText(QStringLiteral("No line of the file holds headings over lines of data when it is split at "
                                        "this separator."));
    } else {
        // New always, the other statuses when the file has them.
        const char *const names[kRowStatusCount] = {"New", "Already in the ledger", "Twice in this file", "Check",
                                                    "Cancelled in this file", "Deleted from the ledger", "Sale",
                                                    "Not a purchase", "Refused", "Not settled", "Action"};
        QStringList shown;
        for (int s = 0; s < kRowStatusCount; ++s) {
            if (s == 0 || n[std::size_t(s)] > 0)
                shown << QStringLiteral("%1: %2").arg(QString::fromUtf8(names[s])).arg(n[std::size_t(s)]);
        }
        QString text = shown.join(QStringLiteral("   "));
        if (import_.settled())
            text += QStringLiteral("   \u2014  %1 to import").arg(import_.chosenCount());
        else
            text += QStringLiteral("   \u2014  nothing can be imported until the readings in bold are chosen");
        counts_->setText(text);
    }
    importButton_->setEnabled(import_.settled() && import_.chosenCount() > 0);
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

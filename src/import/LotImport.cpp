#include "import/LotImport.h"

#include "import/RowStatuses.h"
#include "text/Error.h"
#include "text/Regional.h"

#include <QSet>
#include <algorithm>
#include <utility>

namespace tesmo {

namespace {

const QString kByYou = QStringLiteral("chosen by you");

// The readings of a layout settled anew from the file, but those the user
// chose; then those remembered for the layout, where nothing the file tells
// says otherwise: a reading the file tells the other way (by a value that
// reads only one way, by the marks of its other columns, by shares times
// price against the amounts, by its settlement dates, its actions...) is
// asked again, with the choice and the evidence against it. Returns what the
// layout remembers.
LayoutChoices settleInto(const CsvTable &table, const FileLayout &layout, const RememberedLayouts &layouts,
                         ImportChoices &c, ImportReadings &r)
{
    const auto found = layouts.constFind(layoutKey(layout.headers));
    const bool known = found != layouts.cend();
    const LayoutChoices kept = known ? parseLayout(found->choices) : LayoutChoices{};
    const QString on = known ? QStringLiteral("as you chose for this layout on %1").arg(regional::shortDate(found->on))
                             : QString();
    const auto chosen = [](const Reading &x) { return x.state == ReadingState::Chosen; };
    const auto against = [](const QString &choice, const QString &evidence) {
        return Reading{ReadingState::Asked,
                       QStringLiteral("you chose %1 for this layout before, but %2").arg(choice, evidence)};
    };
    for (int f = 0; f < kImportFieldCount; ++f) {
        Reading &reading = r.columns[std::size_t(f)];
        int &column = c.columns[std::size_t(f)];
        if (chosen(reading))
            continue;
        const std::optional<int> remembered = kept.columns[std::size_t(f)];
        // Of the columns, the file's values tell only the action's.
        if (remembered && f == int(ImportField::Action) && !layout.actionByValues.isEmpty()
            && *remembered != layout.column(ImportField::Action)) {
            column = kAskedColumn;
            reading = against(*remembered < 0 ? QStringLiteral("no action column")
                                              : QStringLiteral("'%1' as the action column").arg(layout.headers.value(*remembered)),
                              layout.actionByValues);
        } else if (remembered && *remembered < layout.headers.size()) {
            column = *remembered;
            reading = {ReadingState::Remembered, on};
        } else {
            column = layout.columns[std::size_t(f)];
            reading = {column == kAskedColumn ? ReadingState::Asked : ReadingState::Settled,
                       layout.columnEvidence[std::size_t(f)]};
        }
    }
    const SettledReading s = settleReading(table, layout, c);
    // told: the file's value was chosen by its evidence among others that
    // read the rows differently; byValues: so surely that it is said as the
    // file's, not as remembered, where the two agree.
    const auto apply = [&](Reading &reading, auto &value, const auto &fileValue, const QString &evidence, bool told,
                           bool byValues, const auto &remembered, const QString &rememberedName) {
        if (chosen(reading))
            return;
        if (remembered && told && fileValue && fileValue != remembered) {
            value.reset();
            reading = against(rememberedName, evidence);
        } else if (remembered && !(byValues && fileValue == remembered)) {
            value = remembered;
            reading = {ReadingState::Remembered, on};
        } else {
            value = fileValue;
            reading = {fileValue ? ReadingState::Settled : ReadingState::Asked, evidence};
        }
    };
    apply(r.dateOrder, c.dateOrder, s.dateOrder, s.dateEvidence, s.dateTold, s.dateByValues, kept.dateOrder,
          kept.dateOrder ? valueName(*kept.dateOrder) : QString());
    for (int n = 0; n < kNumberColumns; ++n) {
        const DecimalReading &d = s.decimals[std::size_t(n)];
        const auto &mark = kept.decimals[std::size_t(n)];
        apply(r.decimals[std::size_t(n)], c.decimals[std::size_t(n)], d.mark, d.evidence, d.matters && d.mark,
              d.byValues || !d.matters, mark, mark ? valueName(*mark) : QString());
    }
    apply(r.purchases, c.purchaseSign, s.purchaseSign, s.purchaseEvidence, s.purchaseTold, s.purchaseSign.has_value(),
          kept.purchaseSign, kept.purchaseSign ? QStringLiteral("that ") + valueName(*kept.purchaseSign) : QString());

    // Marks remembered for columns whose values read either way, where shares
    // times price against the amounts agrees under other marks but not these.
    const CostWays &cost = s.decimalCost;
    unsigned way = 0;
    bool remembered = false, marked = true;
    for (std::size_t i = 0; i < cost.open.size(); ++i) {
        const std::size_t n = std::size_t(cost.open[i]);
        remembered = remembered || r.decimals[n].state == ReadingState::Remembered;
        way |= (c.decimals[n] == u',' ? 1u : 0u) << i;
        marked = marked && c.decimals[n];   // else asked already
    }
    const QString denied = remembered && marked ? cost.deniedBy[way] : QString();
    for (std::size_t i = 0; i < cost.open.size() && !denied.isEmpty(); ++i) {
        const std::size_t n = std::size_t(cost.open[i]);
        if (r.decimals[n].state != ReadingState::Remembered)
            continue;
        r.decimals[n] = against(valueName(*c.decimals[n]),
                                QStringLiteral("shares \u00d7 price disagrees with the amount so and agrees otherwise (%1)")
                                    .arg(denied));
        c.decimals[n].reset();
    }
    return kept;
}

} // namespace

bool ImportChoices::settled() const
{
    constexpr ImportField kNeeded[] = {ImportField::Ticker, ImportField::Shares, ImportField::TradeDate};
    return std::all_of(decimals.begin(), decimals.end(), [](const auto &d) { return d.has_value(); }) && dateOrder
           && purchaseSign && std::none_of(columns.begin(), columns.end(), [](int c) { return c == kAskedColumn; })
           && std::all_of(std::begin(kNeeded), std::end(kNeeded), [&](ImportField f) { return column(f) >= 0; });
}

LotImport::LotImport(StoredKeys stored, StoredSales sales, RememberedLayouts layouts)
    : stored_(std::move(stored))
    , storedSales_(std::move(sales))
    , layouts_(std::move(layouts))
{
}

void LotImport::setSaleMatcher(SaleMatcher matcher)
{
    matcher_ = std::move(matcher);
    matchSales();
}

void LotImport::matchSales()
{
    sales_ = std::count_if(lots_.begin(), lots_.end(),
                           [](const CandidateLot &l) { return l.sale || l.status == RowStatus::Action; });
    if (sales_ == 0)
        return;
    for (CandidateLot &l : lots_)
        l.covered = false;
    if (matcher_ && settled()) {
        for (const SaleMatch &m : matcher_(*this)) {
            CandidateLot &l = lots_[std::size_t(m.index)];
            l.covered = m.covered;
            l.reason = m.reason;
        }
    }
    for (CandidateLot &l : lots_)
        l.ticked = l.ticked && ((!l.sale && l.status != RowStatus::Action) || l.covered);
}

void LotImport::read(QIODevice &device, Progress *progress)
{
    // Reading the bytes is a small part of the work, splitting them and
    // reading the rows the rest.
    ProgressSpan reading(progress, 0, 50, std::max<qint64>(device.size(), 1));
    QByteArray bytes;
    const qint64 size = device.size();
    if (!device.isSequential() && size > 0)
        bytes.reserve(qsizetype(size));
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = device.read(buffer, sizeof buffer);
        if (n < 0)
            throw Error(kErrCannotRead, QStringLiteral("The file could not be read: %1").arg(device.errorString()));
        if (n == 0)
            break;
        bytes.append(buffer, qsizetype(n));
        if (!reading.advance(bytes.size()))
            throw Error(kErrUserCancelled);
    }
    CsvText text = csvText(bytes);
    // The bytes are kept where the text is not they.
    bom_ = text.encoding == TextEncoding::Utf8 && text.badLines.empty() && bytes.startsWith("\xEF\xBB\xBF");
    bytes_ = text.encoding == TextEncoding::Utf8 && text.badLines.empty() ? QByteArray() : std::move(bytes);
    ProgressSpan rest(progress, 50, 1000, 1000);
    reread(std::move(text), std::nullopt, std::nullopt, {}, &rest);
}

void LotImport::readText(QByteArray utf8, Progress *progress)
{
    CsvText text;
    text.utf8 = std::move(utf8);
    text.encoding = TextEncoding::Utf8;
    text.evidence = QStringLiteral("the text is given as UTF-8");
    bytes_.clear();
    bom_ = false;
    reread(std::move(text), std::nullopt, std::nullopt, {}, progress);
}

QByteArray LotImport::bytes() const
{
    if (!bytes_.isNull())
        return bytes_;
    return bom_ ? "\xEF\xBB\xBF" + text_.utf8 : text_.utf8;
}

void LotImport::reread(CsvText text, std::optional<char> separator, std::optional<int> headerRow,
                       ImportReadings readings, Progress *progress)
{
    if (readings.encoding.state != ReadingState::Chosen)
        readings.encoding = {text.encoding ? ReadingState::Settled : ReadingState::Asked, text.evidence};
    QString why = kByYou;
    const char sep = separator ? *separator : separatorOf(text.utf8, &why);
    if (readings.separator.state != ReadingState::Chosen)
        readings.separator = {ReadingState::Settled, why};
    // Splitting takes about a third of the work, reading the rows the rest.
    ProgressSpan splitting(progress, 0, 300, std::max<qint64>(text.utf8.size(), 1));
    CsvTable table = parseCsv(text.utf8, sep, &splitting);
    FileLayout layout = headerRow ? layoutAt(table, *headerRow) : findLayout(table, text.notText);
    if (!headerRow)
        readings.header = {ReadingState::Settled, layout.headerEvidence};
    // The columns of another layout are its own.
    for (Reading &column : readings.columns)
        column = {};
    ImportChoices choices;
    choices.separator = sep;
    LayoutChoices kept;
    if (layout.hasHeader())
        kept = settleInto(table, layout, layouts_, choices, readings);
    ProgressSpan rows(progress, 300, 1000, 1000);
    std::vector<CandidateLot> lots = candidates({table, layout, choices, text.badLines, text.wideLines,
                                                 !text.encoding, stored_, storedSales_},
                                                &rows);
    text_ = std::move(text);
    table_ = std::move(table);
    layout_ = std::move(layout);
    choices_ = choices;
    readings_ = std::move(readings);
    kept_ = kept;
    lots_ = std::move(lots);
    matchSales();
}

void LotImport::setEncoding(TextEncoding encoding, Progress *progress)
{
    ImportReadings r = readings_;
    r.encoding = {ReadingState::Chosen, kByYou};
    const std::optional<char> separator =
        r.separator.state == ReadingState::Chosen ? std::optional(choices_.separator) : std::nullopt;
    reread(decodeAs(bytes(), encoding), separator, std::nullopt, r, progress);
}

void LotImport::setSeparator(char separator, Progress *progress)
{
    ImportReadings r = readings_;
    r.separator = {ReadingState::Chosen, kByYou};
    reread(text_, separator, std::nullopt, r, progress);
}

void LotImport::setHeaderRow(int row, Progress *progress)
{
    if (row < 0 || row >= table_.rowCount())
        return;
    ImportReadings r = readings_;
    r.header = {ReadingState::Chosen, kByYou};
    reread(text_, choices_.separator, row, r, progress);
}

void LotImport::setChoices(const ImportChoices &choices, Progress *progress)
{
    ImportChoices c = choices;
    c.separator = choices_.separator;
    ImportReadings r = readings_;
    const auto mark = [&](Reading &reading, bool changed) {
        if (changed)
            reading = {ReadingState::Chosen, kByYou};
    };
    for (int f = 0; f < kImportFieldCount; ++f)
        mark(r.columns[std::size_t(f)], c.columns[std::size_t(f)] != choices_.columns[std::size_t(f)]);
    for (int n = 0; n < kNumberColumns; ++n)
        mark(r.decimals[std::size_t(n)], c.decimals[std::size_t(n)] != choices_.decimals[std::size_t(n)]);
    mark(r.dateOrder, c.dateOrder != choices_.dateOrder);
    mark(r.purchases, c.purchaseSign != choices_.purchaseSign);
    if (layout_.hasHeader())
        settleInto(table_, layout_, layouts_, c, r);   // what the layout remembers is as it was
    std::vector<CandidateLot> lots = candidates({table_, layout_, c, text_.badLines, text_.wideLines,
                                                 !text_.encoding, stored_, storedSales_},
                                                progress);
    // Ticks stay with their lines of the file.
    QSet<int> ticked;
    for (const CandidateLot &l : lots_)
        if (l.ticked)
            ticked.insert(l.line);
    for (CandidateLot &l : lots)
        l.ticked = ticked.contains(l.line) && (l.tickable() || l.sale);
    choices_ = c;
    readings_ = std::move(r);
    lots_ = std::move(lots);
    matchSales();
}

FieldTexts LotImport::texts(qsizetype index) const
{
    const CandidateLot &lot = lots_[std::size_t(index)];
    const bool readsAsSale = lot.sale && (lot.status == RowStatus::Sale || lot.status == RowStatus::Already);
    if ((lot.status != RowStatus::New && !lot.tickable() && !readsAsSale) || lot.status == RowStatus::Action)
        return reader().fileTexts(lot.row);
    return reader().read(lot.row)->typed;
}

void LotImport::setTicked(int index, bool ticked)
{
    CandidateLot &l = lots_[std::size_t(index)];
    if (l.tickable() && l.ticked != ticked) {
        l.ticked = ticked;
        matchSales();
    }
}

std::array<int, kRowStatusCount> LotImport::counts() const
{
    std::array<int, kRowStatusCount> n{};
    for (const CandidateLot &l : lots_)
        ++n[std::size_t(l.status)];
    return n;
}

std::vector<qsizetype> LotImport::chosen() const
{
    std::vector<qsizetype> v;
    v.reserve(std::size_t(chosenCount()));
    for (std::size_t i = 0; i < lots_.size() && settled(); ++i)
        if (lots_[i].chosen())
            v.push_back(qsizetype(i));
    return v;
}

qsizetype LotImport::chosenCount() const
{
    if (!settled())
        return 0;
    return std::count_if(lots_.begin(), lots_.end(), [](const CandidateLot &l) { return l.chosen(); });
}

} // namespace tesmo

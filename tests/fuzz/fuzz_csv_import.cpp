// Any bytes as a broker's CSV file, under choices from the input, settled or
// open: every row the import could write hands the store the values the store
// reads from its texts, nothing is chosen while a choice is open, and the
// counts, lines, reasons and choices agree with the rows.
#include "FuzzCheck.h"
#include "import/LotImport.h"
#include "store/Lot.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/IsoDate.h"

#include <QBuffer>

using namespace tesmo;

static void checkRows(const LotImport &import)
{
    int lastLine = import.headerLine();
    std::array<int, kRowStatusCount> counted{};
    const RowReader reader = import.reader();
    std::pair<std::string, std::string> held;
    for (qsizetype i = 0; i < qsizetype(import.lots().size()); ++i) {
        const CandidateLot &lot = import.lots()[std::size_t(i)];
        FUZZ_CHECK(lot.line > lastLine);
        lastLine = lot.line;
        ++counted[std::size_t(lot.status)];
        const bool plain = lot.status == RowStatus::New || lot.status == RowStatus::Already
                           || lot.status == RowStatus::Twice || lot.status == RowStatus::Deleted;
        FUZZ_CHECK(plain == lot.reason.isEmpty() || lot.status == RowStatus::NotAPurchase || lot.status == RowStatus::Sale);
        FUZZ_CHECK(lot.status != RowStatus::Unsettled || !import.settled());
        if (!plain && !lot.tickable())
            continue;
        const FieldTexts typed = import.texts(i);
        FUZZ_CHECK(!firstBrokenRule(typed));
        const auto [name, ticker] = reader.storedTexts(lot.row, held);
        const auto asText = [](std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); };
        const LotKey &k = lot.key;
        const FieldValue none;
        const FieldValue given[kFieldCount] = {
            none,
            name.empty() ? none : FieldValue(asText(name)),
            FieldValue(asText(ticker)),
            FieldValue(k.shares),
            k.hasPrice ? FieldValue(ticksToDouble(k.price)) : none,
            k.hasNetAmount ? FieldValue(ticksToDouble(k.netAmount)) : none,
            FieldValue(isoDateText(QDate::fromJulianDay(k.tradeDay))),
        };
        for (int pos = kName1; pos <= kTradeDate; ++pos) {
            try {
                const FieldValue v = fieldValue(pos, typed[std::size_t(pos)]);
                FUZZ_CHECK(v == given[pos]);
                if (const auto *d = std::get_if<double>(&v))
                    FUZZ_CHECK(*d >= 0);
            } catch (const Error &) {
                FUZZ_CHECK(false);
            }
        }
    }
    FUZZ_CHECK(counted == import.counts());
    FUZZ_CHECK(import.chosenCount() == qsizetype(import.chosen().size()));
    FUZZ_CHECK(import.settled() || import.chosen().empty());
    FUZZ_CHECK(import.readingLines().size() >= 2);
    FUZZ_CHECK(import.hasHeader() == (import.problem() == ReadProblem::None));
    FUZZ_CHECK(import.hasHeader() || import.lots().empty());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t how = data[0], columns = data[1];
    QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    StoredKeys stored;
    stored.add(LotKey::of(u"ABC", QDate(2024, 1, 2), 10, Ticks(125000), std::nullopt));
    LotImport import(std::move(stored));
    import.read(buffer);
    checkRows(import);

    ImportChoices c = import.choices();
    c.decimals.fill(how & 1 ? u',' : u'.');
    c.dateOrder = DateOrder((how >> 1) % 3);
    c.purchaseSign = MoneySign((how >> 5) % 3);
    if (how & 0x40)
        c.decimals[(how >> 3) % kNumberColumns].reset();
    if (how & 0x80)
        c.dateOrder.reset();
    const int headers = int(import.headers().size());
    if (headers > 0)
        c.columns[std::size_t(columns % kImportFieldCount)] = (columns >> 3) % (headers + 1) - 1;
    const ImportChoices before = import.choices();
    import.setChoices(c);
    // A reading changed is the user's; the others the file settles anew.
    for (int n = 0; n < kNumberColumns; ++n)
        FUZZ_CHECK(c.decimals[std::size_t(n)] == before.decimals[std::size_t(n)]
                   || import.choices().decimals[std::size_t(n)] == c.decimals[std::size_t(n)]);
    FUZZ_CHECK(c.dateOrder == before.dateOrder || import.choices().dateOrder == c.dateOrder);
    for (int i = 0; i < int(import.lots().size()); i += 3)
        import.setTicked(i, true);
    checkRows(import);

    const char separators[] = {',', ';', '\t'};
    import.setSeparator(separators[(how >> 3) % 3]);
    checkRows(import);
    if (import.hasHeader()) {
        import.setHeaderRow(columns % import.table().rowCount());
        checkRows(import);
    }
    import.setEncoding(TextEncoding(how % 5));
    checkRows(import);
    return 0;
}

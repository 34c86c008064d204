#include "store/ImportRecords.h"

#include "store/Sales.h"
#include "store/Schema.h"
#include "store/SchemaCheck.h"
#include "text/IsoDate.h"

#include <algorithm>
#include <sqlite3.h>

namespace tesmo {

namespace {

// A file that another program changed since it was opened is neither read
// nor written into.
bool hasImportRecords(Database &db)
{
    const LedgerSchema schema = readLedgerSchema(db.handle());
    if (!schema.isLedger())
        throw notALedger(QStringLiteral("Tesmo.mdb"), schema);
    return schema.shapeOf(kImportRecordsPart) != PartShape::None;
}

} // namespace

void readLotSources(Database &db, const std::function<void(const QByteArray &, bool)> &each)
{
    if (!hasImportRecords(db))
        return;
    const char *const sql = hasSales(db)
                                ? "SELECT RowKey, EXISTS (SELECT 1 FROM Lots WHERE ID = LotID) "
                                  "OR EXISTS (SELECT 1 FROM Sales WHERE Sales.LotID = LotSources.LotID) FROM LotSources"
                                : "SELECT RowKey, EXISTS (SELECT 1 FROM Lots WHERE ID = LotID) FROM LotSources";
    Statement s(db.handle(), sql);
    while (s.step()) {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(s.handle(), 0));
        each(QByteArray(bytes, sqlite3_column_bytes(s.handle(), 0)), s.int64(1) != 0);
    }
}

std::vector<KeptLayout> readKeptLayouts(Database &db)
{
    std::vector<KeptLayout> layouts;
    if (!hasImportRecords(db))
        return layouts;
    Statement s(db.handle(), "SELECT Header, Choices, Remembered FROM ImportLayouts");
    while (s.step()) {
        const QByteArray day = s.text(2).toLatin1();
        layouts.push_back({s.text(0), s.text(1),
                           readIsoDate({day.constData(), std::size_t(day.size())}).value_or(QDate())});
    }
    return layouts;
}

void ImportRecordWriter::ensure()
{
    if (!ready_ && !hasImportRecords(db_))
        db_.exec(importRecordsSchema().c_str());
    ready_ = true;
}

namespace {

constexpr std::size_t kBatch = 64;

QByteArray insertSources(std::size_t count)
{
    return insertRows("INSERT OR REPLACE INTO LotSources (LotID, RowKey) VALUES", 2, count);
}

} // namespace

void ImportRecordWriter::source(std::int64_t lot, std::string_view rowKey)
{
    Source s{lot, {}, int(std::min(rowKey.size(), std::size_t(16)))};
    std::copy_n(rowKey.data(), s.size, s.key.begin());
    pending_.push_back(s);
    if (pending_.size() == kBatch)
        write(kBatch);
}

void ImportRecordWriter::finish()
{
    if (!pending_.empty())
        write(pending_.size());
}

void ImportRecordWriter::write(std::size_t count)
{
    ensure();
    std::unique_ptr<Statement> once;
    if (count == kBatch && !batch_)
        batch_ = std::make_unique<Statement>(db_.handle(), insertSources(kBatch).constData());
    Statement &s = count == kBatch ? *batch_ : *(once = std::make_unique<Statement>(db_.handle(), insertSources(count).constData()));
    for (std::size_t i = 0; i < count; ++i) {
        s.bind(int(2 * i + 1), pending_[i].lot);
        sqlite3_bind_blob(s.handle(), int(2 * i + 2), pending_[i].key.data(), pending_[i].size, SQLITE_STATIC);
    }
    s.step();
    s.reset();
    pending_.clear();
}

void ImportRecordWriter::layout(const KeptLayout &layout)
{
    ensure();
    Statement s(db_.handle(), "INSERT OR REPLACE INTO ImportLayouts (Header, Choices, Remembered) VALUES (?1, ?2, ?3)");
    s.bind(1, layout.header).bind(2, layout.choices).bind(3, isoDateText(layout.on));
    s.step();
}

} // namespace tesmo

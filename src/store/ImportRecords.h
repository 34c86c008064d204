// What the import keeps in the ledger beside the lots: the row of a broker's
// file each imported lot came from, by the row's key, and the choices a user
// made for a layout of file. The file has them only from the first import
// that keeps one: a ledger that never imported is never changed by reading it.
#pragma once

#include "store/Database.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tesmo {

// A layout's choices as kept.
struct KeptLayout {
    QString header;
    QString choices;
    QDate on;
};

// Each row key with whether its lot is still in the ledger, or was sold from
// it (else the user deleted it); nothing when the file keeps none. Raises
// Error 3105 when objects of their names are not the import's as this
// program makes them, and an engine error when the file cannot be read.
void readLotSources(Database &db, const std::function<void(const QByteArray &rowKey, bool inLedger)> &each);
std::vector<KeptLayout> readKeptLayouts(Database &db);

// Within the caller's transaction: the lot's row, and a layout's choices
// (replacing what was kept for its header), the tables made first when the
// file has none. Raise Error as the reads do.
class ImportRecordWriter {
public:
    explicit ImportRecordWriter(Database &db)
        : db_(db)
    {
    }
    void source(std::int64_t lot, const QByteArray &rowKey);
    void layout(const KeptLayout &layout);

private:
    void ensure();
    Database &db_;
    bool ready_ = false;
    std::unique_ptr<Statement> insert_;
};

} // namespace tesmo

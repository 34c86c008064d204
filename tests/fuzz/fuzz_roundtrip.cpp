// Any lot the file accepts, shown in the window's boxes and stored back
// without an edit, keeps every value; a save that changes one field leaves
// the others exactly as they were. Another program writes the lot through
// qryStocks; the record store reads it as the window does.
#include "FuzzCheck.h"
#include "store/RecordStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstring>
#include <sqlite3.h>

using namespace tesmo;

namespace {

class Boxes : public FieldBinding {
public:
    FieldTexts texts, shown;
    QString text(int pos) const override { return texts[std::size_t(pos)]; }
    void show(const FieldTexts &t) override { texts = shown = t; }
    bool changed(int pos) const override { return texts[std::size_t(pos)] != shown[std::size_t(pos)]; }
};

// One value of lot 1, to the last bit: which = 0 the name, 1 all the others.
std::string stored(sqlite3 *db, int which)
{
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(db,
                       which == 0 ? "SELECT quote(Name1) FROM Lots WHERE ID = 1"
                                  : "SELECT quote(Ticker) || quote(NumShares) || quote(Price) || quote(NetAmount) || "
                                    "quote(TradeDate) || printf('%.17g|%.17g|%.17g', NumShares, Price, NetAmount) "
                                    "FROM Lots WHERE ID = 1",
                       -1, &s, nullptr);
    std::string all;
    if (sqlite3_step(s) == SQLITE_ROW)
        all = reinterpret_cast<const char *>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The fuzzer's own files are named relative to the current folder, so
    // the ledger is named by its full path.
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tesmo-fuzz-XXXXXX"));
    static const QString ledger = dir.filePath(QStringLiteral("Tesmo.mdb"));
    static Boxes boxes;
    static RecordStore store(ledger, boxes);
    static sqlite3 *other = nullptr;   // another program on the same ledger
    if (!other) {
        store.Open();
        FUZZ_CHECK(store.isOpen());
        sqlite3_open(ledger.toUtf8().constData(), &other);
        sqlite3_exec(other, "PRAGMA synchronous = OFF; INSERT INTO qryStocks (ID, Ticker, NumShares, TradeDate) "
                            "VALUES (1, 'T', 1, '2000-01-01')",
                     nullptr, nullptr, nullptr);
        store.Close();
        store.Open();
    }
    if (size < 3 * sizeof(double) + 2)
        return 0;
    double numbers[3];
    std::memcpy(numbers, data, sizeof numbers);
    const std::size_t rest = size - sizeof numbers;
    const char *text = reinterpret_cast<const char *>(data) + sizeof numbers;
    const std::size_t split = std::size_t(std::uint8_t(text[0])) % rest;
    // Another program writes well-formed UTF-8 text; SQLite leaves text it is
    // given as it is.
    const auto wellFormed = [](const char *p, std::size_t n) {
        return QString::fromUtf8(p, qsizetype(n)).toStdString();
    };
    const std::string newName = wellFormed(text + 1, split > 0 ? split - 1 : 0);
    const std::size_t from = std::max<std::size_t>(split, 1);
    const std::string tickerAndDate = wellFormed(text + from, rest - from);
    const std::size_t cut = tickerAndDate.size() > 10 ? tickerAndDate.size() - 10 : 0;

    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(other,
                       "UPDATE qryStocks SET Name1 = ?1, Ticker = ?2, NumShares = ?3, Price = ?4, NetAmount = ?5, "
                       "TradeDate = ?6 WHERE ID = 1",
                       -1, &s, nullptr);
    sqlite3_bind_text(s, 1, newName.data(), int(newName.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, tickerAndDate.data(), int(cut), SQLITE_TRANSIENT);
    for (int i = 0; i < 3; ++i)
        sqlite3_bind_double(s, 3 + i, numbers[i]);
    sqlite3_bind_text(s, 6, tickerAndDate.data() + cut, int(tickerAndDate.size() - cut), SQLITE_TRANSIENT);
    const bool accepted = sqlite3_step(s) == SQLITE_DONE;   // the lot is always there
    sqlite3_finalize(s);
    if (!accepted)
        return 0;

    const std::string name = stored(other, 0);
    const std::string others = stored(other, 1);
    store.CancelUpdate();   // shows the lot as it is stored now
    FUZZ_CHECK(store.current() && store.current()->unfitFields().isEmpty());
    store.Edit();
    store.Update();         // nothing edited: nothing written
    FUZZ_CHECK(stored(other, 0) == name && stored(other, 1) == others);

    const QString renamed = boxes.texts[kName1] == QStringLiteral("x") ? QStringLiteral("y") : QStringLiteral("x");
    boxes.texts[kName1] = renamed;
    store.Edit();
    store.Update();
    FUZZ_CHECK(stored(other, 0) == "'" + renamed.toStdString() + "'" && stored(other, 1) == others);
    return 0;
}

// The corporate actions read back from the ledger's file, and their tables
// made by the first action recorded.
#include "store/Actions.h"

#include "store/Schema.h"
#include "store/SchemaCheck.h"
#include "text/IsoDate.h"
#include "text/Regional.h"

#include <sqlite3.h>

namespace tesmo {

namespace {

struct KindText {
    ActionKind kind;
    const char *text;
};

// As the file's column Kind lists them.
constexpr KindText kKinds[] = {{ActionKind::Split, "Split"},
                               {ActionKind::TickerChange, "Ticker change"},
                               {ActionKind::Merger, "Merger"},
                               {ActionKind::CashMerger, "Cash merger"},
                               {ActionKind::SpinOff, "Spin-off"},
                               {ActionKind::ReturnOfCapital, "Return of capital"}};

// The actions as the file holds them now: a file that another program
// changed since it was opened is neither read nor written into.
PartShape actionsShape(Database &db)
{
    const LedgerSchema schema = readLedgerSchema(db.handle());
    if (!schema.isLedger())
        throw notALedger(QStringLiteral("Tesmo.mdb"), schema);
    return schema.shapeOf(kActionsPart);
}

// An action whose value is not of its kind: the file's checks keep every
// value the program writes of its kind, so another tool has gone round them.
// what names the value; of, when given, what it is of ("lot's earlier").
[[noreturn]] void refuseValue(ActionId id, const char *what, const char *of = nullptr)
{
    throw Error(kErrNotALedger, QStringLiteral("The action with ID %1 in Tesmo.mdb holds a %2%3 that is not of its "
                                               "kind; no action was read.")
                                    .arg(id)
                                    .arg(of ? QLatin1String(of) + QLatin1Char(' ') : QString(), QLatin1String(what)));
}

// Reads the columns of one row, each checked against its kind.
class RowReader {
public:
    RowReader(const Statement &s, ActionId id, const char *of = nullptr)
        : s_(s)
        , id_(id)
        , of_(of)
    {
    }
    bool isNull(int column) const { return s_.isNull(column); }
    QString text(int column, const char *what, SharedText *shared = nullptr) const
    {
        if (type(column) != SQLITE_TEXT)
            refuseValue(id_, what, of_);
        return shared ? shared->of(s_, column) : s_.text(column);
    }
    std::optional<QString> optionalText(int column, const char *what) const
    {
        return isNull(column) ? std::nullopt : std::optional(text(column, what));
    }
    double number(int column, const char *what) const
    {
        if (type(column) != SQLITE_INTEGER && type(column) != SQLITE_FLOAT)
            refuseValue(id_, what, of_);
        return sqlite3_column_double(s_.handle(), column);
    }
    std::optional<Ticks> ticks(int column, const char *what) const
    {
        if (isNull(column))
            return std::nullopt;
        const std::optional<Ticks> ticks = ticksFromDouble(number(column, what));
        if (!ticks)
            refuseValue(id_, what, of_);
        return ticks;
    }
    QDate date(int column, const char *what) const
    {
        if (type(column) != SQLITE_TEXT)
            refuseValue(id_, what, of_);
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s_.handle(), column));
        const std::optional<QDate> date = readIsoDate({p, std::size_t(sqlite3_column_bytes(s_.handle(), column))});
        if (!date)
            refuseValue(id_, what, of_);
        return *date;
    }

private:
    int type(int column) const { return sqlite3_column_type(s_.handle(), column); }
    const Statement &s_;
    ActionId id_;
    const char *of_;
};

const char *const kActionColumns = "SELECT ID, Ticker, Day, Kind, Ratio, RatioText, NewTicker, NewName, Cash, "
                                   "Percent, SaleNo, AfterSale FROM Actions";

// A made lot's trade date is its parent's.
const char *const kLotColumns =
    "SELECT l.LotID, l.FromLot, l.BeforeName1, l.BeforeTicker, l.BeforeShares, l.BeforePrice, l.BeforeNetAmount, "
    "l.BeforeTradeDate, l.AfterName1, l.AfterTicker, l.AfterShares, l.AfterPrice, l.AfterNetAmount, "
    "coalesce(l.BeforeTradeDate, f.BeforeTradeDate), l.Gain "
    "FROM ActionLots AS l LEFT JOIN ActionLots AS f ON f.ActionID = l.ActionID AND f.LotID = l.FromLot "
    "WHERE l.ActionID = ?1 ORDER BY l.FromLot IS NOT NULL, l.LotID";

// The values of a lot from the five columns from first on (name to net
// amount), and the trade date at dateColumn; the name and the ticker
// shared with those read before where they repeat.
ActionLotValues valuesOf(const RowReader &r, int first, int dateColumn, SharedText &name, SharedText &ticker)
{
    ActionLotValues v;
    v.nameIsNull = r.isNull(first);
    if (!v.nameIsNull)
        v.name = r.text(first, "name", &name);
    v.ticker = r.text(first + 1, "ticker", &ticker);
    v.shares = r.number(first + 2, "number of shares");
    v.price = r.ticks(first + 3, "price");
    v.netAmount = r.ticks(first + 4, "net amount");
    v.tradeDate = r.date(dateColumn, "trade date");
    return v;
}

void readLots(Database &db, CorporateAction &action)
{
    Statement s(db.handle(), kLotColumns);
    s.bind(1, std::int64_t(action.id));
    SharedText name, ticker;   // before and after, which mostly agree
    while (s.step()) {
        const RowReader before(s, action.id, "lot's earlier"), r(s, action.id, "lot's");
        ActionLot lot;
        lot.lot = LotId(s.int64(0));
        lot.fromLot = r.isNull(1) ? 0 : LotId(r.number(1, "lot made from"));
        if (!lot.made())
            lot.before = valuesOf(before, 2, 7, name, ticker);
        lot.after = valuesOf(r, 8, 13, name, ticker);
        const std::optional<Ticks> gain = r.ticks(14, "gain");
        if (!gain)
            refuseValue(action.id, "gain", "lot's");
        lot.gain = *gain;
        action.lots.push_back(std::move(lot));
    }
}

// The actions a statement over kActionColumns gives, each with its lots
// and its sale.
std::vector<CorporateAction> readActions(Database &db, Statement &s)
{
    std::vector<CorporateAction> actions;
    while (s.step()) {
        CorporateAction a;
        a.id = ActionId(s.int64(0));
        const RowReader r(s, a.id);
        a.ticker = r.text(1, "ticker");
        a.day = r.date(2, "day");
        const std::optional<ActionKind> kind = actionKindFrom(r.text(3, "kind"));
        if (!kind)
            refuseValue(a.id, "kind");
        a.kind = *kind;
        a.ratio = r.isNull(4) ? 0 : r.number(4, "ratio");
        a.ratioText = r.optionalText(5, "ratio").value_or(QString());
        a.newTicker = r.optionalText(6, "new ticker").value_or(QString());
        a.newName = r.optionalText(7, "new name").value_or(QString());
        a.cash = r.ticks(8, "cash");
        if (!r.isNull(9))
            a.percent = r.number(9, "percentage");
        a.saleNo = r.isNull(10) ? 0 : SaleId(r.number(10, "sale number"));
        a.afterSale = SaleId(r.number(11, "sale before it"));
        actions.push_back(std::move(a));
    }
    s.reset();
    std::optional<bool> sales;   // whether the ledger has its sales, looked at once
    for (CorporateAction &a : actions) {
        readLots(db, a);
        if (a.saleNo == 0)
            continue;
        if (!sales)
            sales = hasSales(db);
        if (*sales)
            a.sale = readSalePartsOfSales(db, a.saleNo);
    }
    return actions;
}

} // namespace

QString actionKindText(ActionKind kind)
{
    for (const KindText &k : kKinds)
        if (k.kind == kind)
            return QString::fromLatin1(k.text);
    return {};
}

std::optional<ActionKind> actionKindFrom(const QString &text)
{
    for (const KindText &k : kKinds)
        if (text == QLatin1String(k.text))
            return k.kind;
    return std::nullopt;
}

QString actionTitle(ActionKind kind, const QString &ticker, QDate day)
{
    return QStringLiteral("the %1 of %2 on %3").arg(actionKindText(kind).toLower(), ticker, regional::shortDate(day));
}

QString actionTitle(const QString &kind, const QString &ticker, const QString &day)
{
    const std::optional<QDate> date = readIsoDate(day.toStdString());
    const std::optional<ActionKind> k = actionKindFrom(kind);
    return k && date ? actionTitle(*k, ticker, *date) : QStringLiteral("the %1 of %2 on %3").arg(kind, ticker, day);
}

std::optional<QString> actionOfSale(Database &db, SaleId saleNo)
{
    if (actionsShape(db) == PartShape::None)
        return std::nullopt;
    Statement s(db.handle(), (QByteArray(kActionColumns) + " WHERE SaleNo = ?1").constData());
    s.bind(1, std::int64_t(saleNo));
    if (!s.step())
        return std::nullopt;
    const RowReader r(s, ActionId(s.int64(0)));
    const std::optional<ActionKind> kind = actionKindFrom(r.text(3, "kind"));
    if (!kind)
        refuseValue(ActionId(s.int64(0)), "kind");
    return actionTitle(*kind, r.text(1, "ticker"), r.date(2, "day"));
}

std::vector<CorporateAction> readActionsOf(Database &db, const QString &ticker)
{
    if (actionsShape(db) == PartShape::None)
        return {};
    Statement s(db.handle(), (QByteArray(kActionColumns)
                              + " WHERE Ticker = ?1 COLLATE NOCASE OR NewTicker = ?1 COLLATE NOCASE ORDER BY Day, ID")
                                 .constData());
    s.bind(1, ticker);
    return readActions(db, s);
}

std::optional<CorporateAction> readAction(Database &db, ActionId id)
{
    if (actionsShape(db) == PartShape::None)
        return std::nullopt;
    Statement s(db.handle(), (QByteArray(kActionColumns) + " WHERE ID = ?1").constData());
    s.bind(1, std::int64_t(id));
    std::vector<CorporateAction> actions = readActions(db, s);
    return actions.empty() ? std::nullopt : std::optional(std::move(actions.front()));
}

QStringList readActionTickers(Database &db)
{
    if (actionsShape(db) == PartShape::None)
        return {};
    Statement s(db.handle(), "SELECT Ticker FROM (SELECT Ticker FROM Actions UNION ALL SELECT NewTicker FROM Actions "
                             "WHERE NewTicker <> '') GROUP BY Ticker COLLATE NOCASE ORDER BY Ticker COLLATE NOCASE");
    QStringList tickers;
    while (s.step())
        tickers << s.text(0);
    return tickers;
}

// The actions' triggers keep the figures for taxes in step through
// GainsStale, which comes with the sales: those are made first.
void addActionsIfMissing(Database &db)
{
    addSalesIfMissing(db);
    if (actionsShape(db) == PartShape::None)
        db.exec(actionsSchema().c_str());
}

std::vector<LedgerChange> readLedgerChanges(const QString &databaseName)
{
    Database db(databaseName, Database::Mode::ReadOnly);
    std::vector<LedgerChange> changes;
    const auto dayOf = [](const Statement &s, int column) {
        return readIsoDate(s.text(column).toStdString()).value_or(QDate());
    };
    if (hasTable(db, "Actions")) {
        Statement s(db.handle(), "SELECT Kind, Ticker, Day, NewTicker FROM Actions");
        while (s.step()) {
            LedgerChange &a = changes.emplace_back();
            a.title = actionTitle(s.text(0), s.text(1), s.text(2));
            a.day = dayOf(s, 2);
            for (const int column : {1, 3})
                if (!s.text(column).isEmpty())
                    a.tickers << s.text(column);
        }
    }
    if (hasTable(db, "Sales")) {
        Statement s(db.handle(), "SELECT Ticker, Sold, min(Acquired) FROM Sales GROUP BY Ticker, Sold");
        while (s.step()) {
            LedgerChange &a = changes.emplace_back();
            a.day = dayOf(s, 1);
            a.title = QStringLiteral("a sale of %1 on %2").arg(s.text(0), regional::shortDate(a.day));
            a.from = dayOf(s, 2);
            a.tickers << s.text(0);
        }
    }
    return changes;
}

} // namespace tesmo

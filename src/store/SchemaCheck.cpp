#include "store/SchemaCheck.h"

#include "store/EarlierSchemas.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

#include <QSet>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace tesmo {

namespace {

// An object of a schema as SQLite keeps it.
struct Object {
    QString type, name, table, sql;
    bool operator==(const Object &) const = default;
};
using Objects = std::vector<Object>;

bool holds(const Objects &objects, const Object &object)
{
    return std::find(objects.begin(), objects.end(), object) != objects.end();
}

bool named(const Objects &objects, const QString &name)
{
    return std::any_of(objects.begin(), objects.end(),
                       [&](const Object &o) { return o.name.compare(name, Qt::CaseInsensitive) == 0; });
}

Objects objectsOf(sqlite3 *db)
{
    Statement s(db, "SELECT type, name, tbl_name, sql FROM main.sqlite_schema");
    Objects objects;
    while (s.step())
        objects.push_back({s.text(0), s.text(1), s.text(2), s.text(3)});
    return objects;
}

// The objects that running sql adds to db.
Objects made(sqlite3 *db, const std::string &sql)
{
    const Objects before = objectsOf(db);
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Error(kErrInternal, QStringLiteral("The ledger's schema does not build: %1")
                                      .arg(QString::fromUtf8(sqlite3_errmsg(db))));
    Objects added;
    for (Object &o : objectsOf(db))
        if (!holds(before, o))
            added.push_back(std::move(o));
    return added;
}

// Runs steps on a new database in memory.
template <typename Steps>
void inMemory(Steps &&steps)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw Error(kErrOutOfMemory);
    }
    try {
        steps(db);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

// What a ledger may hold, as SQLite keeps the program's definitions: made
// once, from the same SQL that makes a ledger.
struct Reference {
    Objects every;      // one of each name in every ledger: this text ...
    Objects earlier;    // ... or one of these
    Objects optional;   // made when a ledger is opened, and SQLite's statistics
    std::vector<Objects> sales;   // as made now, then earlier: all of one, or none
};

Reference build()
{
    Reference r;
    inMemory([&](sqlite3 *db) {
        r.every = made(db, ledgerObjects());
        r.optional = made(db, kLedgerIndexes);
        r.sales.push_back(made(db, salesSchema()));
        for (Object &o : made(db, "ANALYZE"))
            r.optional.push_back(std::move(o));
    });
    for (const char *table : earlierLedgerTables())
        inMemory([&](sqlite3 *db) {
            for (Object &o : made(db, table))
                r.earlier.push_back(std::move(o));
        });
    inMemory([&](sqlite3 *db) {
        made(db, ledgerObjects());
        r.sales.push_back(made(db, earlierSalesSchema()));
    });
    return r;
}

const Reference &reference()
{
    static const Reference r = build();
    return r;
}

bool sameObjects(Objects a, Objects b)
{
    const auto order = [](const Object &x, const Object &y) { return x.name < y.name; };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    return a == b;
}

} // namespace

LedgerSchema readLedgerSchema(sqlite3 *db)
{
    const Reference &ref = reference();
    LedgerSchema found;
    QSet<QString> present, inFile;
    Objects sales;
    for (const Object &o : objectsOf(db)) {
        inFile.insert(o.name);
        found.hasLots = found.hasLots || o.name.compare(QLatin1String("Lots"), Qt::CaseInsensitive) == 0;
        if (holds(ref.every, o) || holds(ref.earlier, o)) {
            present.insert(o.name);
        } else if (holds(ref.optional, o)) {
        } else if (std::any_of(ref.sales.begin(), ref.sales.end(),
                               [&](const Objects &group) { return named(group, o.name); })) {
            sales.push_back(o);
        } else {
            const bool known = named(ref.every, o.name) || named(ref.optional, o.name);
            found.foreign << QStringLiteral("the %1 \"%2\" is %3")
                                 .arg(o.type, o.name, known ? QStringLiteral("not as Tesmo makes it")
                                                            : QStringLiteral("not Tesmo's"));
        }
    }
    for (const Object &o : ref.every)
        if (!inFile.contains(o.name))
            found.foreign << QStringLiteral("the %1 \"%2\" is missing").arg(o.type, o.name);
    if (!sales.empty()) {
        const auto group = std::find_if(ref.sales.begin(), ref.sales.end(),
                                        [&](const Objects &g) { return sameObjects(g, sales); });
        if (group == ref.sales.end())
            found.foreign << QStringLiteral("the sales (the table Sales and the view qrySales) are not as Tesmo "
                                            "keeps them");
        else
            found.sales = group == ref.sales.begin() ? SalesShape::Ours : SalesShape::Earlier;
    }
    return found;
}

Error notALedger(const QString &fileName, const LedgerSchema &schema)
{
    if (!schema.hasLots || schema.foreign.isEmpty())
        return Error(kErrNotALedger, QStringLiteral("%1 is not a Tesmo ledger; it was left untouched.").arg(fileName));
    constexpr qsizetype kNamed = 3;
    QStringList said = schema.foreign.mid(0, kNamed);
    if (schema.foreign.size() > kNamed)
        said << QStringLiteral("%1 more").arg(schema.foreign.size() - kNamed);
    const QString last = said.takeLast();
    const QString list = said.isEmpty() ? last : said.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    return Error(kErrNotALedger,
                 QStringLiteral("%1 is not a Tesmo ledger: %2; it was left untouched.").arg(fileName, list));
}

} // namespace tesmo

#include "store/SchemaCheck.h"

#include "store/Schema.h"
#include "store/Sqlite.h"
#include "text/Regional.h"

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
        sqlite3_close(db);   // a database in memory: closing it loses nothing, here and below
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
    struct Group {
        QString name;
        std::vector<Objects> shapes;   // as made now, then earlier: all of one, or none
    };
    std::vector<Group> groups;   // the parts made by their first use
};

Reference build()
{
    using Made = SchemaPart::Made;
    const std::vector<SchemaPart> parts = schemaParts();
    // Earlier objects and groups are made on what the ledger holds from the
    // start, so that they are told apart from it (sqlite_sequence).
    const auto onTheLedger = [&](sqlite3 *db) {
        for (const SchemaPart &part : parts)
            if (part.made == Made::WithTheLedger)
                made(db, part.sql);
    };
    Reference r;
    inMemory([&](sqlite3 *db) {
        for (const SchemaPart &part : parts) {
            Objects now = made(db, part.sql);
            Objects &into = part.made == Made::WithTheLedger ? r.every : r.optional;
            if (part.made == Made::ByFirstUse)
                r.groups.push_back({QString::fromLatin1(part.name), {now}});
            else
                into.insert(into.end(), now.begin(), now.end());
        }
        for (Object &o : made(db, "ANALYZE"))
            r.optional.push_back(std::move(o));
    });
    for (const SchemaPart &part : parts) {
        for (const char *earlier : part.earlier) {
            inMemory([&](sqlite3 *db) {
                if (part.made == Made::ByFirstUse) {
                    onTheLedger(db);
                    std::find_if(r.groups.begin(), r.groups.end(), [&](const Reference::Group &g) {
                        return g.name == QLatin1String(part.name);
                    })->shapes.push_back(made(db, earlier));
                } else {
                    for (Object &o : made(db, earlier))
                        r.earlier.push_back(std::move(o));
                }
            });
        }
    }
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
    std::vector<Objects> grouped(ref.groups.size());   // the file's objects of each group's names
    for (const Object &o : objectsOf(db)) {
        inFile.insert(o.name);
        found.hasLots = found.hasLots || o.name.compare(QLatin1String("Lots"), Qt::CaseInsensitive) == 0;
        const auto group = std::find_if(ref.groups.begin(), ref.groups.end(), [&](const Reference::Group &g) {
            return std::any_of(g.shapes.begin(), g.shapes.end(), [&](const Objects &s) { return named(s, o.name); });
        });
        if (holds(ref.every, o) || holds(ref.earlier, o)) {
            present.insert(o.name);
        } else if (holds(ref.optional, o)) {
        } else if (group != ref.groups.end()) {
            grouped[std::size_t(group - ref.groups.begin())].push_back(o);
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
    for (std::size_t g = 0; g < ref.groups.size(); ++g) {
        const std::vector<Objects> &shapes = ref.groups[g].shapes;
        const auto shape = std::find_if(shapes.begin(), shapes.end(),
                                        [&](const Objects &s) { return sameObjects(s, grouped[g]); });
        if (grouped[g].empty())
            continue;
        if (shape == shapes.end())
            found.foreign << QStringLiteral("%1 are not as Tesmo keeps them").arg(ref.groups[g].name);
        else
            found.parts[ref.groups[g].name] = shape == shapes.begin() ? PartShape::Ours : PartShape::Earlier;
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
    return Error(kErrNotALedger, QStringLiteral("%1 is not a Tesmo ledger: %2; it was left untouched.")
                                     .arg(fileName, regional::listed(said)));
}

} // namespace tesmo

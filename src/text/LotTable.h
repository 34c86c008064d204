// Lots held in memory in a packed form of about fifty bytes a lot, whatever
// made them (reading the file, a save, an import): each row's fields as one
// record of variable length in a byte arena (small numbers take few bytes),
// found by where it starts. A field held as its text keeps that text in the
// record. The lists show tables, and the exports write them.
#pragma once

#include "text/ByteArena.h"
#include "text/LotRow.h"

#include <optional>
#include <vector>

namespace tesmo {

class LotTable {
public:
    // Told of each change of the rows, before and after it, as item views
    // need to be: the row inserted (at its place), removed or replaced, or
    // every row (Reset).
    class Watcher {
    public:
        enum class Change { Insert, Remove, Replace, Reset };
        virtual void changing(Change change, std::size_t row) = 0;
        virtual void changed(Change change, std::size_t row) = 0;

    protected:
        ~Watcher() = default;
    };

    LotTable() = default;
    LotTable(const LotTable &) = delete;
    LotTable &operator=(const LotTable &) = delete;

    // Adds a watcher, or takes one away; each is told in the order added.
    // Watching changes no row.
    void watch(Watcher *watcher) const { watchers_.push_back(watcher); }
    void unwatch(Watcher *watcher) const { std::erase(watchers_, watcher); }

    std::size_t size() const { return rows_.records.size(); }
    void reserve(std::size_t rows) { rows_.records.reserve(rows); }

    // Adds a lot after the last row; its texts are copied.
    void append(const LotRow &lot);
    // Adds a lot after every row whose ID is not larger than its own, and
    // returns its row; at the end while the rows are not in ID order.
    std::size_t insert(const LotRow &lot);
    // Adds the lots of rows, given in ascending ID order, each as insert()
    // adds it, in one pass: a watcher is told of one lot as its insertion,
    // of more as a reset, so that a view is not redone once for each.
    void insert(const LotTable &rows);
    void replace(std::size_t row, const LotRow &lot);
    void erase(std::size_t row);
    // Removes rows, given in ascending order, in one pass: a watcher is told
    // of one row as its removal, of more as a reset, so that a view is not
    // redone once for each.
    void erase(const std::vector<std::size_t> &rows);
    void clear();
    // Takes the rows of other, which is left empty.
    void assign(LotTable &other);

    LotId id(std::size_t row) const;
    // The lot of a row; its texts are views into the table, valid until it
    // changes.
    LotRow lot(std::size_t row) const;
    FieldTexts texts(std::size_t row) const { return shownTexts(lot(row)); }
    // The row of a lot; nothing when there is none. A binary search while
    // the rows are in ascending ID order, as the master list's are.
    std::optional<std::size_t> rowOf(LotId id) const;

private:
    struct Rows {
        std::vector<std::uint32_t> records;   // where each row's record starts
        ByteArena arena;
        bool ascending = true;
    };
    std::uint32_t pack(const LotRow &lot);
    void tell(bool before, Watcher::Change change, std::size_t row);

    Rows rows_;
    mutable std::vector<Watcher *> watchers_;
};

} // namespace tesmo

// The word processor as the document writers drive it: the operations of its
// automation object model that they use, one function each, named after the
// object model. Every operation may raise Error; the object's destruction
// releases the word processor, which stays open for the user.
#pragma once

#include <QString>
#include <string_view>

namespace tesmo {

// Values of the word processor's object model that the writers pass.
inline constexpr int kWdWord9TableBehavior = 1;
inline constexpr int kWdAutoFitFixed = 0;
inline constexpr int kWdCell = 12;
inline constexpr int kWdTableFormat3DEffects2 = 33;

// A place in a document, as Selection.Range gives it: the document (from 1)
// and the character position in it.
struct TextRange {
    int document = 1;
    int start = 0;
    bool operator==(const TextRange &) const = default;
};

// The arguments of Table.AutoFormat, in the order the operation takes them.
struct TableAutoFormat {
    int format = kWdTableFormat3DEffects2;
    bool borders = true;
    bool shading = true;
    bool font = true;
    bool color = true;
    bool headingRows = true;
    bool lastRow = false;
    bool firstColumn = false;
    bool lastColumn = false;
    bool autoFit = true;
    bool operator==(const TableAutoFormat &) const = default;
};

class WordProcessorApplication {
public:
    virtual ~WordProcessorApplication() = default;

    // Visible: whether the word processor and its documents are shown.
    virtual void setVisible(bool visible) = 0;
    // Documents.Add with every argument omitted: a new empty document, which
    // holds the selection.
    virtual void addDocument() = 0;
    // Selection.Range: the range of the insertion point.
    virtual TextRange selectionRange() = 0;
    // Documents(document).Tables.Add(range, rows, columns, default table
    // behaviour, auto-fit behaviour): a table at the range, with the insertion
    // point in its first cell.
    virtual void addTable(int document, const TextRange &range, int rows, int columns, int defaultTableBehavior,
                          int autoFitBehavior) = 0;
    // Selection.Tables(table).AutoFormat(...): the table around the selection
    // takes the format.
    virtual void autoFormatSelectionTable(int table, const TableAutoFormat &format) = 0;
    // Selection.TypeText: the text is typed at the insertion point.
    virtual void typeText(const QString &text) = 0;
    // The same for a text in well-formed UTF-8, as the writers have names
    // and figures at hand.
    virtual void typeUtf8Text(std::string_view text) = 0;
    // Selection.MoveRight(unit) with count and extend omitted.
    virtual void moveRight(int unit) = 0;
    // Selection.InsertRowsBelow(count): rows below the current row; the next
    // typing goes into the first cell of the first new row.
    virtual void insertRowsBelow(int count) = 0;
};

} // namespace tesmo

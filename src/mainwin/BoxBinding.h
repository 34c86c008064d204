// The edit boxes of the main window bound to the current lot. The store fills
// them with a lot's display texts; a box counts as changed exactly while its
// text differs from what the store put there, so a text the program made is
// never a change.
#pragma once

#include "store/RecordStore.h"

#include <QLineEdit>
#include <array>

namespace tesmo {

// Sets a box's text as the program makes it, shown from its start.
void setBoxText(QLineEdit *box, const QString &text);

class BoxBinding : public FieldBinding {
public:
    explicit BoxBinding(const std::array<QLineEdit *, kFieldCount> &boxes);

    QString text(int pos) const override;
    void show(const FieldTexts &texts) override;
    bool changed(int pos) const override;

    bool anyChanged() const;
    // The texts of the boxes, by field position.
    FieldTexts texts() const;
    // True while show() fills the boxes.
    bool filling() const { return filling_; }

private:
    std::array<QLineEdit *, kFieldCount> boxes_;
    FieldTexts shown_;
    bool filling_ = false;
};

// Keeps what the user types into a box within a number of characters
// (Unicode code points, never half of one) and free of NUL characters. An
// edit that would make the text longer than that is undone; a longer text the
// program shows stays, and can be shortened.
class TextLimit : public QObject {
    Q_OBJECT
public:
    TextLimit(QLineEdit *box, int characters);

private:
    void edited(const QString &text);

    QLineEdit *box_;
    int characters_;
    QString accepted_;
    int acceptedCursor_ = 0;
};

} // namespace tesmo

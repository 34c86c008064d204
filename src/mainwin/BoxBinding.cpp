#include "mainwin/BoxBinding.h"

#include "text/Limits.h"

namespace tesmo {

void setBoxText(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
    box->setCursorPosition(0);
}

BoxBinding::BoxBinding(const std::array<QLineEdit *, kFieldCount> &boxes)
    : boxes_(boxes)
{
}

QString BoxBinding::text(int pos) const
{
    return boxes_[std::size_t(pos)]->text();
}

void BoxBinding::show(const FieldTexts &texts)
{
    filling_ = true;
    shown_ = texts;
    for (int pos = 0; pos < kFieldCount; ++pos)
        setBoxText(boxes_[std::size_t(pos)], texts[std::size_t(pos)]);
    filling_ = false;
}

bool BoxBinding::changed(int pos) const
{
    return boxes_[std::size_t(pos)]->text() != shown_[std::size_t(pos)];
}

bool BoxBinding::anyChanged() const
{
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        if (changed(pos))
            return true;
    return false;
}

FieldTexts BoxBinding::texts() const
{
    FieldTexts t;
    for (int pos = 0; pos < kFieldCount; ++pos)
        t[std::size_t(pos)] = text(pos);
    return t;
}

TextLimit::TextLimit(QLineEdit *box, int characters)
    : QObject(box)
    , box_(box)
    , characters_(characters)
{
    // textEdited comes before textChanged for the user's edits; only the
    // program's own changes reach textChanged alone.
    connect(box, &QLineEdit::textEdited, this, &TextLimit::edited);
    connect(box, &QLineEdit::textChanged, this, [this] {
        accepted_ = box_->text();
        acceptedCursor_ = box_->cursorPosition();
    });
    connect(box, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (box_->text() == accepted_)
            acceptedCursor_ = now;
    });
}

void TextLimit::edited(const QString &text)
{
    const qsizetype count = characterCount(text);
    const bool tooLong = count > characters_ && count > characterCount(accepted_);
    if (!tooLong && !text.contains(QChar(0))) {
        accepted_ = text;
        return;
    }
    const QString previous = accepted_;
    const int cursor = acceptedCursor_;
    box_->setText(previous);
    box_->setCursorPosition(cursor);
}

} // namespace tesmo

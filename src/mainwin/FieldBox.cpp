#include "mainwin/FieldBox.h"

namespace tesmo {

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
    for (int pos = 0; pos < kFieldCount; ++pos) {
        QLineEdit *box = boxes_[std::size_t(pos)];
        if (box->text() != texts[std::size_t(pos)])
            box->setText(texts[std::size_t(pos)]);
    }
    filling_ = false;
    changed_.fill(false);
}

bool BoxBinding::changed(int pos) const
{
    return changed_[std::size_t(pos)];
}

void BoxBinding::setUnchanged(int pos)
{
    changed_[std::size_t(pos)] = false;
}

void BoxBinding::noteChange(int pos)
{
    if (!filling_)
        changed_[std::size_t(pos)] = true;
}

} // namespace tesmo

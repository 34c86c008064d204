// The edit boxes of the main window bound to the current lot: each box's text
// is its field's value, and a box whose text changed since the lot was shown
// carries a changed mark that tells the store to write it.
#pragma once

#include "store/RecordStore.h"

#include <QLineEdit>
#include <array>

namespace tesmo {

class BoxBinding : public FieldBinding {
public:
    explicit BoxBinding(const std::array<QLineEdit *, kFieldCount> &boxes);

    QString text(int pos) const override;
    void show(const FieldTexts &texts) override;
    bool changed(int pos) const override;
    void setUnchanged(int pos) override;

    // Called by the boxes' textChanged: marks the box unless the binding itself
    // is filling it.
    void noteChange(int pos);

private:
    std::array<QLineEdit *, kFieldCount> boxes_;
    std::array<bool, kFieldCount> changed_{};
    bool filling_ = false;
};

} // namespace tesmo

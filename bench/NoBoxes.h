// Edit boxes that nothing reads, for a record store that a benchmark drives
// without its window.
#pragma once

#include "store/RecordStore.h"

namespace bench {

class NoBoxes : public tesmo::FieldBinding {
public:
    QString text(int) const override { return {}; }
    void show(const tesmo::FieldTexts &) override {}
    bool changed(int) const override { return false; }
};

} // namespace bench

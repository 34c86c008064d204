// Edit boxes as texts, for a record store without a window: what the store
// shows, and what a test types over it.
#pragma once

#include "store/RecordStore.h"

namespace tesmo::test {

class TextBinding : public FieldBinding {
public:
    FieldTexts texts, shown;
    QString text(int pos) const override { return texts[std::size_t(pos)]; }
    void show(const FieldTexts &t) override { texts = shown = t; }
    bool changed(int pos) const override { return texts[std::size_t(pos)] != shown[std::size_t(pos)]; }
};

} // namespace tesmo::test

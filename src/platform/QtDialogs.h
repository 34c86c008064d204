// The real message boxes, input boxes and mouse pointer, over Qt Widgets.
#pragma once

#include "platform/Dialogs.h"

namespace tesmo {

class QtDialogs : public Dialogs {
public:
    Answer message(const QString &text, Buttons buttons, Icon icon, const QString &title) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText,
                  std::optional<QPoint> position, Echo echo, int maxLength) override;
    void setWaitPointer(bool wait) override;
    std::unique_ptr<Progress> progress(const QString &label, qint64 total) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;

private:
    bool waiting_ = false;
};

} // namespace tesmo

// The real message boxes, input boxes and mouse pointer, over Qt Widgets.
#pragma once

#include "platform/Dialogs.h"

namespace tesmo {

class QtDialogs : public Dialogs {
public:
    void setWaitPointer(bool wait) override;

protected:
    Answer showMessage(const QString &text, Buttons buttons, Icon icon, const QString &title) override;
    QString showInput(const QString &prompt, const QString &title, const QString &defaultText,
                      std::optional<QPoint> position, Echo echo, int maxLength) override;
    QString showOpenFile(const QString &title, const QString &folder, const QString &filter) override;
    QString showSaveFile(const QString &title, const QString &proposed, const QString &filter,
                         int *filterIndex) override;
    std::unique_ptr<Progress> makeProgress(const QString &label, qint64 total, int showAfterMs) override;

private:
    bool waiting_ = false;
};

} // namespace tesmo

// Access keys: Alt plus the letter marked with "&" in a caption clicks the
// button, after moving the focus to it as a click with the mouse does, so the
// field that had the focus is left first. A key that two captions share only
// moves the focus between them.
#pragma once

#include <QPushButton>

class QKeyEvent;

namespace tesmo {

// Alt plus a letter or digit.
bool isAccessKey(const QKeyEvent &event);

class AccessKeyButton : public QPushButton {
    Q_OBJECT
public:
    explicit AccessKeyButton(const QString &caption, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
};

} // namespace tesmo

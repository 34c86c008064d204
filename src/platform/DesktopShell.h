// The real desktop: xdg-open and the desktop's file associations, and the
// desktop folder as the XDG user directories name it. The desktop's programs
// are waited for off the window's thread; the window's thread waits for
// their answer with the windows painted and the user's input held back.
#pragma once

#include "platform/Shell.h"

namespace tesmo {

class DesktopShell : public Shell {
public:
    int open(const QString &file) override;
    bool startViewer(const QString &file) override;
    QString desktopFolder() const override;
};

} // namespace tesmo

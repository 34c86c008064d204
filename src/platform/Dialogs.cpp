#include "platform/Dialogs.h"

namespace tesmo {

void showErrorBox(Dialogs &dialogs, int number, const QString &description, const QString &sourceTag)
{
    dialogs.message(QStringLiteral("%1 - %2 - %3").arg(number).arg(description, sourceTag));
}

} // namespace tesmo

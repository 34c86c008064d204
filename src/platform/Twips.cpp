#include "platform/Twips.h"

namespace tesmo {

int twipsToPixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QRect TwipsRect::toPixels() const
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace tesmo

#include <QFont>
#include <QStringList>

namespace tesmo {

QFont designFont(const QFont &desktopFont)
{
    QFont f = desktopFont;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
                   QStringLiteral("Helvetica"), QStringLiteral("Arial"), desktopFont.family()});
    f.setPointSizeF(8.25);
    return f;
}

} // namespace tesmo

#include <QWidget>

namespace tesmo {

void place(QWidget *control, const char *objectName, TwipsRect r)
{
    control->setObjectName(QString::fromLatin1(objectName));
    control->setGeometry(r.toPixels());
}

} // namespace tesmo

// The parts of a document that do not depend on its rows: the package's
// content types and relationships, and the styles (the body type and the
// table format "3D effects 2"); and the writing of WordprocessingML
// elements that the document part shares with them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

namespace tesmo::office {

inline const QString kWordNamespace = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
// The table style that stands for the format "3D effects 2".
inline const QString kTableStyleId = QStringLiteral("Table3Deffects2");

// An empty element of the main namespace with a w:val attribute.
void valElement(QXmlStreamWriter &x, const QString &name, const QString &val);
// An empty element of the main namespace with a width (w:w) of a type.
void widthElement(QXmlStreamWriter &x, const QString &name, int twips, const QString &type);

// [Content_Types].xml: the document and its styles.
QByteArray contentTypes();
// A relationships part with one relationship, of the office type given.
QByteArray relationships(const char *type, const char *target);
// The styles: 10-point Arial body type, and the table style in type of
// tableSize half-points.
QByteArray styles(int tableSize);

} // namespace tesmo::office

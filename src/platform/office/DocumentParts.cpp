#include "platform/office/DocumentParts.h"

#include "platform/office/TableFitting.h"

#include <functional>

namespace tesmo::office {

namespace {

const QString kRelationships = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeRelationship = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");

void shading(QXmlStreamWriter &x, const char *fill)
{
    x.writeEmptyElement(kWordNamespace, QStringLiteral("shd"));
    x.writeAttribute(kWordNamespace, QStringLiteral("val"), QStringLiteral("clear"));
    x.writeAttribute(kWordNamespace, QStringLiteral("color"), QStringLiteral("auto"));
    x.writeAttribute(kWordNamespace, QStringLiteral("fill"), QString::fromLatin1(fill));
}

// The raised look: every border of the table and between its cells drawn
// as an outset line, which shows light above and left, dark below and right.
void raisedBorders(QXmlStreamWriter &x)
{
    x.writeStartElement(kWordNamespace, QStringLiteral("tblBorders"));
    for (const char *side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        x.writeEmptyElement(kWordNamespace, QString::fromLatin1(side));
        x.writeAttribute(kWordNamespace, QStringLiteral("val"), QStringLiteral("outset"));
        x.writeAttribute(kWordNamespace, QStringLiteral("sz"), QStringLiteral("12"));
        x.writeAttribute(kWordNamespace, QStringLiteral("space"), QStringLiteral("0"));
        x.writeAttribute(kWordNamespace, QStringLiteral("color"), QStringLiteral("auto"));
    }
    x.writeEndElement();
}

QByteArray xmlPart(const std::function<void(QXmlStreamWriter &)> &body)
{
    QByteArray bytes;
    QXmlStreamWriter x(&bytes);
    x.writeStartDocument(QStringLiteral("1.0"), true);
    body(x);
    x.writeEndDocument();
    return bytes;
}

} // namespace

void valElement(QXmlStreamWriter &x, const QString &name, const QString &val)
{
    x.writeEmptyElement(kWordNamespace, name);
    x.writeAttribute(kWordNamespace, QStringLiteral("val"), val);
}

void widthElement(QXmlStreamWriter &x, const QString &name, int twips, const QString &type)
{
    x.writeEmptyElement(kWordNamespace, name);
    x.writeAttribute(kWordNamespace, QStringLiteral("w"), QString::number(twips));
    x.writeAttribute(kWordNamespace, QStringLiteral("type"), type);
}

QByteArray contentTypes()
{
    return xmlPart([](QXmlStreamWriter &x) {
        const QString ns = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");
        x.writeDefaultNamespace(ns);
        x.writeStartElement(ns, QStringLiteral("Types"));
        const auto item = [&](const char *element, const char *key, const char *value, const char *type) {
            x.writeEmptyElement(ns, QString::fromLatin1(element));
            x.writeAttribute(QString::fromLatin1(key), QString::fromLatin1(value));
            x.writeAttribute(QStringLiteral("ContentType"), QString::fromLatin1(type));
        };
        item("Default", "Extension", "rels", "application/vnd.openxmlformats-package.relationships+xml");
        item("Default", "Extension", "xml", "application/xml");
        item("Override", "PartName", "/word/document.xml",
             "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
        item("Override", "PartName", "/word/styles.xml",
             "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml");
        x.writeEndElement();
    });
}

QByteArray relationships(const char *type, const char *target)
{
    return xmlPart([&](QXmlStreamWriter &x) {
        x.writeDefaultNamespace(kRelationships);
        x.writeStartElement(kRelationships, QStringLiteral("Relationships"));
        x.writeEmptyElement(kRelationships, QStringLiteral("Relationship"));
        x.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId1"));
        x.writeAttribute(QStringLiteral("Type"), kOfficeRelationship + QString::fromLatin1(type));
        x.writeAttribute(QStringLiteral("Target"), QString::fromLatin1(target));
        x.writeEndElement();
    });
}

// The styles: 10-point Arial body type, and the table format "3D effects 2"
// as a table style of its own: type of the given size in half-points, silver
// cells with raised borders, the heading row in bold white type on dark grey.
QByteArray styles(int tableSize)
{
    return xmlPart([tableSize](QXmlStreamWriter &x) {
        x.writeNamespace(kWordNamespace, QStringLiteral("w"));
        x.writeStartElement(kWordNamespace, QStringLiteral("styles"));

        x.writeStartElement(kWordNamespace, QStringLiteral("docDefaults"));
        x.writeStartElement(kWordNamespace, QStringLiteral("rPrDefault"));
        x.writeStartElement(kWordNamespace, QStringLiteral("rPr"));
        x.writeEmptyElement(kWordNamespace, QStringLiteral("rFonts"));
        for (const char *script : {"ascii", "hAnsi", "eastAsia", "cs"})
            x.writeAttribute(kWordNamespace, QString::fromLatin1(script), QStringLiteral("Arial"));
        valElement(x, QStringLiteral("sz"), QString::number(kBodySize));
        valElement(x, QStringLiteral("szCs"), QString::number(kBodySize));
        x.writeEndElement();
        x.writeEndElement();
        x.writeEndElement();

        x.writeStartElement(kWordNamespace, QStringLiteral("style"));
        x.writeAttribute(kWordNamespace, QStringLiteral("type"), QStringLiteral("paragraph"));
        x.writeAttribute(kWordNamespace, QStringLiteral("default"), QStringLiteral("1"));
        x.writeAttribute(kWordNamespace, QStringLiteral("styleId"), QStringLiteral("Normal"));
        valElement(x, QStringLiteral("name"), QStringLiteral("Normal"));
        x.writeEndElement();

        x.writeStartElement(kWordNamespace, QStringLiteral("style"));
        x.writeAttribute(kWordNamespace, QStringLiteral("type"), QStringLiteral("table"));
        x.writeAttribute(kWordNamespace, QStringLiteral("styleId"), kTableStyleId);
        valElement(x, QStringLiteral("name"), QStringLiteral("Table 3D effects 2"));
        x.writeStartElement(kWordNamespace, QStringLiteral("rPr"));
        valElement(x, QStringLiteral("sz"), QString::number(tableSize));
        valElement(x, QStringLiteral("szCs"), QString::number(tableSize));
        x.writeEndElement();
        x.writeStartElement(kWordNamespace, QStringLiteral("tblPr"));
        raisedBorders(x);
        x.writeStartElement(kWordNamespace, QStringLiteral("tblCellMar"));
        widthElement(x, QStringLiteral("left"), kCellMargins / 2, QStringLiteral("dxa"));
        widthElement(x, QStringLiteral("right"), kCellMargins / 2, QStringLiteral("dxa"));
        x.writeEndElement();
        x.writeEndElement();
        x.writeStartElement(kWordNamespace, QStringLiteral("tcPr"));
        shading(x, "C0C0C0");
        x.writeEndElement();

        x.writeStartElement(kWordNamespace, QStringLiteral("tblStylePr"));
        x.writeAttribute(kWordNamespace, QStringLiteral("type"), QStringLiteral("firstRow"));
        x.writeStartElement(kWordNamespace, QStringLiteral("rPr"));
        x.writeEmptyElement(kWordNamespace, QStringLiteral("b"));
        x.writeEmptyElement(kWordNamespace, QStringLiteral("bCs"));
        valElement(x, QStringLiteral("color"), QStringLiteral("FFFFFF"));
        x.writeEndElement();
        x.writeStartElement(kWordNamespace, QStringLiteral("tcPr"));
        shading(x, "808080");
        x.writeEndElement();
        x.writeEndElement();

        x.writeEndElement();   // style
        x.writeEndElement();   // styles
    });
}
} // namespace tesmo::office

// The imsmanifest.xml of each kind of package, written with Qt's XML
// stream writer (names and titles escaped by it).
#include "course/LecturePackage.h"

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <QXmlStreamWriter>

namespace pellucor {

namespace {

struct Vocabulary {
    const char* ns;
    const char* schemaLocation;
    const char* schema;
    const char* version;
    const char* scormType;  // the attribute naming a SCO (none for a cartridge)
};

Vocabulary vocabulary(PackageKind kind)
{
    switch (kind) {
    case PackageKind::Scorm12:
        return {"http://www.imsproject.org/xsd/imscp_rootv1p1p2",
                "http://www.imsproject.org/xsd/imscp_rootv1p1p2 imscp_rootv1p1p2.xsd "
                "http://www.adlnet.org/xsd/adlcp_rootv1p2 adlcp_rootv1p2.xsd",
                "ADL SCORM", "1.2", "adlcp:scormtype"};
    case PackageKind::Scorm2004:
        return {"http://www.imsglobal.org/xsd/imscp_v1p1",
                "http://www.imsglobal.org/xsd/imscp_v1p1 imscp_v1p1.xsd "
                "http://www.adlnet.org/xsd/adlcp_v1p3 adlcp_v1p3.xsd",
                "ADL SCORM", "2004 4th Edition", "adlcp:scormType"};
    case PackageKind::CommonCartridge: break;
    }
    return {"http://www.imsglobal.org/xsd/imsccv1p1/imscp_v1p1",
            "http://www.imsglobal.org/xsd/imsccv1p1/imscp_v1p1 "
            "http://www.imsglobal.org/profile/cc/ccv1p1/ccv1p1_imscp_v1p2_v1p0.xsd "
            "http://ltsc.ieee.org/xsd/imsccv1p1/LOM/manifest "
            "http://www.imsglobal.org/profile/cc/ccv1p1/LOM/ccv1p1_lommanifest_v1p0.xsd",
            "IMS Common Cartridge", "1.1.0", nullptr};
}

QString fileHref(const std::string& path)
{
    return QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/"));
}

}  // namespace

std::string PackageManifest(PackageKind kind, const std::string& title, const std::string& launch,
                            const std::vector<std::string>& files)
{
    const Vocabulary v = vocabulary(kind);
    const bool cartridge = kind == PackageKind::CommonCartridge;
    const QString name = QString::fromStdString(title);
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement("manifest");
    w.writeDefaultNamespace(v.ns);
    w.writeAttribute("identifier", "pellucor-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (kind == PackageKind::Scorm12)
        w.writeNamespace("http://www.adlnet.org/xsd/adlcp_rootv1p2", "adlcp");
    else if (kind == PackageKind::Scorm2004)
        w.writeNamespace("http://www.adlnet.org/xsd/adlcp_v1p3", "adlcp");
    else
        w.writeNamespace("http://ltsc.ieee.org/xsd/imsccv1p1/LOM/manifest", "lomimscc");
    w.writeNamespace("http://www.w3.org/2001/XMLSchema-instance", "xsi");
    w.writeAttribute("xsi:schemaLocation", v.schemaLocation);

    w.writeStartElement("metadata");
    w.writeTextElement("schema", v.schema);
    w.writeTextElement("schemaversion", v.version);
    if (cartridge) {
        w.writeStartElement("lomimscc:lom");
        w.writeStartElement("lomimscc:general");
        w.writeStartElement("lomimscc:title");
        w.writeStartElement("lomimscc:string");
        w.writeAttribute("language", "en");
        w.writeCharacters(name);
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
    }
    w.writeEndElement();  // metadata

    w.writeStartElement("organizations");
    if (!cartridge)
        w.writeAttribute("default", "lecture");
    w.writeStartElement("organization");
    w.writeAttribute("identifier", "lecture");
    if (cartridge) {
        w.writeAttribute("structure", "rooted-hierarchy");
        w.writeStartElement("item");
        w.writeAttribute("identifier", "root");
    } else {
        w.writeTextElement("title", name);
    }
    w.writeStartElement("item");
    w.writeAttribute("identifier", "lecture-item");
    w.writeAttribute("identifierref", "lecture-resource");
    w.writeTextElement("title", name);
    w.writeEndElement();  // item
    if (cartridge)
        w.writeEndElement();  // root item
    w.writeEndElement();      // organization
    w.writeEndElement();      // organizations

    w.writeStartElement("resources");
    w.writeStartElement("resource");
    w.writeAttribute("identifier", "lecture-resource");
    w.writeAttribute("type", "webcontent");
    if (v.scormType)
        w.writeAttribute(v.scormType, "sco");
    w.writeAttribute("href", fileHref(launch));
    for (const std::string& f : files) {
        w.writeEmptyElement("file");
        w.writeAttribute("href", fileHref(f));
    }
    w.writeEndElement();  // resource
    w.writeEndElement();  // resources
    w.writeEndElement();  // manifest
    w.writeEndDocument();
    return xml.toStdString();
}

}  // namespace pellucor

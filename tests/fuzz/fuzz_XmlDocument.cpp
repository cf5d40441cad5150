// Any XML file as the settings modules change one. Unchanged, it serializes to its own bytes.
// Then every element that begins with text gets a new text, every element without children gets
// one, and the document element a new child: the result must save (the helper parses what it
// writes and compares it with the edited DOM) and load again.
#include "FuzzSupport.h"

#include "platform/clientfiles/XmlDocument.h"

#include <QFile>
#include <cstdio>
#include <vector>
#include <xercesc/dom/DOMNode.hpp>

namespace {

const QString Texts[] = {QStringLiteral("10.0.0.5:3128"), QString(), QStringLiteral("a&b<c>]]>\r\n\t\"'"),
                         QStringLiteral("\u00e9\u20ac\U0001F600")};

// The elements of the document in document order, at most Limit of them.
std::vector<xercesc::DOMElement *> Elements(xercesc::DOMElement *Root, size_t Limit)
{
    std::vector<xercesc::DOMElement *> Found;
    std::vector<xercesc::DOMNode *> Pending{Root};
    while (!Pending.empty() && Found.size() < Limit) {
        xercesc::DOMNode *Node = Pending.back();
        Pending.pop_back();
        if (Node->getNodeType() != xercesc::DOMNode::ELEMENT_NODE)
            continue;
        Found.push_back(static_cast<xercesc::DOMElement *>(Node));
        for (xercesc::DOMNode *Child = Node->getLastChild(); Child; Child = Child->getPreviousSibling())
            Pending.push_back(Child);
    }
    return Found;
}

void Check(TXmlDocument &Document, bool Holds, const char *What)
{
    if (!Holds)
        std::fprintf(stderr, "%s\n", qPrintable(Document.LastError()));
    FuzzCheck(Holds, What);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString Path = WriteFuzzFile(QStringLiteral("fuzz.xml"), data, size);
    TXmlDocument Document;
    if (!Document.Load(Path))
        return 0;
    QByteArray Same;
    Check(Document, Document.Serialize(&Same), "an unchanged document serializes");
    FuzzCheck(Same == QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
              "an unchanged document keeps its bytes");
    size_t Count = 0;
    for (xercesc::DOMElement *Element : Elements(Document.DocumentElement(), 64)) {
        if (!Element->hasChildNodes())
            Document.AppendText(Element);
        if (Element->getFirstChild()->getNodeType() == xercesc::DOMNode::TEXT_NODE)
            Check(Document, Document.SetText(Element, Texts[Count++ % 4]), "text is set");
    }
    xercesc::DOMElement *Added = Document.AppendElement(Document.DocumentElement(), QStringLiteral("Added"));
    Check(Document, Added != nullptr, "an element is appended");
    Document.AppendText(Added);
    Check(Document, Document.SetText(Added, Texts[Count % 4]), "an appended element takes text");
    Check(Document, Document.Save(), "an edited document saves");
    TXmlDocument Again;
    Check(Again, Again.Load(Path), "a saved document loads");
    return 0;
}

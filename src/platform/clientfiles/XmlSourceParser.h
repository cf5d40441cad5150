#pragma once

#include <QByteArray>
#include <QString>
#include <unordered_map>
#include <xercesc/parsers/XercesDOMParser.hpp>

// Starts Xerces-C++ once for the process; every user of its DOM calls it first.
void StartXerces();

// Where a node of a parsed document stands in the bytes it was parsed from, as offsets from
// their start (a byte order mark included).
struct TXmlNodeSource
{
    // Elements: just after the start tag ("<a ...>" or "<a .../>") and just after the end tag
    // (the same offset for "<a/>").
    qint64 StartTagEnd = -1;
    qint64 EndTagEnd = -1;
    bool EmptyTag = false;
    // Text nodes: where the node begins; it ends at the next markup. CDATA sections are not noted.
    qint64 TextBegin = -1;
};

// A Xerces DOM parser that notes where every element and text node of the document
// stands in the source, so that a change can be written back into the original bytes. It reads
// no document type declaration (nor, therefore, any external or custom entity), resolves nothing
// over the network and refuses documents nested deeper than MaxDepth.
class TXmlSourceParser : public xercesc::XercesDOMParser
{
public:
    explicit TXmlSourceParser(int maxDepth);

    // Parses Bytes; false with the first error (Name, line, column and reason) in Error. The
    // document belongs to the parser.
    bool ParseBytes(const QByteArray &bytes, const QString &name, QString *error);
    // Null for a node the source does not hold (one made after parsing).
    const TXmlNodeSource *SourceOf(const xercesc::DOMNode *node) const;

    void startElement(const xercesc::XMLElementDecl &decl, const unsigned int uriId,
                      const XMLCh *const prefix, const xercesc::RefVectorOf<xercesc::XMLAttr> &attributes,
                      const XMLSize_t attributeCount, const bool isEmpty, const bool isRoot) override;
    void endElement(const xercesc::XMLElementDecl &decl, const unsigned int uriId, const bool isRoot,
                    const XMLCh *const prefix) override;
    void docCharacters(const XMLCh *const characters, const XMLSize_t length,
                       const bool cDataSection) override;
    void docComment(const XMLCh *const comment) override;
    void docPI(const XMLCh *const target, const XMLCh *const data) override;
    void error(const unsigned int code, const XMLCh *const domain,
               const xercesc::XMLErrorReporter::ErrTypes type, const XMLCh *const text,
               const XMLCh *const systemId, const XMLCh *const publicId, const XMLFileLoc line,
               const XMLFileLoc column) override;

private:
    qint64 Offset() const;
    void MarkupEnded() { FLastMarkupEnd = Offset(); }

    int FMaxDepth;
    int FDepth = 0;
    // The parser's offsets leave out a byte order mark.
    qint64 FPrefix = 0;
    qint64 FLastMarkupEnd = 0;
    QString FFirstError;
    std::unordered_map<const xercesc::DOMNode *, TXmlNodeSource> FSources;
};

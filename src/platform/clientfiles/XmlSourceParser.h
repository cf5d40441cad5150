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
    explicit TXmlSourceParser(int MaxDepth);

    // Parses Bytes; false with the first error (Name, line, column and reason) in Error. The
    // document belongs to the parser.
    bool ParseBytes(const QByteArray &Bytes, const QString &Name, QString *Error);
    // Null for a node the source does not hold (one made after parsing).
    const TXmlNodeSource *SourceOf(const xercesc::DOMNode *Node) const;

    void startElement(const xercesc::XMLElementDecl &Decl, const unsigned int UriId,
                      const XMLCh *const Prefix, const xercesc::RefVectorOf<xercesc::XMLAttr> &Attributes,
                      const XMLSize_t AttributeCount, const bool IsEmpty, const bool IsRoot) override;
    void endElement(const xercesc::XMLElementDecl &Decl, const unsigned int UriId, const bool IsRoot,
                    const XMLCh *const Prefix) override;
    void docCharacters(const XMLCh *const Characters, const XMLSize_t Length,
                       const bool CDataSection) override;
    void docComment(const XMLCh *const Comment) override;
    void docPI(const XMLCh *const Target, const XMLCh *const Data) override;
    void error(const unsigned int Code, const XMLCh *const Domain,
               const xercesc::XMLErrorReporter::ErrTypes Type, const XMLCh *const Text,
               const XMLCh *const SystemId, const XMLCh *const PublicId, const XMLFileLoc Line,
               const XMLFileLoc Column) override;

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

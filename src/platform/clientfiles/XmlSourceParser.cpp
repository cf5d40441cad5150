#include "platform/clientfiles/XmlSourceParser.h"

#include <QDir>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

using namespace xercesc;

namespace {

// Ends a parse from inside a callback; the reason is already noted.
struct TStopParsing
{};

QString FromXml(const XMLCh *Text) { return Text ? QString::fromUtf16(Text) : QString(); }

// The byte order mark in front of Bytes, which the parser's offsets do not count.
qint64 ByteOrderMarkSize(const QByteArray &Bytes)
{
    if (Bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4)) || Bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4)))
        return 4;
    if (Bytes.startsWith("\xEF\xBB\xBF"))
        return 3;
    if (Bytes.startsWith("\xFE\xFF") || Bytes.startsWith("\xFF\xFE"))
        return 2;
    return 0;
}

} // namespace

void StartXerces()
{
    static const bool Started = [] {
        XMLPlatformUtils::Initialize();
        return true;
    }();
    Q_UNUSED(Started);
}

TXmlSourceParser::TXmlSourceParser(int MaxDepth) : FMaxDepth(MaxDepth)
{
    setValidationScheme(Val_Never);
    setDoNamespaces(false);
    setDoSchema(false);
    setLoadExternalDTD(false);
    setLoadSchema(false);
    setDisableDefaultEntityResolution(true);
    setCreateEntityReferenceNodes(false);
    setCalculateSrcOfs(true);
    getScanner()->setDisallowDTD(true);
    // Without an error handler the base class has the scanner report to nobody.
    getScanner()->setErrorReporter(this);
}

bool TXmlSourceParser::ParseBytes(const QByteArray &Bytes, const QString &Name, QString *Error)
{
    FPrefix = ByteOrderMarkSize(Bytes);
    const QString Id = QDir::toNativeSeparators(Name);
    MemBufInputSource Source(reinterpret_cast<const XMLByte *>(Bytes.constData()), XMLSize_t(Bytes.size()),
                             reinterpret_cast<const XMLCh *>(Id.utf16()));
    try {
        parse(Source);
    } catch (const TStopParsing &) {
        // The reason is noted already.
    } catch (const XMLException &Exception) {
        FFirstError = FromXml(Exception.getMessage());
    } catch (const DOMException &Exception) {
        // The DOM refuses what the scanner lets through, such as an XML declaration of version "1.0.0".
        FFirstError = QStringLiteral("the DOM refuses the document: %1").arg(FromXml(Exception.getMessage()));
    } catch (const OutOfMemoryException &) {
        FFirstError = QStringLiteral("out of memory");
    }
    if (FFirstError.isEmpty() && (!getDocument() || !getDocument()->getDocumentElement()))
        FFirstError = QStringLiteral("no document element");
    if (FFirstError.isEmpty())
        return true;
    *Error = QStringLiteral("%1: %2").arg(Id, FFirstError);
    return false;
}

const TXmlNodeSource *TXmlSourceParser::SourceOf(const DOMNode *Node) const
{
    const auto Found = FSources.find(Node);
    return Found == FSources.cend() ? nullptr : &Found->second;
}

void TXmlSourceParser::startElement(const XMLElementDecl &Decl, const unsigned int UriId,
                                    const XMLCh *const Prefix, const RefVectorOf<XMLAttr> &Attributes,
                                    const XMLSize_t AttributeCount, const bool IsEmpty, const bool IsRoot)
{
    if (++FDepth > FMaxDepth) {
        FFirstError = QStringLiteral("elements are nested deeper than %1 levels").arg(FMaxDepth);
        throw TStopParsing();
    }
    const qint64 TagEnd = Offset();
    // An empty element is ended by the base class at once, through endElement below.
    XercesDOMParser::startElement(Decl, UriId, Prefix, Attributes, AttributeCount, IsEmpty, IsRoot);
    TXmlNodeSource &Source = FSources[getCurrentNode()];
    Source.StartTagEnd = TagEnd;
    Source.EmptyTag = IsEmpty;
    FLastMarkupEnd = TagEnd;
}

void TXmlSourceParser::endElement(const XMLElementDecl &Decl, const unsigned int UriId, const bool IsRoot,
                                  const XMLCh *const Prefix)
{
    XercesDOMParser::endElement(Decl, UriId, IsRoot, Prefix);
    FSources[getCurrentNode()].EndTagEnd = Offset();
    --FDepth;
    MarkupEnded();
}

// Consecutive character data (text and references) is one text node, which begins where the
// markup before it ended. A CDATA section is markup for the text after it.
void TXmlSourceParser::docCharacters(const XMLCh *const Characters, const XMLSize_t Length,
                                     const bool CDataSection)
{
    const DOMNode *Before = getCurrentNode();
    XercesDOMParser::docCharacters(Characters, Length, CDataSection);
    const DOMNode *Node = getCurrentNode();
    if (CDataSection)
        MarkupEnded();
    else if (Node != Before)
        FSources[Node].TextBegin = FLastMarkupEnd;
}

void TXmlSourceParser::docComment(const XMLCh *const Comment)
{
    XercesDOMParser::docComment(Comment);
    MarkupEnded();
}

void TXmlSourceParser::docPI(const XMLCh *const Target, const XMLCh *const Data)
{
    XercesDOMParser::docPI(Target, Data);
    MarkupEnded();
}

// Noted instead of handed on: without an error handler the base class would throw a fatal error
// past the scanner, which then stops by itself.
void TXmlSourceParser::error(const unsigned int, const XMLCh *const, const XMLErrorReporter::ErrTypes Type,
                             const XMLCh *const Text, const XMLCh *const, const XMLCh *const,
                             const XMLFileLoc Line, const XMLFileLoc Column)
{
    if (Type != XMLErrorReporter::ErrType_Warning && FFirstError.isEmpty())
        FFirstError = QStringLiteral("line %1, column %2: %3").arg(Line).arg(Column).arg(FromXml(Text));
}

qint64 TXmlSourceParser::Offset() const { return FPrefix + qint64(getSrcOffset()); }

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

QString FromXml(const XMLCh *text) { return text ? QString::fromUtf16(text) : QString(); }

// The byte order mark in front of Bytes, which the parser's offsets do not count.
qint64 ByteOrderMarkSize(const QByteArray &bytes)
{
    if (bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4)) || bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4)))
        return 4;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return 3;
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE"))
        return 2;
    return 0;
}

} // namespace

void StartXerces()
{
    static const bool started = [] {
        XMLPlatformUtils::Initialize();
        return true;
    }();
    Q_UNUSED(started);
}

TXmlSourceParser::TXmlSourceParser(int maxDepth) : FMaxDepth(maxDepth)
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

bool TXmlSourceParser::ParseBytes(const QByteArray &bytes, const QString &name, QString *error)
{
    FPrefix = ByteOrderMarkSize(bytes);
    const QString id = QDir::toNativeSeparators(name);
    MemBufInputSource source(reinterpret_cast<const XMLByte *>(bytes.constData()), XMLSize_t(bytes.size()),
                             reinterpret_cast<const XMLCh *>(id.utf16()));
    try {
        parse(source);
    } catch (const TStopParsing &) {
        // The reason is noted already.
    } catch (const XMLException &exception) {
        FFirstError = FromXml(exception.getMessage());
    } catch (const DOMException &exception) {
        // The DOM refuses what the scanner lets through, such as an XML declaration of version "1.0.0".
        FFirstError = QStringLiteral("the DOM refuses the document: %1").arg(FromXml(exception.getMessage()));
    } catch (const OutOfMemoryException &) {
        FFirstError = QStringLiteral("out of memory");
    }
    if (FFirstError.isEmpty() && (!getDocument() || !getDocument()->getDocumentElement()))
        FFirstError = QStringLiteral("no document element");
    if (FFirstError.isEmpty())
        return true;
    *error = QStringLiteral("%1: %2").arg(id, FFirstError);
    return false;
}

const TXmlNodeSource *TXmlSourceParser::SourceOf(const DOMNode *node) const
{
    const auto found = FSources.find(node);
    return found == FSources.cend() ? nullptr : &found->second;
}

void TXmlSourceParser::startElement(const XMLElementDecl &decl, const unsigned int uriId,
                                    const XMLCh *const prefix, const RefVectorOf<XMLAttr> &attributes,
                                    const XMLSize_t attributeCount, const bool isEmpty, const bool isRoot)
{
    if (++FDepth > FMaxDepth) {
        FFirstError = QStringLiteral("elements are nested deeper than %1 levels").arg(FMaxDepth);
        throw TStopParsing();
    }
    const qint64 tagEnd = Offset();
    // An empty element is ended by the base class at once, through endElement below.
    XercesDOMParser::startElement(decl, uriId, prefix, attributes, attributeCount, isEmpty, isRoot);
    TXmlNodeSource &source = FSources[getCurrentNode()];
    source.StartTagEnd = tagEnd;
    source.EmptyTag = isEmpty;
    FLastMarkupEnd = tagEnd;
}

void TXmlSourceParser::endElement(const XMLElementDecl &decl, const unsigned int uriId, const bool isRoot,
                                  const XMLCh *const prefix)
{
    XercesDOMParser::endElement(decl, uriId, isRoot, prefix);
    FSources[getCurrentNode()].EndTagEnd = Offset();
    --FDepth;
    MarkupEnded();
}

// Consecutive character data (text and references) is one text node, which begins where the
// markup before it ended. A CDATA section is markup for the text after it.
void TXmlSourceParser::docCharacters(const XMLCh *const characters, const XMLSize_t length,
                                     const bool cDataSection)
{
    const DOMNode *before = getCurrentNode();
    XercesDOMParser::docCharacters(characters, length, cDataSection);
    const DOMNode *node = getCurrentNode();
    if (cDataSection)
        MarkupEnded();
    else if (node != before)
        FSources[node].TextBegin = FLastMarkupEnd;
}

void TXmlSourceParser::docComment(const XMLCh *const comment)
{
    XercesDOMParser::docComment(comment);
    MarkupEnded();
}

void TXmlSourceParser::docPI(const XMLCh *const target, const XMLCh *const data)
{
    XercesDOMParser::docPI(target, data);
    MarkupEnded();
}

// Noted instead of handed on: without an error handler the base class would throw a fatal error
// past the scanner, which then stops by itself.
void TXmlSourceParser::error(const unsigned int, const XMLCh *const, const XMLErrorReporter::ErrTypes type,
                             const XMLCh *const text, const XMLCh *const, const XMLCh *const,
                             const XMLFileLoc line, const XMLFileLoc column)
{
    if (type != XMLErrorReporter::ErrType_Warning && FFirstError.isEmpty())
        FFirstError = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(FromXml(text));
}

qint64 TXmlSourceParser::Offset() const { return FPrefix + qint64(getSrcOffset()); }

#include "platform/clientfiles/XmlDocument.h"

#include "platform/clientfiles/XmlEncoding.h"
#include "platform/clientfiles/XmlSourceParser.h"
#include "platform/process/FileDescriptor.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/dom/DOMText.hpp>
#include <xercesc/util/XMLString.hpp>

using namespace xercesc;

namespace {

const XMLCh *ToXml(const QString &text) { return reinterpret_cast<const XMLCh *>(text.utf16()); }
QString FromXml(const XMLCh *text) { return text ? QString::fromUtf16(text) : QString(); }

QString Native(const QString &fileName) { return QDir::toNativeSeparators(fileName); }

QString TooLarge(const QString &fileName)
{
    return QStringLiteral("%1 is larger than %2 MB")
        .arg(Native(fileName))
        .arg(TXmlDocument::MaxFileSize >> 20);
}

QString CannotRead(const QString &fileName)
{
    return QStringLiteral("%1 cannot be read: %2")
        .arg(Native(fileName), QString::fromLocal8Bit(strerror(errno)));
}

// Why File, just opened from FileName, is no settings file to read, or nothing.
QString OpenProblem(int file, const QString &fileName)
{
    struct stat status = {};
    if (file < 0 && errno == ELOOP)
        return QStringLiteral("%1 is a symbolic link, which this program does not replace")
            .arg(Native(fileName));
    if (file < 0 || ::fstat(file, &status) != 0)
        return CannotRead(fileName);
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("%1 is not a regular file").arg(Native(fileName));
    if (status.st_size > TXmlDocument::MaxFileSize)
        return TooLarge(fileName);
    return {};
}

// Up to Limit bytes of File; false on a read error.
bool ReadUpTo(int file, qint64 limit, QByteArray *bytes)
{
    bytes->resize(limit);
    qint64 size = 0;
    while (size < limit) {
        const ssize_t got = ::read(file, bytes->data() + size, size_t(limit - size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            bytes->truncate(size);
            return got == 0;
        }
        size += got;
    }
    return true;
}

// The whole file, refusing anything but a regular file of at most MaxFileSize bytes. The file
// is opened before it is looked at, so what is checked is what is read; a pipe does not block.
// A file that grows past the limit while it is read is refused as well.
bool ReadSettingsFile(const QString &fileName, QByteArray *bytes, QString *error)
{
    const TFd file(
        ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    *error = OpenProblem(file.Get(), fileName);
    if (error->isEmpty() && !ReadUpTo(file.Get(), TXmlDocument::MaxFileSize + 1, bytes))
        *error = CannotRead(fileName);
    else if (error->isEmpty() && bytes->size() > TXmlDocument::MaxFileSize)
        *error = TooLarge(fileName);
    return error->isEmpty();
}

QString ElementText(const DOMElement *element)
{
    return QStringLiteral("<%1>").arg(FromXml(element->getNodeName()));
}

QString NodeDescription(const DOMNode *node)
{
    switch (node->getNodeType()) {
    case DOMNode::ELEMENT_NODE:
        return QStringLiteral("the element <%1>").arg(FromXml(node->getNodeName()));
    case DOMNode::CDATA_SECTION_NODE:
        return QStringLiteral("a CDATA section");
    case DOMNode::COMMENT_NODE:
        return QStringLiteral("a comment");
    default:
        return QStringLiteral("a processing instruction");
    }
}

// Removes the empty text nodes below Node and joins neighbouring ones, as a parser gives them.
void Normalize(DOMNode *node)
{
    std::vector<DOMNode *> pending{node};
    while (!pending.empty()) {
        DOMNode *parent = pending.back();
        pending.pop_back();
        for (DOMNode *child = parent->getFirstChild(); child;) {
            DOMNode *next = child->getNextSibling();
            if (child->getNodeType() == DOMNode::TEXT_NODE &&
                XMLString::stringLen(child->getNodeValue()) == 0)
                parent->removeChild(child)->release();
            else
                pending.push_back(child);
            child = next;
        }
    }
    node->normalize();
}

} // namespace

TXmlDocument::TXmlDocument() = default;
TXmlDocument::~TXmlDocument() = default;

bool TXmlDocument::Load(const QString &fileName)
{
    QByteArray bytes;
    QString error;
    FParser.reset();
    if (!ReadSettingsFile(fileName, &bytes, &error))
        return Fail(error);
    return Parse(bytes, fileName);
}

bool TXmlDocument::Parse(const QByteArray &bytes, const QString &fileName)
{
    StartXerces();
    FLastError.clear();
    FFileName = fileName;
    FBytes = FWritten = bytes;
    FChangedTexts.clear();
    FGrownElements.clear();
    FNewNodes.clear();
    FEncoding = std::make_unique<TXmlEncoding>();
    FParser = std::make_unique<TXmlSourceParser>(MaxDepth);
    QString error;
    if (!FParser->ParseBytes(bytes, fileName, &error) ||
        !FEncoding->Detect(bytes, FromXml(FParser->getDocument()->getInputEncoding()),
                           FParser->SourceOf(DocumentElement())->StartTagEnd, &error)) {
        FParser.reset();
        return Fail(error.startsWith(Native(fileName)) ? error
                                                       : Native(fileName) + QStringLiteral(": ") + error);
    }
    return true;
}

QString TXmlDocument::AccessProblem(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink())
        return QStringLiteral("%1 is a symbolic link, which this program does not replace")
            .arg(Native(fileName));
    if (!info.exists())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(Native(fileName));
    if (info.size() > MaxFileSize)
        return TooLarge(fileName);
    if (!info.isReadable())
        return QStringLiteral("%1 cannot be read").arg(Native(fileName));
    if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable())
        return QStringLiteral("%1 cannot be replaced").arg(Native(fileName));
    return {};
}

DOMElement *TXmlDocument::DocumentElement() const
{
    return FParser ? FParser->getDocument()->getDocumentElement() : nullptr;
}

DOMElement *TXmlDocument::FindElement(const DOMNode *parent, const QString &name)
{
    const XMLCh *wanted = ToXml(name);
    const DOMNode *node = parent->getFirstChild();
    while (node) {
        if (node->getNodeType() == DOMNode::ELEMENT_NODE && XMLString::equals(node->getNodeName(), wanted))
            return const_cast<DOMElement *>(static_cast<const DOMElement *>(node));
        if (const DOMNode *child = node->getFirstChild()) {
            node = child;
            continue;
        }
        while (node != parent && !node->getNextSibling())
            node = node->getParentNode();
        node = node == parent ? nullptr : node->getNextSibling();
    }
    return nullptr;
}

DOMElement *TXmlDocument::FindPath(const QStringList &names, DOMElement *from)
{
    DOMElement *element = from ? from : DocumentElement();
    for (const QString &name : names) {
        DOMElement *next = element ? FindElement(element, name) : nullptr;
        if (!next) {
            Fail(QStringLiteral("%1 has no <%2> element below <%3>")
                     .arg(Native(FFileName), name, element ? FromXml(element->getNodeName()) : QString()));
            return nullptr;
        }
        element = next;
    }
    return element;
}

bool TXmlDocument::SetText(DOMElement *element, const QString &text)
{
    DOMNode *first = element->getFirstChild();
    if (!first)
        return Fail(QStringLiteral("%1 in %2 holds no text").arg(ElementText(element), Native(FFileName)));
    if (first->getNodeType() != DOMNode::TEXT_NODE)
        return Fail(QStringLiteral("%1 in %2 begins with %3, not with text")
                        .arg(ElementText(element), Native(FFileName), NodeDescription(first)));
    QByteArray encoded;
    QString error;
    if (!FEncoding->EncodeText(text, &encoded, &error))
        return Fail(QStringLiteral("%1 in %2: %3").arg(ElementText(element), Native(FFileName), error));
    first->setNodeValue(ToXml(text));
    if (FParser->SourceOf(first) &&
        std::find(FChangedTexts.cbegin(), FChangedTexts.cend(), first) == FChangedTexts.cend())
        FChangedTexts.push_back(first);
    return true;
}

void TXmlDocument::AppendText(DOMElement *element)
{
    DOMNode *text = element->appendChild(FParser->getDocument()->createTextNode(u""));
    FNewNodes.insert(text);
    NoteGrowth(element);
}

DOMElement *TXmlDocument::AppendElement(DOMElement *parent, const QString &name)
{
    QByteArray encoded;
    QString error;
    if (!FEncoding->EncodeMarkup(name, &encoded, &error)) {
        Fail(QStringLiteral("%1: %2").arg(Native(FFileName), error));
        return nullptr;
    }
    try {
        DOMElement *element = FParser->getDocument()->createElement(ToXml(name));
        parent->appendChild(element);
        FNewNodes.insert(element);
        NoteGrowth(parent);
        return element;
    } catch (const DOMException &) {
        Fail(QStringLiteral("%1: <%2> is no element name").arg(Native(FFileName), name));
        return nullptr;
    }
}

bool TXmlDocument::Serialize(QByteArray *bytes)
{
    if (!FParser)
        return Fail(QStringLiteral("no document is loaded"));
    std::vector<TEdit> edits;
    QString error;
    for (const DOMNode *text : FChangedTexts)
        if (!TextEdit(text, &edits.emplace_back(), &error))
            return Fail(error);
    for (const DOMElement *element : FGrownElements)
        if (!GrowthEdit(element, &edits.emplace_back(), &error))
            return Fail(error);
    std::stable_sort(edits.begin(), edits.end(),
                     [](const TEdit &a, const TEdit &b) { return a.Begin < b.Begin; });
    QByteArray result;
    qint64 copied = 0;
    for (const TEdit &edit : edits) {
        result += FBytes.mid(copied, edit.Begin - copied) + edit.Bytes;
        copied = edit.End;
    }
    result += FBytes.mid(copied);
    if (!ReadsBackAsEdited(result, &error))
        return Fail(error);
    *bytes = result;
    return true;
}

bool TXmlDocument::Save()
{
    QByteArray bytes;
    if (!Serialize(&bytes))
        return false;
    if (bytes == FWritten)
        return true;
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Fail(QStringLiteral("cannot write %1: %2").arg(Native(FFileName), file.errorString()));
    FWritten = bytes;
    return true;
}

bool TXmlDocument::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

void TXmlDocument::NoteGrowth(const DOMElement *element)
{
    if (FParser->SourceOf(element) &&
        std::find(FGrownElements.cbegin(), FGrownElements.cend(), element) == FGrownElements.cend())
        FGrownElements.push_back(element);
}

// A changed text node runs from its beginning to the next markup.
bool TXmlDocument::TextEdit(const DOMNode *text, TEdit *edit, QString *error) const
{
    edit->Begin = FParser->SourceOf(text)->TextBegin;
    edit->End = FEncoding->Find(FBytes, edit->Begin, '<');
    if (edit->End < 0)
        *error = QStringLiteral("%1: a changed text has no end").arg(Native(FFileName));
    return edit->End >= 0 && FEncoding->EncodeText(FromXml(text->getNodeValue()), &edit->Bytes, error);
}

// New children go in front of the end tag; "<a/>" becomes "<a>...</a>".
bool TXmlDocument::GrowthEdit(const DOMElement *parent, TEdit *edit, QString *error) const
{
    QByteArray added;
    for (const DOMNode *child = parent->getFirstChild(); child; child = child->getNextSibling())
        if (FNewNodes.count(child) && !EncodeNew(child, &added, error))
            return false;
    const TXmlNodeSource *source = FParser->SourceOf(parent);
    if (source->EmptyTag) {
        QByteArray close;
        edit->Begin = source->StartTagEnd - 2 * FEncoding->UnitWidth();
        edit->End = source->StartTagEnd;
        if (!FEncoding->EncodeMarkup(QStringLiteral(">"), &edit->Bytes, error) ||
            !FEncoding->EncodeMarkup(QStringLiteral("</%1>").arg(FromXml(parent->getNodeName())), &close,
                                     error))
            return false;
        edit->Bytes += added + close;
        return true;
    }
    edit->Begin = edit->End = FEncoding->FindLast(FBytes, source->EndTagEnd, '<');
    edit->Bytes = added;
    if (edit->Begin < 0)
        *error =
            QStringLiteral("%1: the end tag of %2 was not found").arg(Native(FFileName), ElementText(parent));
    return edit->Begin >= 0;
}

bool TXmlDocument::EncodeNew(const DOMNode *node, QByteArray *out, QString *error) const
{
    if (node->getNodeType() == DOMNode::TEXT_NODE)
        return FEncoding->EncodeText(FromXml(node->getNodeValue()), out, error);
    const QString name = FromXml(node->getNodeName());
    if (!node->hasChildNodes())
        return FEncoding->EncodeMarkup(QStringLiteral("<%1/>").arg(name), out, error);
    if (!FEncoding->EncodeMarkup(QStringLiteral("<%1>").arg(name), out, error))
        return false;
    for (const DOMNode *child = node->getFirstChild(); child; child = child->getNextSibling())
        if (!EncodeNew(child, out, error))
            return false;
    return FEncoding->EncodeMarkup(QStringLiteral("</%1>").arg(name), out, error);
}

// The written bytes must parse to the edited DOM, or nothing is written.
bool TXmlDocument::ReadsBackAsEdited(const QByteArray &bytes, QString *error) const
{
    TXmlSourceParser check(MaxDepth + 1);
    QString parseError;
    if (!check.ParseBytes(bytes, FFileName, &parseError)) {
        *error = QStringLiteral("the edited document would not parse: %1").arg(parseError);
        return false;
    }
    DOMNode *expected = DocumentElement()->cloneNode(true);
    Normalize(expected);
    const bool same = expected->isEqualNode(check.getDocument()->getDocumentElement());
    expected->release();
    if (!same)
        *error =
            QStringLiteral("%1: the edited document would not read back as edited").arg(Native(FFileName));
    return same;
}

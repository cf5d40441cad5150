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

const XMLCh *ToXml(const QString &Text) { return reinterpret_cast<const XMLCh *>(Text.utf16()); }
QString FromXml(const XMLCh *Text) { return Text ? QString::fromUtf16(Text) : QString(); }

QString Native(const QString &FileName) { return QDir::toNativeSeparators(FileName); }

QString TooLarge(const QString &FileName)
{
    return QStringLiteral("%1 is larger than %2 MB")
        .arg(Native(FileName))
        .arg(TXmlDocument::MaxFileSize >> 20);
}

QString CannotRead(const QString &FileName)
{
    return QStringLiteral("%1 cannot be read: %2")
        .arg(Native(FileName), QString::fromLocal8Bit(strerror(errno)));
}

// Why File, just opened from FileName, is no settings file to read, or nothing.
QString OpenProblem(int File, const QString &FileName)
{
    struct stat Status = {};
    if (File < 0 && errno == ELOOP)
        return QStringLiteral("%1 is a symbolic link, which this program does not replace")
            .arg(Native(FileName));
    if (File < 0 || ::fstat(File, &Status) != 0)
        return CannotRead(FileName);
    if (!S_ISREG(Status.st_mode))
        return QStringLiteral("%1 is not a regular file").arg(Native(FileName));
    if (Status.st_size > TXmlDocument::MaxFileSize)
        return TooLarge(FileName);
    return {};
}

// Up to Limit bytes of File; false on a read error.
bool ReadUpTo(int File, qint64 Limit, QByteArray *Bytes)
{
    Bytes->resize(Limit);
    qint64 Size = 0;
    while (Size < Limit) {
        const ssize_t Got = ::read(File, Bytes->data() + Size, size_t(Limit - Size));
        if (Got < 0 && errno == EINTR)
            continue;
        if (Got <= 0) {
            Bytes->truncate(Size);
            return Got == 0;
        }
        Size += Got;
    }
    return true;
}

// The whole file, refusing anything but a regular file of at most MaxFileSize bytes. The file
// is opened before it is looked at, so what is checked is what is read; a pipe does not block.
// A file that grows past the limit while it is read is refused as well.
bool ReadSettingsFile(const QString &FileName, QByteArray *Bytes, QString *Error)
{
    const TFd File(
        ::open(QFile::encodeName(FileName).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    *Error = OpenProblem(File.Get(), FileName);
    if (Error->isEmpty() && !ReadUpTo(File.Get(), TXmlDocument::MaxFileSize + 1, Bytes))
        *Error = CannotRead(FileName);
    else if (Error->isEmpty() && Bytes->size() > TXmlDocument::MaxFileSize)
        *Error = TooLarge(FileName);
    return Error->isEmpty();
}

QString ElementText(const DOMElement *Element)
{
    return QStringLiteral("<%1>").arg(FromXml(Element->getNodeName()));
}

QString NodeDescription(const DOMNode *Node)
{
    switch (Node->getNodeType()) {
    case DOMNode::ELEMENT_NODE:
        return QStringLiteral("the element <%1>").arg(FromXml(Node->getNodeName()));
    case DOMNode::CDATA_SECTION_NODE:
        return QStringLiteral("a CDATA section");
    case DOMNode::COMMENT_NODE:
        return QStringLiteral("a comment");
    default:
        return QStringLiteral("a processing instruction");
    }
}

// Removes the empty text nodes below Node and joins neighbouring ones, as a parser gives them.
void Normalize(DOMNode *Node)
{
    std::vector<DOMNode *> Pending{Node};
    while (!Pending.empty()) {
        DOMNode *Parent = Pending.back();
        Pending.pop_back();
        for (DOMNode *Child = Parent->getFirstChild(); Child;) {
            DOMNode *Next = Child->getNextSibling();
            if (Child->getNodeType() == DOMNode::TEXT_NODE &&
                XMLString::stringLen(Child->getNodeValue()) == 0)
                Parent->removeChild(Child)->release();
            else
                Pending.push_back(Child);
            Child = Next;
        }
    }
    Node->normalize();
}

} // namespace

TXmlDocument::TXmlDocument() = default;
TXmlDocument::~TXmlDocument() = default;

bool TXmlDocument::Load(const QString &FileName)
{
    QByteArray Bytes;
    QString Error;
    FParser.reset();
    if (!ReadSettingsFile(FileName, &Bytes, &Error))
        return Fail(Error);
    return Parse(Bytes, FileName);
}

bool TXmlDocument::Parse(const QByteArray &Bytes, const QString &FileName)
{
    StartXerces();
    FLastError.clear();
    FFileName = FileName;
    FBytes = FWritten = Bytes;
    FChangedTexts.clear();
    FGrownElements.clear();
    FNewNodes.clear();
    FEncoding = std::make_unique<TXmlEncoding>();
    FParser = std::make_unique<TXmlSourceParser>(MaxDepth);
    QString Error;
    if (!FParser->ParseBytes(Bytes, FileName, &Error) ||
        !FEncoding->Detect(Bytes, FromXml(FParser->getDocument()->getInputEncoding()),
                           FParser->SourceOf(DocumentElement())->StartTagEnd, &Error)) {
        FParser.reset();
        return Fail(Error.startsWith(Native(FileName)) ? Error
                                                       : Native(FileName) + QStringLiteral(": ") + Error);
    }
    return true;
}

QString TXmlDocument::AccessProblem(const QString &FileName)
{
    const QFileInfo Info(FileName);
    if (Info.isSymLink())
        return QStringLiteral("%1 is a symbolic link, which this program does not replace")
            .arg(Native(FileName));
    if (!Info.exists())
        return {};
    if (!Info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(Native(FileName));
    if (Info.size() > MaxFileSize)
        return TooLarge(FileName);
    if (!Info.isReadable())
        return QStringLiteral("%1 cannot be read").arg(Native(FileName));
    if (!Info.isWritable() || !QFileInfo(Info.absolutePath()).isWritable())
        return QStringLiteral("%1 cannot be replaced").arg(Native(FileName));
    return {};
}

DOMElement *TXmlDocument::DocumentElement() const
{
    return FParser ? FParser->getDocument()->getDocumentElement() : nullptr;
}

DOMElement *TXmlDocument::FindElement(const DOMNode *Parent, const QString &Name)
{
    const XMLCh *Wanted = ToXml(Name);
    const DOMNode *Node = Parent->getFirstChild();
    while (Node) {
        if (Node->getNodeType() == DOMNode::ELEMENT_NODE && XMLString::equals(Node->getNodeName(), Wanted))
            return const_cast<DOMElement *>(static_cast<const DOMElement *>(Node));
        if (const DOMNode *Child = Node->getFirstChild()) {
            Node = Child;
            continue;
        }
        while (Node != Parent && !Node->getNextSibling())
            Node = Node->getParentNode();
        Node = Node == Parent ? nullptr : Node->getNextSibling();
    }
    return nullptr;
}

DOMElement *TXmlDocument::FindPath(const QStringList &Names, DOMElement *From)
{
    DOMElement *Element = From ? From : DocumentElement();
    for (const QString &Name : Names) {
        DOMElement *Next = Element ? FindElement(Element, Name) : nullptr;
        if (!Next) {
            Fail(QStringLiteral("%1 has no <%2> element below <%3>")
                     .arg(Native(FFileName), Name, Element ? FromXml(Element->getNodeName()) : QString()));
            return nullptr;
        }
        Element = Next;
    }
    return Element;
}

bool TXmlDocument::SetText(DOMElement *Element, const QString &Text)
{
    DOMNode *First = Element->getFirstChild();
    if (!First)
        return Fail(QStringLiteral("%1 in %2 holds no text").arg(ElementText(Element), Native(FFileName)));
    if (First->getNodeType() != DOMNode::TEXT_NODE)
        return Fail(QStringLiteral("%1 in %2 begins with %3, not with text")
                        .arg(ElementText(Element), Native(FFileName), NodeDescription(First)));
    QByteArray Encoded;
    QString Error;
    if (!FEncoding->EncodeText(Text, &Encoded, &Error))
        return Fail(QStringLiteral("%1 in %2: %3").arg(ElementText(Element), Native(FFileName), Error));
    First->setNodeValue(ToXml(Text));
    if (FParser->SourceOf(First) &&
        std::find(FChangedTexts.cbegin(), FChangedTexts.cend(), First) == FChangedTexts.cend())
        FChangedTexts.push_back(First);
    return true;
}

void TXmlDocument::AppendText(DOMElement *Element)
{
    DOMNode *Text = Element->appendChild(FParser->getDocument()->createTextNode(u""));
    FNewNodes.insert(Text);
    NoteGrowth(Element);
}

DOMElement *TXmlDocument::AppendElement(DOMElement *Parent, const QString &Name)
{
    QByteArray Encoded;
    QString Error;
    if (!FEncoding->EncodeMarkup(Name, &Encoded, &Error)) {
        Fail(QStringLiteral("%1: %2").arg(Native(FFileName), Error));
        return nullptr;
    }
    try {
        DOMElement *Element = FParser->getDocument()->createElement(ToXml(Name));
        Parent->appendChild(Element);
        FNewNodes.insert(Element);
        NoteGrowth(Parent);
        return Element;
    } catch (const DOMException &) {
        Fail(QStringLiteral("%1: <%2> is no element name").arg(Native(FFileName), Name));
        return nullptr;
    }
}

bool TXmlDocument::Serialize(QByteArray *Bytes)
{
    if (!FParser)
        return Fail(QStringLiteral("no document is loaded"));
    std::vector<TEdit> Edits;
    QString Error;
    for (const DOMNode *Text : FChangedTexts)
        if (!TextEdit(Text, &Edits.emplace_back(), &Error))
            return Fail(Error);
    for (const DOMElement *Element : FGrownElements)
        if (!GrowthEdit(Element, &Edits.emplace_back(), &Error))
            return Fail(Error);
    std::stable_sort(Edits.begin(), Edits.end(),
                     [](const TEdit &A, const TEdit &B) { return A.Begin < B.Begin; });
    QByteArray Result;
    qint64 Copied = 0;
    for (const TEdit &Edit : Edits) {
        Result += FBytes.mid(Copied, Edit.Begin - Copied) + Edit.Bytes;
        Copied = Edit.End;
    }
    Result += FBytes.mid(Copied);
    if (!ReadsBackAsEdited(Result, &Error))
        return Fail(Error);
    *Bytes = Result;
    return true;
}

bool TXmlDocument::Save()
{
    QByteArray Bytes;
    if (!Serialize(&Bytes))
        return false;
    if (Bytes == FWritten)
        return true;
    QSaveFile File(FFileName);
    if (!File.open(QIODevice::WriteOnly) || File.write(Bytes) != Bytes.size() || !File.commit())
        return Fail(QStringLiteral("cannot write %1: %2").arg(Native(FFileName), File.errorString()));
    FWritten = Bytes;
    return true;
}

bool TXmlDocument::Fail(const QString &Reason)
{
    FLastError = Reason;
    return false;
}

void TXmlDocument::NoteGrowth(const DOMElement *Element)
{
    if (FParser->SourceOf(Element) &&
        std::find(FGrownElements.cbegin(), FGrownElements.cend(), Element) == FGrownElements.cend())
        FGrownElements.push_back(Element);
}

// A changed text node runs from its beginning to the next markup.
bool TXmlDocument::TextEdit(const DOMNode *Text, TEdit *Edit, QString *Error) const
{
    Edit->Begin = FParser->SourceOf(Text)->TextBegin;
    Edit->End = FEncoding->Find(FBytes, Edit->Begin, '<');
    if (Edit->End < 0)
        *Error = QStringLiteral("%1: a changed text has no end").arg(Native(FFileName));
    return Edit->End >= 0 && FEncoding->EncodeText(FromXml(Text->getNodeValue()), &Edit->Bytes, Error);
}

// New children go in front of the end tag; "<a/>" becomes "<a>...</a>".
bool TXmlDocument::GrowthEdit(const DOMElement *Parent, TEdit *Edit, QString *Error) const
{
    QByteArray Added;
    for (const DOMNode *Child = Parent->getFirstChild(); Child; Child = Child->getNextSibling())
        if (FNewNodes.count(Child) && !EncodeNew(Child, &Added, Error))
            return false;
    const TXmlNodeSource *Source = FParser->SourceOf(Parent);
    if (Source->EmptyTag) {
        QByteArray Close;
        Edit->Begin = Source->StartTagEnd - 2 * FEncoding->UnitWidth();
        Edit->End = Source->StartTagEnd;
        if (!FEncoding->EncodeMarkup(QStringLiteral(">"), &Edit->Bytes, Error) ||
            !FEncoding->EncodeMarkup(QStringLiteral("</%1>").arg(FromXml(Parent->getNodeName())), &Close,
                                     Error))
            return false;
        Edit->Bytes += Added + Close;
        return true;
    }
    Edit->Begin = Edit->End = FEncoding->FindLast(FBytes, Source->EndTagEnd, '<');
    Edit->Bytes = Added;
    if (Edit->Begin < 0)
        *Error =
            QStringLiteral("%1: the end tag of %2 was not found").arg(Native(FFileName), ElementText(Parent));
    return Edit->Begin >= 0;
}

bool TXmlDocument::EncodeNew(const DOMNode *Node, QByteArray *Out, QString *Error) const
{
    if (Node->getNodeType() == DOMNode::TEXT_NODE)
        return FEncoding->EncodeText(FromXml(Node->getNodeValue()), Out, Error);
    const QString Name = FromXml(Node->getNodeName());
    if (!Node->hasChildNodes())
        return FEncoding->EncodeMarkup(QStringLiteral("<%1/>").arg(Name), Out, Error);
    if (!FEncoding->EncodeMarkup(QStringLiteral("<%1>").arg(Name), Out, Error))
        return false;
    for (const DOMNode *Child = Node->getFirstChild(); Child; Child = Child->getNextSibling())
        if (!EncodeNew(Child, Out, Error))
            return false;
    return FEncoding->EncodeMarkup(QStringLiteral("</%1>").arg(Name), Out, Error);
}

// The written bytes must parse to the edited DOM, or nothing is written.
bool TXmlDocument::ReadsBackAsEdited(const QByteArray &Bytes, QString *Error) const
{
    TXmlSourceParser Check(MaxDepth + 1);
    QString ParseError;
    if (!Check.ParseBytes(Bytes, FFileName, &ParseError)) {
        *Error = QStringLiteral("the edited document would not parse: %1").arg(ParseError);
        return false;
    }
    DOMNode *Expected = DocumentElement()->cloneNode(true);
    Normalize(Expected);
    const bool Same = Expected->isEqualNode(Check.getDocument()->getDocumentElement());
    Expected->release();
    if (!Same)
        *Error =
            QStringLiteral("%1: the edited document would not read back as edited").arg(Native(FFileName));
    return Same;
}

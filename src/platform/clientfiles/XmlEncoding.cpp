#include "platform/clientfiles/XmlEncoding.h"

#include <QList>
#include <QRegularExpression>
#include <cstring>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

using namespace xercesc;

namespace {

// How the '>' closing a start tag looks in each layout, the transcoder for text in the layouts
// that need no name, and the width of one code unit.
struct TLayout
{
    QByteArray CloseAngle;
    int Width;
    bool BigEndian;
    const char16_t *Transcoder;
};

const TLayout Layouts[] = {
    {QByteArray("\0\0\0>", 4), 4, true, u"UTF-32BE"},
    {QByteArray(">\0\0\0", 4), 4, false, u"UTF-32LE"},
    {QByteArray("\0>", 2), 2, true, u"UTF-16BE"},
    {QByteArray(">\0", 2), 2, false, u"UTF-16LE"},
    {QByteArray(">"), 1, false, nullptr},
};

// The byte-per-ASCII-character encodings whose other characters never use an ASCII byte.
bool IsAsciiTransparent(const QString &Name)
{
    static const QRegularExpression Names(
        QStringLiteral(
            "^(UTF-?8|(US-?)?ASCII|ISO[-_]?8859[-_]\\d+|LATIN-?\\d+|(WINDOWS|CP)-?125\\d|"
            "KOI8-[RU]|GB2312|GBK|GB18030|BIG5(-HKSCS)?|SHIFT[-_]JIS|SJIS|EUC-(JP|KR|CN)|TIS-620)$"),
        QRegularExpression::CaseInsensitiveOption);
    return Names.match(Name).hasMatch();
}

bool IsXmlCharacter(char32_t C)
{
    return C == 0x9 || C == 0xA || C == 0xD || (C >= 0x20 && C <= 0xD7FF) || (C >= 0xE000 && C <= 0xFFFD) ||
           (C >= 0x10000 && C <= 0x10FFFF);
}

// The code points of Text; a lone surrogate comes out as itself, which is no XML character.
QList<char32_t> CodePoints(const QString &Text)
{
    QList<char32_t> Points;
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const QChar C = Text.at(I);
        if (C.isHighSurrogate() && I + 1 < Text.size() && Text.at(I + 1).isLowSurrogate())
            Points.append(QChar::surrogateToUcs4(C, Text.at(++I)));
        else
            Points.append(C.unicode());
    }
    return Points;
}

bool Refuse(QString *Error, const QString &Reason)
{
    *Error = Reason;
    return false;
}

QString CharacterName(char32_t C)
{
    return QStringLiteral("U+%1").arg(uint(C), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TXmlEncoding::TXmlEncoding() = default;
TXmlEncoding::~TXmlEncoding() = default;

bool TXmlEncoding::Detect(const QByteArray &Bytes, const QString &EncodingName, qint64 StartTagEnd,
                          QString *Error)
{
    const TLayout *Found = nullptr;
    for (const TLayout &Layout : Layouts)
        if (!Found && StartTagEnd >= Layout.Width && StartTagEnd <= Bytes.size() &&
            std::memcmp(Bytes.constData() + StartTagEnd - Layout.Width, Layout.CloseAngle.constData(),
                        Layout.Width) == 0)
            Found = &Layout;
    if (!Found)
        return Refuse(Error,
                      QStringLiteral("its encoding %1 does not write markup in ASCII").arg(EncodingName));
    if (!Found->Transcoder && !IsAsciiTransparent(EncodingName))
        return Refuse(
            Error,
            QStringLiteral("its encoding %1 is not one this program edits in place").arg(EncodingName));
    FWidth = Found->Width;
    FBigEndian = Found->BigEndian;
    const QString Name = Found->Transcoder ? QString::fromUtf16(Found->Transcoder) : EncodingName;
    XMLTransService::Codes Result = XMLTransService::Ok;
    FTranscoder.reset(XMLPlatformUtils::fgTransService->makeNewTranscoderFor(
        reinterpret_cast<const XMLCh *>(Name.utf16()), Result, 256));
    if (!FTranscoder)
        return Refuse(Error, QStringLiteral("no transcoder writes its encoding %1").arg(Name));
    return true;
}

qint64 TXmlEncoding::Find(const QByteArray &Bytes, qint64 From, char C) const
{
    for (qint64 At = From; At + FWidth <= Bytes.size(); At += FWidth)
        if (UnitIs(Bytes, At, C))
            return At;
    return -1;
}

qint64 TXmlEncoding::FindLast(const QByteArray &Bytes, qint64 Before, char C) const
{
    for (qint64 At = Before - FWidth; At >= 0; At -= FWidth)
        if (UnitIs(Bytes, At, C))
            return At;
    return -1;
}

bool TXmlEncoding::EncodeMarkup(const QString &Text, QByteArray *Out, QString *Error) const
{
    for (const char32_t C : CodePoints(Text))
        if (!IsXmlCharacter(C) || !AppendCharacter(Out, C))
            return Refuse(Error,
                          QStringLiteral("the name %1 cannot be written in the file's encoding").arg(Text));
    return true;
}

bool TXmlEncoding::EncodeText(const QString &Text, QByteArray *Out, QString *Error) const
{
    for (const char32_t C : CodePoints(Text)) {
        if (!IsXmlCharacter(C))
            return Refuse(Error,
                          QStringLiteral("the text holds %1, which XML cannot carry").arg(CharacterName(C)));
        if (C == '&')
            AppendAscii(Out, QLatin1String("&amp;"));
        else if (C == '<')
            AppendAscii(Out, QLatin1String("&lt;"));
        else if (C == '>')
            AppendAscii(Out, QLatin1String("&gt;"));
        else if (C == '\r')
            AppendAscii(Out, QLatin1String("&#13;"));
        else if (!AppendCharacter(Out, C))
            AppendAscii(Out, QLatin1String(QStringLiteral("&#%1;").arg(uint(C)).toLatin1()));
    }
    return true;
}

void TXmlEncoding::AppendAscii(QByteArray *Out, QLatin1String Ascii) const
{
    for (const char C : Ascii) {
        QByteArray Unit(FWidth, '\0');
        Unit[FBigEndian ? FWidth - 1 : 0] = C;
        Out->append(Unit);
    }
}

// False when the encoding has no form for Character.
bool TXmlEncoding::AppendCharacter(QByteArray *Out, char32_t Character) const
{
    if (Character < 0x80) {
        AppendAscii(Out, QLatin1String(QByteArray(1, char(Character))));
        return true;
    }
    const QString Units = QString::fromUcs4(&Character, 1);
    XMLByte Bytes[16];
    XMLSize_t Eaten = 0;
    try {
        const XMLSize_t Size =
            FTranscoder->transcodeTo(reinterpret_cast<const XMLCh *>(Units.utf16()), Units.size(), Bytes,
                                     sizeof Bytes, Eaten, XMLTranscoder::UnRep_Throw);
        if (Eaten != XMLSize_t(Units.size()))
            return false;
        Out->append(reinterpret_cast<const char *>(Bytes), qsizetype(Size));
        return true;
    } catch (const XMLException &) {
        return false;
    }
}

bool TXmlEncoding::UnitIs(const QByteArray &Bytes, qint64 At, char C) const
{
    if (At < 0 || At + FWidth > Bytes.size())
        return false;
    for (int I = 0; I < FWidth; ++I) {
        const bool IsCharacterByte = I == (FBigEndian ? FWidth - 1 : 0);
        if (Bytes.at(At + I) != (IsCharacterByte ? C : '\0'))
            return false;
    }
    return true;
}

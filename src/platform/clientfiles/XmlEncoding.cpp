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
bool IsAsciiTransparent(const QString &name)
{
    static const QRegularExpression names(
        QStringLiteral(
            "^(UTF-?8|(US-?)?ASCII|ISO[-_]?8859[-_]\\d+|LATIN-?\\d+|(WINDOWS|CP)-?125\\d|"
            "KOI8-[RU]|GB2312|GBK|GB18030|BIG5(-HKSCS)?|SHIFT[-_]JIS|SJIS|EUC-(JP|KR|CN)|TIS-620)$"),
        QRegularExpression::CaseInsensitiveOption);
    return names.match(name).hasMatch();
}

bool IsXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The code points of Text; a lone surrogate comes out as itself, which is no XML character.
QList<char32_t> CodePoints(const QString &text)
{
    QList<char32_t> points;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            points.append(QChar::surrogateToUcs4(c, text.at(++i)));
        else
            points.append(c.unicode());
    }
    return points;
}

bool Refuse(QString *error, const QString &reason)
{
    *error = reason;
    return false;
}

QString CharacterName(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TXmlEncoding::TXmlEncoding() = default;
TXmlEncoding::~TXmlEncoding() = default;

bool TXmlEncoding::Detect(const QByteArray &bytes, const QString &encodingName, qint64 startTagEnd,
                          QString *error)
{
    const TLayout *found = nullptr;
    for (const TLayout &layout : Layouts)
        if (!found && startTagEnd >= layout.Width && startTagEnd <= bytes.size() &&
            std::memcmp(bytes.constData() + startTagEnd - layout.Width, layout.CloseAngle.constData(),
                        layout.Width) == 0)
            found = &layout;
    if (!found)
        return Refuse(error,
                      QStringLiteral("its encoding %1 does not write markup in ASCII").arg(encodingName));
    if (!found->Transcoder && !IsAsciiTransparent(encodingName))
        return Refuse(
            error,
            QStringLiteral("its encoding %1 is not one this program edits in place").arg(encodingName));
    FWidth = found->Width;
    FBigEndian = found->BigEndian;
    const QString name = found->Transcoder ? QString::fromUtf16(found->Transcoder) : encodingName;
    XMLTransService::Codes result = XMLTransService::Ok;
    FTranscoder.reset(XMLPlatformUtils::fgTransService->makeNewTranscoderFor(
        reinterpret_cast<const XMLCh *>(name.utf16()), result, 256));
    if (!FTranscoder)
        return Refuse(error, QStringLiteral("no transcoder writes its encoding %1").arg(name));
    return true;
}

qint64 TXmlEncoding::Find(const QByteArray &bytes, qint64 from, char c) const
{
    for (qint64 at = from; at + FWidth <= bytes.size(); at += FWidth)
        if (UnitIs(bytes, at, c))
            return at;
    return -1;
}

qint64 TXmlEncoding::FindLast(const QByteArray &bytes, qint64 before, char c) const
{
    for (qint64 at = before - FWidth; at >= 0; at -= FWidth)
        if (UnitIs(bytes, at, c))
            return at;
    return -1;
}

bool TXmlEncoding::EncodeMarkup(const QString &text, QByteArray *out, QString *error) const
{
    for (const char32_t c : CodePoints(text))
        if (!IsXmlCharacter(c) || !AppendCharacter(out, c))
            return Refuse(error,
                          QStringLiteral("the name %1 cannot be written in the file's encoding").arg(text));
    return true;
}

bool TXmlEncoding::EncodeText(const QString &text, QByteArray *out, QString *error) const
{
    for (const char32_t c : CodePoints(text)) {
        if (!IsXmlCharacter(c))
            return Refuse(error,
                          QStringLiteral("the text holds %1, which XML cannot carry").arg(CharacterName(c)));
        if (c == '&')
            AppendAscii(out, QLatin1String("&amp;"));
        else if (c == '<')
            AppendAscii(out, QLatin1String("&lt;"));
        else if (c == '>')
            AppendAscii(out, QLatin1String("&gt;"));
        else if (c == '\r')
            AppendAscii(out, QLatin1String("&#13;"));
        else if (!AppendCharacter(out, c))
            AppendAscii(out, QLatin1String(QStringLiteral("&#%1;").arg(uint(c)).toLatin1()));
    }
    return true;
}

void TXmlEncoding::AppendAscii(QByteArray *out, QLatin1String ascii) const
{
    for (const char c : ascii) {
        QByteArray unit(FWidth, '\0');
        unit[FBigEndian ? FWidth - 1 : 0] = c;
        out->append(unit);
    }
}

// False when the encoding has no form for Character.
bool TXmlEncoding::AppendCharacter(QByteArray *out, char32_t character) const
{
    if (character < 0x80) {
        AppendAscii(out, QLatin1String(QByteArray(1, char(character))));
        return true;
    }
    const QString units = QString::fromUcs4(&character, 1);
    XMLByte bytes[16];
    XMLSize_t eaten = 0;
    try {
        const XMLSize_t size =
            FTranscoder->transcodeTo(reinterpret_cast<const XMLCh *>(units.utf16()), units.size(), bytes,
                                     sizeof bytes, eaten, XMLTranscoder::UnRep_Throw);
        if (eaten != XMLSize_t(units.size()))
            return false;
        out->append(reinterpret_cast<const char *>(bytes), qsizetype(size));
        return true;
    } catch (const XMLException &) {
        return false;
    }
}

bool TXmlEncoding::UnitIs(const QByteArray &bytes, qint64 at, char c) const
{
    if (at < 0 || at + FWidth > bytes.size())
        return false;
    for (int i = 0; i < FWidth; ++i) {
        const bool isCharacterByte = i == (FBigEndian ? FWidth - 1 : 0);
        if (bytes.at(at + i) != (isCharacterByte ? c : '\0'))
            return false;
    }
    return true;
}

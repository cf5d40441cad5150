#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <xercesc/util/TransService.hpp>

// The way a parsed XML file lays its characters out in bytes, so that new text can be written
// into it in its own encoding and its markup found by byte offset. Handles the encodings whose
// markup characters are single ASCII bytes that never occur inside another character (UTF-8,
// the ISO 8859 and Windows code pages, the common CJK multi-byte sets) and UTF-16 and UTF-32 of
// either byte order. Others (EBCDIC, the ISO 2022 family, UTF-7) are refused.
class TXmlEncoding
{
public:
    TXmlEncoding();
    ~TXmlEncoding();

    // Learns the layout from Bytes, the name of the encoding the parser read them in, and the
    // offset just after the document element's start tag (whose last character is '>').
    bool Detect(const QByteArray &Bytes, const QString &EncodingName, qint64 StartTagEnd, QString *Error);

    int UnitWidth() const { return FWidth; }
    // The offset of the first ASCII character C at or after From; -1 when there is none.
    qint64 Find(const QByteArray &Bytes, qint64 From, char C) const;
    // The offset of the last ASCII character C before Before; -1 when there is none.
    qint64 FindLast(const QByteArray &Bytes, qint64 Before, char C) const;

    // Markup (names, brackets) in the document's encoding; false when a character has no form in it.
    bool EncodeMarkup(const QString &Text, QByteArray *Out, QString *Error) const;
    // Character data: '&', '<' and '>' escaped, a carriage return kept as a reference (a raw one
    // would be read as a line end), a character the encoding lacks as a character reference.
    // False for a character XML cannot carry at all (most control characters).
    bool EncodeText(const QString &Text, QByteArray *Out, QString *Error) const;

private:
    void AppendAscii(QByteArray *Out, QLatin1String Ascii) const;
    bool AppendCharacter(QByteArray *Out, char32_t Character) const;
    bool UnitIs(const QByteArray &Bytes, qint64 At, char C) const;

    int FWidth = 1;
    bool FBigEndian = false;
    std::unique_ptr<xercesc::XMLTranscoder> FTranscoder;
};

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
    bool Detect(const QByteArray &bytes, const QString &encodingName, qint64 startTagEnd, QString *error);

    int UnitWidth() const { return FWidth; }
    // The offset of the first ASCII character C at or after From; -1 when there is none.
    qint64 Find(const QByteArray &bytes, qint64 from, char c) const;
    // The offset of the last ASCII character C before Before; -1 when there is none.
    qint64 FindLast(const QByteArray &bytes, qint64 before, char c) const;

    // Markup (names, brackets) in the document's encoding; false when a character has no form in it.
    bool EncodeMarkup(const QString &text, QByteArray *out, QString *error) const;
    // Character data: '&', '<' and '>' escaped, a carriage return kept as a reference (a raw one
    // would be read as a line end), a character the encoding lacks as a character reference.
    // False for a character XML cannot carry at all (most control characters).
    bool EncodeText(const QString &text, QByteArray *out, QString *error) const;

private:
    void AppendAscii(QByteArray *out, QLatin1String ascii) const;
    bool AppendCharacter(QByteArray *out, char32_t character) const;
    bool UnitIs(const QByteArray &bytes, qint64 at, char c) const;

    int FWidth = 1;
    bool FBigEndian = false;
    std::unique_ptr<xercesc::XMLTranscoder> FTranscoder;
};

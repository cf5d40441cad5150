#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// An INI file changed the way the private-profile functions change one: a written key is
// replaced in place in the first section of its name, a new key goes after the last entry of
// its section, a new section goes at the end. Every other byte is kept as it was read: comments,
// blank lines, each line's own line end, a missing last line end, the byte order mark and the
// encoding. Saved through a temporary file renamed over the old one.
class TIniFile
{
public:
    // Larger files are refused: no INI file a client keeps comes near it.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // names: how section and key names compare (Windows: insensitive; KDE: sensitive).
    // lineEnd: what ends the lines added to a file that has no line end yet (Windows: CR LF).
    explicit TIniFile(const QString &fileName, Qt::CaseSensitivity names = Qt::CaseInsensitive,
                      const QString &lineEnd = QStringLiteral("\n"));

    QString FileName() const { return FFileName; }
    // Reads the file; a missing file is an empty one. False, with the reason, for a file that
    // is no regular file, cannot be read, is larger than MaxFileSize or is no text (see Parse).
    bool Load();
    // Takes the bytes of a file: UTF-8 with or without a byte order mark, UTF-16 with one, or
    // any other 8-bit text, whose bytes are kept as they are. False for malformed UTF-16 and for
    // text holding NUL characters.
    bool Parse(const QByteArray &bytes);
    // The bytes Save writes. False when a written text has no form in the file's 8-bit encoding.
    bool Text(QByteArray *bytes);
    bool Save();

    QString ReadString(const QString &section, const QString &key, const QString &fallback = {}) const;
    // Line breaks in value are written as blanks.
    void WriteString(const QString &section, const QString &key, const QString &value);
    // The names of the sections in the order of the file.
    QStringList Sections() const;

    QString LastError() const { return FLastError; }

private:
    // The encodings a file is read in and written back in.
    enum class TEncoding { Utf8, Utf16LE, Utf16BE, EightBit };
    struct TLine
    {
        QString Text;
        QString End; // "\n", "\r\n", or empty for a last line without one
    };

    bool Decode(const QByteArray &bytes, QString *text);
    void SplitLines(const QString &text);
    void InsertLine(int at, const QString &text);
    int FindSection(const QString &section) const;
    // The line index after the section's header where the next section (or the file) begins.
    int SectionEnd(int header) const;
    int FindKey(int header, const QString &key) const;
    bool Fail(const QString &reason);

    QString FFileName;
    Qt::CaseSensitivity FNames;
    QList<TLine> FLines;
    TEncoding FEncoding = TEncoding::Utf8;
    QByteArray FByteOrderMark;
    QString FNewLineEnd;
    QString FLineEnd;
    QString FLastError;
};

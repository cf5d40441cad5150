#include "platform/clientfiles/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>
#include <tuple>

namespace {

const QByteArray Utf8Mark("\xEF\xBB\xBF");
const QByteArray Utf16LEMark("\xFF\xFE");
const QByteArray Utf16BEMark("\xFE\xFF");

// Stateless, so that a sequence cut off at the end counts as an error, and a byte order mark
// inside the text stays a character: decoding and encoding again give back every byte.
constexpr QStringConverter::Flags ExactFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

bool IsComment(const QString &trimmed) { return trimmed.startsWith(';') || trimmed.startsWith('#'); }

// The section name of a header line "[name]", or a null string for any other line.
QString HeaderName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith('[') || !trimmed.endsWith(']'))
        return {};
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

// The key of an entry line "key=value", or a null string for any other line.
QString KeyOf(const QString &line)
{
    const QString trimmed = line.trimmed();
    const qsizetype equals = trimmed.indexOf('=');
    if (IsComment(trimmed) || equals <= 0)
        return {};
    return trimmed.left(equals).trimmed();
}

QString ValueOf(const QString &line) { return line.mid(line.indexOf('=') + 1).trimmed(); }

// UTF-8 text, or nothing when it has invalid or cut-off sequences.
std::optional<QString> DecodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, ExactFlags);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

TIniFile::TIniFile(const QString &fileName, Qt::CaseSensitivity names, const QString &lineEnd)
    : FFileName(fileName), FNames(names), FNewLineEnd(lineEnd), FLineEnd(lineEnd)
{}

bool TIniFile::Load()
{
    const QFileInfo info(FFileName);
    if (!info.exists())
        return Parse({});
    // Opening a pipe or a device could wait for ever.
    if (!info.isFile())
        return Fail(QStringLiteral("Cannot read %1: not a regular file").arg(FFileName));
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("Cannot read %1: %2").arg(FFileName, file.errorString()));
    return Parse(file.read(MaxFileSize + 1));
}

bool TIniFile::Parse(const QByteArray &bytes)
{
    FLines.clear();
    if (bytes.size() > MaxFileSize)
        return Fail(QStringLiteral("Cannot read %1: larger than %2 bytes").arg(FFileName).arg(MaxFileSize));
    QString text;
    if (!Decode(bytes, &text))
        return false;
    if (text.contains(QChar(0)))
        return Fail(
            QStringLiteral("Cannot read %1: it holds NUL characters, so it is no text").arg(FFileName));
    SplitLines(text);
    return true;
}

bool TIniFile::Decode(const QByteArray &bytes, QString *text)
{
    // Every pair of bytes is a UTF-16 code unit, lone surrogates too, so only the length can be wrong.
    for (const auto &[mark, encoding, name] :
         {std::tuple{Utf16LEMark, TEncoding::Utf16LE, QStringConverter::Utf16LE},
          std::tuple{Utf16BEMark, TEncoding::Utf16BE, QStringConverter::Utf16BE}})
        if (bytes.startsWith(mark)) {
            if (bytes.size() % 2 != 0)
                return Fail(
                    QStringLiteral("Cannot read %1: UTF-16 text cut off in a character").arg(FFileName));
            FEncoding = encoding;
            FByteOrderMark = mark;
            *text = QStringDecoder(name, ExactFlags).decode(bytes.mid(mark.size()));
            return true;
        }
    FByteOrderMark = bytes.startsWith(Utf8Mark) ? Utf8Mark : QByteArray();
    const QByteArray body = bytes.mid(FByteOrderMark.size());
    const std::optional<QString> decoded = DecodeUtf8(body);
    FEncoding = decoded ? TEncoding::Utf8 : TEncoding::EightBit;
    *text = decoded ? *decoded : QString::fromLatin1(body);
    return true;
}

// Each line keeps its own end; a last line without one stays without one.
void TIniFile::SplitLines(const QString &text)
{
    const QStringList pieces = text.split('\n');
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString &piece = pieces.at(i);
        const bool crlf = piece.endsWith('\r');
        FLines.append(
            {crlf ? piece.chopped(1) : piece, crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")});
    }
    if (!pieces.constLast().isEmpty())
        FLines.append({pieces.constLast(), QString()});
    FLineEnd = FLines.isEmpty() || FLines.constFirst().End.isEmpty() ? FNewLineEnd : FLines.constFirst().End;
}

bool TIniFile::Text(QByteArray *bytes)
{
    QString text;
    for (const TLine &line : std::as_const(FLines))
        text += line.Text + line.End;
    static const QStringConverter::Encoding encodings[] = {QStringConverter::Utf8, QStringConverter::Utf16LE,
                                                           QStringConverter::Utf16BE,
                                                           QStringConverter::Latin1};
    QStringEncoder encoder(encodings[static_cast<int>(FEncoding)]);
    *bytes = FByteOrderMark + encoder.encode(text);
    if (encoder.hasError())
        return Fail(
            QStringLiteral("Cannot write %1: a text written has characters its 8-bit encoding cannot hold")
                .arg(FFileName));
    return true;
}

bool TIniFile::Save()
{
    QByteArray bytes;
    if (!Text(&bytes))
        return false;
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Fail(QStringLiteral("Cannot write %1: %2").arg(FFileName, file.errorString()));
    return true;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &fallback) const
{
    const int header = FindSection(section);
    const int line = header < 0 ? -1 : FindKey(header, key);
    return line < 0 ? fallback : ValueOf(FLines.at(line).Text);
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    // A line break in a value would start lines of its own.
    const QString entry = key + '=' + QString(value).replace('\r', ' ').replace('\n', ' ');
    const int header = FindSection(section);
    if (header < 0) {
        if (!FLines.isEmpty() && !FLines.constLast().Text.trimmed().isEmpty())
            InsertLine(FLines.size(), QString());
        InsertLine(FLines.size(), '[' + section + ']');
        InsertLine(FLines.size(), entry);
        return;
    }
    const int line = FindKey(header, key);
    if (line >= 0) {
        FLines[line].Text = entry;
        return;
    }
    int after = SectionEnd(header);
    while (after - 1 > header && FLines.at(after - 1).Text.trimmed().isEmpty())
        --after;
    InsertLine(after, entry);
}

// A line added after a last line without a line end gives that line one first.
void TIniFile::InsertLine(int at, const QString &text)
{
    if (at > 0 && FLines.at(at - 1).End.isEmpty())
        FLines[at - 1].End = FLineEnd;
    FLines.insert(at, {text, FLineEnd});
}

QStringList TIniFile::Sections() const
{
    QStringList names;
    for (const TLine &line : FLines)
        if (const QString name = HeaderName(line.Text); !name.isNull())
            names.append(name);
    return names;
}

int TIniFile::FindSection(const QString &section) const
{
    for (int i = 0; i < FLines.size(); ++i) {
        const QString name = HeaderName(FLines.at(i).Text);
        if (!name.isNull() && name.compare(section, FNames) == 0)
            return i;
    }
    return -1;
}

int TIniFile::SectionEnd(int header) const
{
    int line = header + 1;
    while (line < FLines.size() && HeaderName(FLines.at(line).Text).isNull())
        ++line;
    return line;
}

int TIniFile::FindKey(int header, const QString &key) const
{
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QString name = KeyOf(FLines.at(i).Text);
        if (!name.isNull() && name.compare(key, FNames) == 0)
            return i;
    }
    return -1;
}

bool TIniFile::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

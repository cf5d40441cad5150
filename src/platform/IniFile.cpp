#include "platform/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

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

} // namespace

TIniFile::TIniFile(const QString &fileName, Qt::CaseSensitivity names) : FFileName(fileName), FNames(names) {}

bool TIniFile::Load()
{
    FLines.clear();
    FCarriageReturn = FLatin1 = FLastLineOpen = false;
    QFile file(FFileName);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("Cannot read %1: %2").arg(FFileName, file.errorString()));
    if (file.size() > MaxFileSize)
        return Fail(QStringLiteral("%1 is too large to be a settings file").arg(FFileName));
    const QByteArray bytes = file.readAll();
    // A file that is not UTF-8 is taken byte for byte as Latin-1, so that saving it gives every
    // line back unchanged.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    FLatin1 = utf8.hasError();
    if (FLatin1)
        text = QString::fromLatin1(bytes);
    // Lines split at LF and keep a CR of their own, so files with mixed line ends keep them.
    FCarriageReturn = text.contains(QLatin1String("\r\n"));
    FLines = text.split('\n');
    FLastLineOpen = !FLines.last().isEmpty();
    if (!FLastLineOpen)
        FLines.removeLast();
    return true;
}

bool TIniFile::Save()
{
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("Cannot write %1: %2").arg(FFileName, file.errorString()));
    QString text = FLines.join('\n');
    if (!FLines.isEmpty() && !FLastLineOpen)
        text += '\n';
    file.write(FLatin1 ? text.toLatin1() : text.toUtf8());
    if (!file.commit())
        return Fail(QStringLiteral("Cannot write %1: %2").arg(FFileName, file.errorString()));
    return true;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &fallback) const
{
    const int header = FindSection(section);
    const int line = header < 0 ? -1 : FindKey(header, key);
    return line < 0 ? fallback : ValueOf(FLines.at(line));
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &rawValue)
{
    // A line break in a value would start lines of its own.
    const QString value = QString(rawValue).replace('\r', ' ').replace('\n', ' ');
    const QString entry = NewLine(key + '=' + value);
    const int header = FindSection(section);
    if (header < 0) {
        EndLastLine();
        if (!FLines.isEmpty() && !FLines.last().trimmed().isEmpty())
            FLines.append(NewLine(QString()));
        FLines.append(NewLine('[' + section + ']'));
        FLines.append(entry);
        return;
    }
    const int line = FindKey(header, key);
    if (line >= 0) {
        FLines[line] = FLines.at(line).endsWith('\r') ? key + '=' + value + '\r' : key + '=' + value;
        return;
    }
    int after = SectionEnd(header);
    while (after - 1 > header && FLines.at(after - 1).trimmed().isEmpty())
        --after;
    if (after == FLines.size())
        EndLastLine();
    FLines.insert(after, entry);
}

QStringList TIniFile::Sections() const
{
    QStringList names;
    for (const QString &line : FLines)
        if (const QString name = HeaderName(line); !name.isNull())
            names.append(name);
    return names;
}

int TIniFile::FindSection(const QString &section) const
{
    for (int i = 0; i < FLines.size(); ++i) {
        const QString name = HeaderName(FLines.at(i));
        if (!name.isNull() && name.compare(section, FNames) == 0)
            return i;
    }
    return -1;
}

int TIniFile::SectionEnd(int header) const
{
    int line = header + 1;
    while (line < FLines.size() && HeaderName(FLines.at(line)).isNull())
        ++line;
    return line;
}

int TIniFile::FindKey(int header, const QString &key) const
{
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QString name = KeyOf(FLines.at(i));
        if (!name.isNull() && name.compare(key, FNames) == 0)
            return i;
    }
    return -1;
}

QString TIniFile::NewLine(const QString &text) const { return FCarriageReturn ? text + '\r' : text; }

void TIniFile::EndLastLine()
{
    if (FLastLineOpen && FCarriageReturn)
        FLines.last() += '\r';
    FLastLineOpen = false;
}

bool TIniFile::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

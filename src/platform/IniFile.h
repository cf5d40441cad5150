#pragma once

#include <QString>
#include <QStringList>

// An INI file changed the way the private-profile functions change one: a written key is
// replaced in place in the first section of its name, a new key goes after the last entry of
// its section, a new section goes at the end. Every other line, comments and blank lines
// included, is kept as it is. Saved through a temporary file renamed over the old one.
class TIniFile
{
public:
    // names: how section and key names compare (Windows: insensitive; KDE: sensitive).
    explicit TIniFile(const QString &fileName, Qt::CaseSensitivity names = Qt::CaseInsensitive);

    QString FileName() const { return FFileName; }
    // Reads the file; a missing file is an empty one.
    bool Load();
    bool Save();

    QString ReadString(const QString &section, const QString &key, const QString &fallback = {}) const;
    // Line breaks in value are written as blanks.
    void WriteString(const QString &section, const QString &key, const QString &value);
    // The names of the sections in the order of the file.
    QStringList Sections() const;

    QString LastError() const { return FLastError; }

    // Larger files are refused rather than read: no settings file comes near it.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

private:
    int FindSection(const QString &section) const;
    // The line index after the section's header where the next section (or the file) begins.
    int SectionEnd(int header) const;
    int FindKey(int header, const QString &key) const;
    // A line as this file ends it: with a CR before the LF when the file uses CR LF.
    QString NewLine(const QString &text) const;
    // The file's last line may have no line end; one is added before a line goes after it.
    void EndLastLine();
    bool Fail(const QString &reason);

    QString FFileName;
    Qt::CaseSensitivity FNames;
    QStringList FLines;
    bool FCarriageReturn = false;
    bool FLatin1 = false;
    bool FLastLineOpen = false; // the file's last line has no line end, and keeps none
    QString FLastError;
};

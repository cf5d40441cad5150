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
    void WriteString(const QString &section, const QString &key, const QString &value);
    // The names of the sections in the order of the file.
    QStringList Sections() const;

    QString LastError() const { return FLastError; }

private:
    int FindSection(const QString &section) const;
    // The line index after the section's header where the next section (or the file) begins.
    int SectionEnd(int header) const;
    int FindKey(int header, const QString &key) const;
    bool Fail(const QString &reason);

    QString FFileName;
    Qt::CaseSensitivity FNames;
    QStringList FLines;
    QString FLineEnd = QStringLiteral("\n");
    QString FLastError;
};

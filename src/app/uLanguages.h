#pragma once

#include <QString>
#include <QStringList>

// The program's texts: an English ("EN") and a Chinese ("CN") table embedded as resources,
// each a list of "name=value" lines where the name is a numeric id or id + "-Hint".
class TLanguages
{
public:
    // Creates the singleton on first use, loading both tables.
    static TLanguages &GetInstance();
    // Releases the singleton at shutdown; the next GetInstance loads the tables again.
    static void FreeInstance();

    // True when Lang is a non-empty part of "CN,EN".
    static bool LangExists(const QString &Lang);

    // Value becomes the text stored under Name in the table of Lang ("EN" or "CN"), or
    // DefValue when the language has no table or the entry is missing or empty.
    void GetRes(const QString &Lang, const QString &Name, QString &Value, const QString &DefValue) const;

    const QStringList &ENs() const { return FENs; }
    const QStringList &CNs() const { return FCNs; }

private:
    TLanguages();

    QStringList FENs;
    QStringList FCNs;
};

// The text with the given id in language Lang, or Default. An unknown language code is
// reported to the user with a message box.
QString GetLangStr(const QString &Lang, const QString &Id, const QString &Default);

// Text with each "%s" mark filled with the next of Values, in order, as the table's texts
// expect; a value is taken as it is, never searched for marks itself. Marks beyond Values
// stay as they are.
QString FormatLangStr(const QString &Text, const QStringList &Values);

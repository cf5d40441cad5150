#include "app/ExtRegistry.h"

namespace {

// Splits text at CR, LF or CR LF the way a string list takes its text: a final line
// break does not start another line.
QStringList TextLines(const QString &text)
{
    QStringList lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
            ++end;
        lines.append(text.mid(pos, end - pos));
        if (end < text.size() && text.at(end) == QLatin1Char('\r'))
            ++end;
        if (end < text.size() && text.at(end) == QLatin1Char('\n'))
            ++end;
        pos = end;
    }
    return lines;
}

} // namespace

bool TExtRegistry::ReadBoolDef(const QString &Name, bool Default)
{
    return ValueExists(Name) ? ReadBool(Name) : Default;
}

int TExtRegistry::ReadIntegerDef(const QString &Name, int Default)
{
    return ValueExists(Name) ? ReadInteger(Name) : Default;
}

QString TExtRegistry::ReadStringDef(const QString &Name, const QString &Default)
{
    return ValueExists(Name) ? ReadString(Name) : Default;
}

void TExtRegistry::ReadStrings(const QString &Name, QStringList &Values)
{
    Values.clear();
    if (GetDataSize(Name) <= 0)
        return;
    // The end of the data counts as terminators, so a list stored without its closing
    // NULs (or the single NUL of an empty list) reads as the items it holds.
    QString text = TRegValue{REG_BINARY, ReadBinaryData(Name)}.AsUtf16Text() + QString(2, QChar(0));
    text.truncate(text.indexOf(QString(2, QChar(0))));
    text.replace(QChar(0), QLatin1Char('\n'));
    Values = TextLines(text);
}

void TExtRegistry::WriteMutiString(const QString &Name, const QString &Values)
{
    WriteRaw(Name, REG_MULTI_SZ, TRegValue::FromMultiString(TextLines(Values)).Data);
}

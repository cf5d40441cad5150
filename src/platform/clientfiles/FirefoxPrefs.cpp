#include "platform/clientfiles/FirefoxPrefs.h"

#include <algorithm>

namespace {

struct TLine
{
    QByteArray Text;
    QByteArray End;
};

QList<TLine> SplitLines(const QByteArray &Text)
{
    QList<TLine> Lines;
    qsizetype Start = 0;
    while (Start < Text.size()) {
        const qsizetype Newline = Text.indexOf('\n', Start);
        if (Newline < 0) {
            Lines.append({Text.mid(Start), {}});
            break;
        }
        const bool Cr = Newline > Start && Text.at(Newline - 1) == '\r';
        Lines.append({Text.mid(Start, Newline - Start - (Cr ? 1 : 0)), Cr ? "\r\n" : "\n"});
        Start = Newline + 1;
    }
    return Lines;
}

QByteArray JoinLines(const QList<TLine> &Lines)
{
    QByteArray Text;
    for (const TLine &Line : Lines)
        Text += Line.Text + Line.End;
    return Text;
}

// The line end of the first line, or Fallback; a last line without one gets it.
QByteArray CloseLastLine(QList<TLine> &Lines, const QByteArray &Fallback)
{
    const QByteArray End = Lines.isEmpty() || Lines.first().End.isEmpty() ? Fallback : Lines.first().End;
    if (!Lines.isEmpty() && Lines.last().End.isEmpty())
        Lines.last().End = End;
    return End;
}

const QByteArray BlockBegin =
    "// Wayfarel: the proxy of the current location (Firefox was running); replaced "
    "at every switch.";
const QByteArray BlockEnd = "// Wayfarel: end of the proxy of the current location.";

} // namespace

QString PrefString(const QString &Text)
{
    QString Escaped = Text;
    Escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + Escaped + QLatin1Char('"');
}

QByteArray PrefLine(const TFirefoxPref &Pref)
{
    return QStringLiteral("user_pref(\"%1\", %2);").arg(Pref.Name, Pref.Value).toUtf8();
}

QByteArray SetPrefLines(const QByteArray &Text, const QList<TFirefoxPref> &Prefs)
{
    QList<TLine> Lines = SplitLines(Text);
    QList<qsizetype> Found(Prefs.size(), 0);
    for (qsizetype Line = 0; Line < Lines.size(); ++Line)
        for (qsizetype Pref = 0; Pref < Prefs.size(); ++Pref)
            if (Lines.at(Line).Text.contains('"' + Prefs.at(Pref).Name.toUtf8() + '"'))
                Found[Pref] = Line;
    const QByteArray End = CloseLastLine(Lines, "\r\n");
    for (qsizetype Pref = 0; Pref < Prefs.size(); ++Pref) {
        if (Found.at(Pref) >= 1)
            Lines[Found.at(Pref)].Text = PrefLine(Prefs.at(Pref));
        else
            Lines.append({PrefLine(Prefs.at(Pref)), End});
    }
    return JoinLines(Lines);
}

QStringList PrefValueLines(const QString &Text)
{
    QString Reduced = Text;
    Reduced.remove(QStringLiteral("user_pref("), Qt::CaseInsensitive).remove(QStringLiteral(");"));
    return Reduced.split(QLatin1Char('\n'));
}

QString PrefValue(const QStringList &Lines, const QString &Name)
{
    const QString Quoted = QLatin1Char('"') + Name + QLatin1Char('"');
    for (const QString &Line : Lines) {
        const qsizetype Comma = Line.indexOf(QLatin1Char(','));
        if (Comma >= 0 && Line.left(Comma).trimmed().compare(Quoted, Qt::CaseInsensitive) == 0)
            return Line.mid(Comma + 1).trimmed();
    }
    return {};
}

QByteArray WithOwnedPrefBlock(const QByteArray &Text, const QList<TFirefoxPref> &Prefs)
{
    QList<TLine> Lines = SplitLines(Text);
    const qsizetype Begin = std::find_if(Lines.cbegin(), Lines.cend(),
                                         [](const TLine &Line) { return Line.Text == BlockBegin; }) -
                            Lines.cbegin();
    if (Begin < Lines.size()) {
        qsizetype After = Begin;
        while (After < Lines.size() && Lines.at(After).Text != BlockEnd)
            ++After;
        Lines.remove(Begin, std::min(After + 1, Lines.size()) - Begin);
    }
    if (!Prefs.isEmpty()) {
        const QByteArray End = CloseLastLine(Lines, "\n");
        Lines.append({BlockBegin, End});
        for (const TFirefoxPref &Pref : Prefs)
            Lines.append({PrefLine(Pref), End});
        Lines.append({BlockEnd, End});
    }
    return JoinLines(Lines);
}

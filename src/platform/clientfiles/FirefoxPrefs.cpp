#include "platform/clientfiles/FirefoxPrefs.h"

#include <algorithm>

namespace {

struct TLine
{
    QByteArray Text;
    QByteArray End;
};

QList<TLine> SplitLines(const QByteArray &text)
{
    QList<TLine> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype newline = text.indexOf('\n', start);
        if (newline < 0) {
            lines.append({text.mid(start), {}});
            break;
        }
        const bool cr = newline > start && text.at(newline - 1) == '\r';
        lines.append({text.mid(start, newline - start - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
        start = newline + 1;
    }
    return lines;
}

QByteArray JoinLines(const QList<TLine> &lines)
{
    QByteArray text;
    for (const TLine &line : lines)
        text += line.Text + line.End;
    return text;
}

// The line end of the first line, or Fallback; a last line without one gets it.
QByteArray CloseLastLine(QList<TLine> &lines, const QByteArray &fallback)
{
    const QByteArray end = lines.isEmpty() || lines.first().End.isEmpty() ? fallback : lines.first().End;
    if (!lines.isEmpty() && lines.last().End.isEmpty())
        lines.last().End = end;
    return end;
}

const QByteArray BlockBegin =
    "// Wayfarel: the proxy of the current location (Firefox was running); replaced "
    "at every switch.";
const QByteArray BlockEnd = "// Wayfarel: end of the proxy of the current location.";

} // namespace

QString PrefString(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray PrefLine(const TFirefoxPref &pref)
{
    return QStringLiteral("user_pref(\"%1\", %2);").arg(pref.Name, pref.Value).toUtf8();
}

QByteArray SetPrefLines(const QByteArray &text, const QList<TFirefoxPref> &prefs)
{
    QList<TLine> lines = SplitLines(text);
    QList<qsizetype> found(prefs.size(), 0);
    for (qsizetype line = 0; line < lines.size(); ++line)
        for (qsizetype pref = 0; pref < prefs.size(); ++pref)
            if (lines.at(line).Text.contains('"' + prefs.at(pref).Name.toUtf8() + '"'))
                found[pref] = line;
    const QByteArray end = CloseLastLine(lines, "\r\n");
    for (qsizetype pref = 0; pref < prefs.size(); ++pref) {
        if (found.at(pref) >= 1)
            lines[found.at(pref)].Text = PrefLine(prefs.at(pref));
        else
            lines.append({PrefLine(prefs.at(pref)), end});
    }
    return JoinLines(lines);
}

QStringList PrefValueLines(const QString &text)
{
    QString reduced = text;
    reduced.remove(QStringLiteral("user_pref("), Qt::CaseInsensitive).remove(QStringLiteral(");"));
    return reduced.split(QLatin1Char('\n'));
}

QString PrefValue(const QStringList &lines, const QString &name)
{
    const QString quoted = QLatin1Char('"') + name + QLatin1Char('"');
    for (const QString &line : lines) {
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        if (comma >= 0 && line.left(comma).trimmed().compare(quoted, Qt::CaseInsensitive) == 0)
            return line.mid(comma + 1).trimmed();
    }
    return {};
}

QByteArray WithOwnedPrefBlock(const QByteArray &text, const QList<TFirefoxPref> &prefs)
{
    QList<TLine> lines = SplitLines(text);
    const qsizetype begin = std::find_if(lines.cbegin(), lines.cend(),
                                         [](const TLine &line) { return line.Text == BlockBegin; }) -
                            lines.cbegin();
    if (begin < lines.size()) {
        qsizetype after = begin;
        while (after < lines.size() && lines.at(after).Text != BlockEnd)
            ++after;
        lines.remove(begin, std::min(after + 1, lines.size()) - begin);
    }
    if (!prefs.isEmpty()) {
        const QByteArray end = CloseLastLine(lines, "\n");
        lines.append({BlockBegin, end});
        for (const TFirefoxPref &pref : prefs)
            lines.append({PrefLine(pref), end});
        lines.append({BlockEnd, end});
    }
    return JoinLines(lines);
}

#include "app/uLanguages.h"

#include "platform/desktop/MessageBox.h"

#include <QFile>
#include <QStringDecoder>
#include <memory>

namespace {

const QString KnownLanguages = QStringLiteral("CN,EN");

std::unique_ptr<TLanguages> &Instance()
{
    static std::unique_ptr<TLanguages> instance;
    return instance;
}

// The tables are GBK (code page 936); ASCII is a subset of it, so one decoder serves both.
QStringList LoadTable(const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder decoder("GBK");
    const QString text = decoder.decode(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool IsEntry(const QString &line) { return !line.isEmpty() && !line.startsWith(QLatin1Char('#')); }

// The text of the first entry named Name (any letter case); empty when there is none.
QString FindValue(const QStringList &table, const QString &name)
{
    for (const QString &line : table) {
        const qsizetype separator = line.indexOf(QLatin1Char('='));
        if (separator < 0 || !IsEntry(line))
            continue;
        if (QStringView(line).left(separator).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(separator + 1);
    }
    return {};
}

} // namespace

static void InitLanguageResources()
{
    // The tables live in a static library; this pulls its resource data into the program.
    Q_INIT_RESOURCE(languages);
}

TLanguages::TLanguages()
{
    InitLanguageResources();
    FENs = LoadTable(QStringLiteral(":/lang/LangEN"));
    FCNs = LoadTable(QStringLiteral(":/lang/LangCN"));
}

TLanguages &TLanguages::GetInstance()
{
    std::unique_ptr<TLanguages> &instance = Instance();
    if (!instance)
        instance.reset(new TLanguages());
    return *instance;
}

void TLanguages::FreeInstance() { Instance().reset(); }

bool TLanguages::LangExists(const QString &Lang) { return !Lang.isEmpty() && KnownLanguages.contains(Lang); }

void TLanguages::GetRes(const QString &Lang, const QString &Name, QString &Value,
                        const QString &DefValue) const
{
    Value = DefValue;
    if (!LangExists(Lang))
        return;
    QString text;
    if (Lang == QLatin1String("EN"))
        text = FindValue(FENs, Name);
    else if (Lang == QLatin1String("CN"))
        text = FindValue(FCNs, Name);
    if (!text.isEmpty())
        Value = text;
}

QString GetLangStr(const QString &Lang, const QString &Id, const QString &Default)
{
    if (!TLanguages::LangExists(Lang)) {
        TMessageBox::Show(QStringLiteral("Can't load language!"), QStringLiteral("Error"), TMsgIcon::Error);
        return Default;
    }
    QString result;
    TLanguages::GetInstance().GetRes(Lang, Id, result, Default);
    return result;
}

QString FormatLangStr(const QString &Text, const QStringList &Values)
{
    static const QString Mark = QStringLiteral("%s");
    QString Result;
    qsizetype From = 0;
    for (const QString &Value : Values) {
        const qsizetype At = Text.indexOf(Mark, From);
        if (At < 0)
            break;
        Result += Text.mid(From, At - From) + Value;
        From = At + Mark.size();
    }
    return Result + Text.mid(From);
}

#include "platform/registry/RegistryHive.h"

#include <algorithm>
#include <optional>

namespace {

const QString KHeader = QStringLiteral("Windows Registry Editor Version 5.00");
constexpr qsizetype KMaxLineLength = 78;

// A fault in one line of a hive; Parse adds the file name and line number.
struct TLineError
{
    QString Reason;
};

bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString QuoteText(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Reads a quoted text starting at pos (on the opening quote) and leaves pos after it.
QString ReadQuoted(const QString &line, qsizetype &pos)
{
    QString text;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == QLatin1Char('"')) {
            ++pos;
            return text;
        }
        if (c == QLatin1Char('\\')) {
            if (++pos >= line.size() ||
                (line.at(pos) != QLatin1Char('\\') && line.at(pos) != QLatin1Char('"')))
                throw TLineError{QStringLiteral("unknown escape in quoted text")};
        }
        text += line.at(pos);
    }
    throw TLineError{QStringLiteral("quoted text is not closed")};
}

void SkipBlanks(const QString &line, qsizetype &pos)
{
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
}

QByteArray ParseHexBytes(const QString &list)
{
    QByteArray bytes;
    const QStringList tokens = list.split(QLatin1Char(','));
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString token = tokens.at(i).trimmed();
        if (token.isEmpty() && i == tokens.size() - 1)
            break;
        bool ok = false;
        const uint byte = token.toUInt(&ok, 16);
        if (!ok || token.size() > 2)
            throw TLineError{QStringLiteral("bad hex byte '%1'").arg(token)};
        bytes.append(char(byte));
    }
    return bytes;
}

TRegValue ParseDword(const QString &digits)
{
    bool ok = false;
    const quint32 number = digits.toUInt(&ok, 16);
    if (!ok || digits.size() > 8 || digits.startsWith(QLatin1Char('+')))
        throw TLineError{QStringLiteral("bad dword '%1'").arg(digits)};
    return TRegValue::FromDword(number);
}

TRegValue ParseTypedHex(const QString &data)
{
    const qsizetype close = data.indexOf(QLatin1String("):"));
    bool ok = false;
    const uint type = close > 4 ? data.mid(4, close - 4).toUInt(&ok, 16) : 0;
    if (!ok)
        throw TLineError{QStringLiteral("bad value type in '%1'").arg(data.left(12))};
    return {TRegDataType(type), ParseHexBytes(data.mid(close + 2))};
}

TRegValue ParseData(const QString &line, qsizetype pos)
{
    const QString data = line.mid(pos);
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype end = pos;
        const QString text = ReadQuoted(line, end);
        SkipBlanks(line, end);
        if (end != line.size())
            throw TLineError{QStringLiteral("text after the closing quote")};
        return TRegValue::FromString(REG_SZ, text);
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive))
        return ParseDword(data.mid(6).trimmed());
    if (data.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive))
        return {REG_BINARY, ParseHexBytes(data.mid(4))};
    if (data.startsWith(QLatin1String("hex("), Qt::CaseInsensitive))
        return ParseTypedHex(data);
    throw TLineError{QStringLiteral("unrecognised value data")};
}

// Applies one "Name"=data line (or "Name"=- deleting the value) to key.
void ApplyValueLine(const QString &line, THiveKey &key)
{
    qsizetype pos = 0;
    QString name;
    if (line.startsWith(QLatin1Char('@')))
        pos = 1;
    else if (line.startsWith(QLatin1Char('"')))
        name = ReadQuoted(line, pos);
    else
        throw TLineError{QStringLiteral("expected a section or a value")};
    SkipBlanks(line, pos);
    if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
        throw TLineError{QStringLiteral("expected '=' after the value name")};
    SkipBlanks(line, ++pos);
    if (line.mid(pos) == QLatin1String("-"))
        key.Remove(name);
    else
        key.Set(name, ParseData(line, pos));
}

// Returns the key path of a section line, empty optional root part removed.
QString SectionPath(const QString &inner, const QString &rootName)
{
    const qsizetype slash = inner.indexOf(QLatin1Char('\\'));
    const QString root = slash < 0 ? inner : inner.left(slash);
    if (!SameName(root, rootName))
        throw TLineError{QStringLiteral("section outside %1").arg(rootName)};
    return slash < 0 ? QString() : inner.mid(slash + 1);
}

bool IsPlainText(const TRegValue &value)
{
    const QString text = value.AsUtf16Text();
    if (value.Data.size() % 2 != 0 || !text.endsWith(QChar(0)) || !QStringView(text).isValidUtf16())
        return false;
    return std::none_of(text.cbegin(), text.cend() - 1, [](QChar c) { return c.unicode() < 0x20; });
}

QString HexList(const QString &prefix, const QByteArray &bytes)
{
    QString out = prefix;
    qsizetype lineLength = out.size();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QString token = QStringLiteral("%1").arg(quint8(bytes.at(i)), 2, 16, QLatin1Char('0'));
        if (i + 1 < bytes.size())
            token += QLatin1Char(',');
        if (lineLength + token.size() > KMaxLineLength) {
            out += QLatin1String("\\\n  ");
            lineLength = 2;
        }
        out += token;
        lineLength += token.size();
    }
    return out;
}

QString FormatValue(const TRegNamedValue &named)
{
    const QString name = named.Name.isEmpty() ? QStringLiteral("@") : QuoteText(named.Name);
    const TRegValue &value = named.Value;
    if (value.Type == REG_SZ && IsPlainText(value))
        return name + QLatin1Char('=') + QuoteText(value.AsString());
    if (value.Type == REG_DWORD && value.Data.size() == 4)
        return name + QStringLiteral("=dword:%1").arg(value.AsDword(), 8, 16, QLatin1Char('0'));
    if (value.Type == REG_BINARY)
        return HexList(name + QStringLiteral("=hex:"), value.Data);
    return HexList(name + QStringLiteral("=hex(%1):").arg(uint(value.Type), 0, 16), value.Data);
}

} // namespace

QStringList SplitKeyPath(const QString &path) { return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts); }

QString NormalizeKeyPath(const QString &path) { return SplitKeyPath(path).join(QLatin1Char('\\')); }

QString FoldName(const QString &name) { return name.toCaseFolded(); }

const TRegValue *THiveKey::Find(const QString &name) const
{
    for (const TRegNamedValue &value : Values)
        if (SameName(value.Name, name))
            return &value.Value;
    return nullptr;
}

bool THiveKey::Set(const QString &name, const TRegValue &value)
{
    for (TRegNamedValue &stored : Values) {
        if (SameName(stored.Name, name)) {
            if (stored.Value == value)
                return false;
            stored.Value = value;
            return true;
        }
    }
    Values.append({name, value});
    return true;
}

bool THiveKey::Remove(const QString &name)
{
    return Values.removeIf([&](const TRegNamedValue &v) { return SameName(v.Name, name); }) > 0;
}

QStringList THiveKey::ValueNames() const
{
    QStringList names;
    for (const TRegNamedValue &value : Values)
        names.append(value.Name);
    return names;
}

THive::THive() { FKeys.insert(QString(), THiveKey{}); }

const THiveKey *THive::FindKey(const QString &path) const
{
    const auto it = FKeys.constFind(FoldName(NormalizeKeyPath(path)));
    return it == FKeys.cend() ? nullptr : &it.value();
}

THiveKey &THive::EnsureKey(const QString &path)
{
    auto it = FKeys.find(QString());
    for (const QString &name : SplitKeyPath(path)) {
        const QString stored = it->Path.isEmpty() ? name : it->Path + QLatin1Char('\\') + name;
        const QString folded = FoldName(stored);
        it = FKeys.find(folded);
        if (it == FKeys.end())
            it = FKeys.insert(folded, THiveKey{stored, {}});
    }
    return it.value();
}

bool THive::DeleteKey(const QString &path)
{
    const QString folded = FoldName(NormalizeKeyPath(path));
    if (folded.isEmpty() || !FKeys.remove(folded))
        return false;
    const QString prefix = folded + QLatin1Char('\\');
    auto it = FKeys.lowerBound(prefix);
    while (it != FKeys.end() && it.key().startsWith(prefix))
        it = FKeys.erase(it);
    return true;
}

QStringList THive::SubKeyNames(const QString &path) const
{
    const QString folded = FoldName(NormalizeKeyPath(path));
    const QString prefix = folded.isEmpty() ? folded : folded + QLatin1Char('\\');
    QStringList names;
    for (auto it = FKeys.lowerBound(prefix); it != FKeys.cend() && it.key().startsWith(prefix); ++it) {
        const QString rest = it.key().mid(prefix.size());
        if (!rest.isEmpty() && !rest.contains(QLatin1Char('\\')))
            names.append(it->Path.section(QLatin1Char('\\'), -1));
    }
    return names;
}

THive THive::Parse(const QString &text, const QString &rootName, const QString &fileName)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF)))
        lines.first().remove(0, 1);

    THive hive;
    std::optional<QString> section;
    qsizetype i = 0;
    try {
        if (lines.first() != KHeader)
            throw TLineError{QStringLiteral("first line is not \"%1\"").arg(KHeader)};
        for (i = 1; i < lines.size(); ++i) {
            QString line = lines.at(i).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
                continue;
            if (line.startsWith(QLatin1Char('['))) {
                if (!line.endsWith(QLatin1Char(']')))
                    throw TLineError{QStringLiteral("section line without ']'")};
                const QString inner = line.mid(1, line.size() - 2);
                if (inner.startsWith(QLatin1Char('-'))) {
                    hive.DeleteKey(SectionPath(inner.mid(1), rootName));
                    section.reset();
                } else {
                    section = hive.EnsureKey(SectionPath(inner, rootName)).Path;
                }
                continue;
            }
            const qsizetype first = i;
            while (line.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                line.chop(1);
                line += lines.at(++i).trimmed();
            }
            if (!section) {
                i = first;
                throw TLineError{QStringLiteral("value outside a key section")};
            }
            try {
                ApplyValueLine(line, hive.EnsureKey(*section));
            } catch (const TLineError &) {
                i = first;
                throw;
            }
        }
    } catch (const TLineError &error) {
        throw EHiveParseError(
            QStringLiteral("Registry hive '%1' line %2: %3").arg(fileName).arg(i + 1).arg(error.Reason));
    }
    return hive;
}

QString THive::Format(const QString &rootName) const
{
    QString out = KHeader + QLatin1String("\n\n");
    for (const THiveKey &key : FKeys) {
        if (key.Path.isEmpty() && key.Values.isEmpty())
            continue;
        out += QLatin1Char('[') + rootName;
        if (!key.Path.isEmpty())
            out += QLatin1Char('\\') + key.Path;
        out += QLatin1String("]\n");
        for (const TRegNamedValue &value : key.Values)
            out += FormatValue(value) + QLatin1Char('\n');
        out += QLatin1Char('\n');
    }
    return out;
}

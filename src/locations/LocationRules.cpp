#include "locations/LocationRules.h"

#include "app/DBManager.h"
#include "app/DBQuery.h"
#include "base/NetText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <array>

namespace {

const QString RuleTable = QStringLiteral("LOC_RULE");
const QString AutoTable = QStringLiteral("LOC_AUTO");

struct TKindName
{
    TRuleKind Kind;
    const char *Name;
};

constexpr std::array<TKindName, 5> KindNames{{
    {TRuleKind::Ssid, "ssid"},
    {TRuleKind::GatewayMac, "gateway-mac"},
    {TRuleKind::DhcpServer, "dhcp-server"},
    {TRuleKind::Domain, "domain"},
    {TRuleKind::Adapter, "adapter"},
}};

bool Fail(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
    return false;
}

// Texts are stored, never NULL.
QString Stored(const QString &Text) { return Text.isNull() ? QStringLiteral("") : Text; }

QString MacText(const QString &Text) { return MacFromDigits(MacDigits(Text), QLatin1Char('-')); }

bool ParseValue(TLocationRule &Rule, QString *Error)
{
    switch (Rule.Kind) {
    case TRuleKind::GatewayMac:
        Rule.Value = MacText(Rule.Value);
        return !Rule.Value.isEmpty() ||
               Fail(Error, QStringLiteral("a gateway MAC is six pairs of hex digits"));
    case TRuleKind::DhcpServer:
        return ParseIpv4(Rule.Value).has_value() ||
               Fail(Error, QStringLiteral("a DHCP server is an IPv4 address"));
    case TRuleKind::Ssid:
    case TRuleKind::Domain:
    case TRuleKind::Adapter:
        break;
    }
    return !Rule.Value.isEmpty() || Fail(Error, QStringLiteral("a rule needs a value"));
}

} // namespace

QString RuleKindName(TRuleKind Kind)
{
    for (const TKindName &Entry : KindNames)
        if (Entry.Kind == Kind)
            return QLatin1String(Entry.Name);
    return {};
}

std::optional<TRuleKind> RuleKindFromName(const QString &Name)
{
    for (const TKindName &Entry : KindNames)
        if (Name.compare(QLatin1String(Entry.Name), Qt::CaseInsensitive) == 0)
            return Entry.Kind;
    return std::nullopt;
}

QStringList RuleWords(const TLocationRule &Rule)
{
    QStringList Words{RuleKindName(Rule.Kind), Rule.Value};
    if (!Rule.Bssid.isEmpty())
        Words.append(Rule.Bssid);
    return Words;
}

bool ParseRule(const QStringList &Words, TLocationRule &Rule, QString *Error)
{
    const std::optional<TRuleKind> Kind = RuleKindFromName(Words.value(0));
    if (!Kind)
        return Fail(Error,
                    QStringLiteral("unknown rule kind %1 (ssid, gateway-mac, dhcp-server, domain, adapter)")
                        .arg(QuotedValue(Words.value(0))));
    const int Allowed = *Kind == TRuleKind::Ssid ? 3 : 2;
    if (Words.size() < 2 || Words.size() > Allowed)
        return Fail(Error, QStringLiteral("%1 takes %2")
                               .arg(Words.value(0), *Kind == TRuleKind::Ssid
                                                        ? QStringLiteral("a name and an optional BSSID")
                                                        : QStringLiteral("one value")));
    TLocationRule Parsed{*Kind, Words.at(1).trimmed(), {}};
    if (Words.size() == 3) {
        Parsed.Bssid = MacText(Words.at(2));
        if (Parsed.Bssid.isEmpty())
            return Fail(Error, QStringLiteral("a BSSID is six pairs of hex digits"));
    }
    if (!ParseValue(Parsed, Error))
        return false;
    Rule = Parsed;
    return true;
}

bool TLocationRules::Keep(bool Ok, const QString &Error)
{
    FLastError = Ok ? QString() : Error;
    return Ok;
}

bool TLocationRules::Load()
{
    QSqlQuery Query(LocationConnection());
    if (!Query.prepare(
            QStringLiteral("SELECT RULE_KIND, RULE_VALUE, RULE_BSSID FROM LOC_RULE WHERE LOC_ID = :LOCID "
                           "ORDER BY RULE_POS")))
        return Keep(false, Query.lastError().text());
    Query.bindValue(QStringLiteral(":LOCID"), FLocId);
    if (!Query.exec())
        return Keep(false, Query.lastError().text());
    QList<TLocationRule> Rules;
    while (Query.next()) {
        const std::optional<TRuleKind> Kind = RuleKindFromName(Query.value(0).toString());
        // A kind a later version added is kept out rather than misread.
        if (Kind)
            Rules.append({*Kind, Query.value(1).toString(), Query.value(2).toString()});
    }
    QString Error;
    const std::optional<QSqlRecord> Auto = DbReadLocRow(LocationConnection(), AutoTable, FLocId, &Error);
    if (!Error.isEmpty())
        return Keep(false, Error);
    FRules = Rules;
    FAutomatic = Auto && Auto->value(QStringLiteral("AUTO_SWITCH")).toBool();
    return Keep(true, {});
}

bool TLocationRules::WriteRows(QString *Error)
{
    QSqlDatabase Db = LocationConnection();
    if (!Remove())
        return Fail(Error, FLastError);
    for (int Pos = 0; Pos < FRules.size(); ++Pos) {
        const TLocationRule &Rule = FRules.at(Pos);
        if (!DbInsertRow(Db, RuleTable, {QStringLiteral("LOC_ID"), FLocId},
                         {{QStringLiteral("RULE_POS"), Pos + 1},
                          {QStringLiteral("RULE_KIND"), RuleKindName(Rule.Kind)},
                          {QStringLiteral("RULE_VALUE"), Stored(Rule.Value)},
                          {QStringLiteral("RULE_BSSID"), Stored(Rule.Bssid)}},
                         Error))
            return false;
    }
    return DbSaveRow(Db, AutoTable, {QStringLiteral("LOC_ID"), FLocId},
                     {{QStringLiteral("AUTO_SWITCH"), FAutomatic ? 1 : 0}}, TKeyOnUpdate::Keep, Error);
}

bool TLocationRules::Save()
{
    QSqlDatabase Db = LocationConnection();
    if (!Db.transaction())
        return Keep(false, Db.lastError().text());
    QString Error;
    if (WriteRows(&Error) && Db.commit())
        return Keep(true, {});
    Db.rollback();
    return Keep(false, Error.isEmpty() ? Db.lastError().text() : Error);
}

bool TLocationRules::Write()
{
    QString Error;
    const bool Ok = WriteRows(&Error);
    return Keep(Ok, Error);
}

bool TLocationRules::Remove()
{
    QString Error;
    const QSqlDatabase Db = LocationConnection();
    const bool Ok = DbDeleteRows(Db, RuleTable, {QStringLiteral("LOC_ID"), FLocId}, &Error) &&
                    DbDeleteRows(Db, AutoTable, {QStringLiteral("LOC_ID"), FLocId}, &Error);
    return Keep(Ok, Error);
}

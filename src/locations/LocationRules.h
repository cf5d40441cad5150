#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What recognises the network a location belongs to. Rules of one kind are alternatives; a
// location matches when each kind it has rules of is matched by one of them.

enum class TRuleKind {
    Ssid,       // Wi-Fi network name, optionally one access point (Bssid)
    GatewayMac, // the default gateway's MAC text
    DhcpServer, // the address of the DHCP server that gave the lease
    Domain,     // the domain the DHCP server hands out
    Adapter,    // an interface with carrier present
};

struct TLocationRule
{
    TRuleKind Kind = TRuleKind::GatewayMac;
    QString Value;
    QString Bssid; // Ssid only; empty for any access point

    bool operator==(const TLocationRule &) const = default;
};

// The word a kind is written as: "ssid", "gateway-mac", "dhcp-server", "domain", "adapter".
QString RuleKindName(TRuleKind Kind);
std::optional<TRuleKind> RuleKindFromName(const QString &Name);
// "gateway-mac 00-1A-2B-3C-4D-5E", "ssid Office 00-1A-..": the words ParseRule reads back.
QStringList RuleWords(const TLocationRule &Rule);
// A rule from its words (kind, value, and a BSSID after an SSID). MAC texts in any form are
// stored as "AA-BB-CC-DD-EE-FF"; a value that cannot be the kind's is refused with Error.
bool ParseRule(const QStringList &Words, TLocationRule &Rule, QString *Error = nullptr);

// A location's rules and its automatic flag, stored in the data file beside the location.
class TLocationRules
{
public:
    explicit TLocationRules(const QString &LocId) : FLocId(LocId) {}

    // Reads the location's rules; none and not automatic when nothing is stored.
    bool Load();
    // Replaces the stored rules and flag in one transaction.
    bool Save();
    // The same inside the caller's transaction (an editor storing a whole location).
    bool Write();
    // Deletes the location's rules and flag; runs inside the caller's transaction.
    bool Remove();

    const QString &LocId() const { return FLocId; }
    const QList<TLocationRule> &Rules() const { return FRules; }
    void SetRules(const QList<TLocationRule> &Value) { FRules = Value; }
    bool Automatic() const { return FAutomatic; }
    void SetAutomatic(bool Value) { FAutomatic = Value; }
    const QString &LastError() const { return FLastError; }

private:
    bool Keep(bool Ok, const QString &Error);
    bool WriteRows(QString *Error);

    QString FLocId;
    QList<TLocationRule> FRules;
    bool FAutomatic = false;
    QString FLastError;
};

#pragma once

#include "locations/LocationRules.h"

#include <QList>
#include <QString>
#include <QStringList>

// What this computer sees of the network it is on, link by link, and which locations' rules
// recognise it.

// One interface with carrier present and what identifies the network behind it; the fields
// past Carrier are empty until the link has its addresses.
struct TLinkFacts
{
    QString Interface;
    bool Carrier = false;
    QString Ssid;
    QString Bssid;      // "AA:BB:..." as the access point gives it
    QString Gateway;    // the default gateway's address
    QString GatewayMac; // MAC text of the gateway, from one ARP request
    QString DhcpServer;
    QString Domain; // the domain names of the lease, blank-separated

    bool operator==(const TLinkFacts &) const = default;
};

// The links in the order their devices are listed. Two fingerprints are the same network
// exactly when they are equal.
struct TNetworkFingerprint
{
    QList<TLinkFacts> Links;

    bool operator==(const TNetworkFingerprint &) const = default;
    bool IsEmpty() const { return Links.isEmpty(); }
    // One line per link: "wfl0 carrier gateway 10.0.0.1 (AA-BB-..) dhcp 10.0.0.1 domain lan".
    QStringList Lines() const;
    // The rules that would recognise this network: a gateway MAC, an SSID (with its BSSID),
    // a DHCP server and domain, one set per link, the adapter when there is nothing else.
    QList<TLocationRule> SuggestedRules() const;
};

// True when some link satisfies Rule.
bool RuleMatches(const TLocationRule &Rule, const TNetworkFingerprint &Network);

// A location as the matcher sees it: its rules, and whether it may be chosen automatically.
struct TLocationCandidate
{
    QString LocId;
    QString LocName;
    QList<TLocationRule> Rules;
};

// A location whose rules recognise the network, with the rules that did.
struct TLocationMatch
{
    QString LocId;
    QString LocName;
    QList<TLocationRule> Matched;
    // How many kinds of rule recognised the network: the more, the more specific the match.
    int Specificity = 0;
};

// The candidates whose rules recognise Network, most specific first (list order among
// equals). A candidate without rules never matches.
QList<TLocationMatch> MatchLocations(const QList<TLocationCandidate> &Candidates,
                                     const TNetworkFingerprint &Network);
// The matches that share the highest specificity: one is a winner, more are a tie.
QList<TLocationMatch> BestMatches(const QList<TLocationMatch> &Matches);

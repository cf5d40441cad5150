#pragma once

#include "base/Exceptions.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// A WMI call failed: unknown class or property, a malformed query, or the facility behind the
// class could not answer.
class EWmiError : public EWayfarelError
{
public:
    using EWayfarelError::EWayfarelError;
};

// One WMI instance: its class and its properties in the order the class lists them. A value
// is a QString, a bool or an integer; an array is a QStringList; Null is an invalid QVariant.
class TWmiObject
{
public:
    TWmiObject() = default;
    explicit TWmiObject(const QString &className) : FClassName(className) {}

    const QString &ClassName() const { return FClassName; }
    // Sets a property, appending it when the object does not have it yet. A QStringList value
    // is an array; isArray marks a Null that stands for one.
    TWmiObject &Add(const QString &name, const QVariant &value);
    TWmiObject &Add(const QString &name, const QVariant &value, bool isArray);
    // Property names compare ignoring letter case, as in WMI.
    bool HasProperty(const QString &name) const;
    // False for a property the object does not have.
    bool IsArray(const QString &name) const;
    // Raises EWmiError for a property the object does not have.
    QVariant Property(const QString &name) const;
    QStringList PropertyNames() const;

private:
    int IndexOf(const QString &name) const;

    struct TProperty
    {
        QString Name;
        QVariant Value;
        bool IsArray = false;
    };

    QString FClassName;
    QList<TProperty> FProperties;
};

using TWmiObjectPtr = std::shared_ptr<const TWmiObject>;

// Answers one WMI class from a system facility.
class IWmiProvider
{
public:
    virtual ~IWmiProvider() = default;

    virtual QString ClassName() const = 0;
    // Every instance, in enumeration order; raises EWmiError when the facility cannot answer.
    virtual QList<TWmiObject> Instances() = 0;
    // The instances a query "WHERE property = literal" may select, in enumeration order: at
    // least every one it selects (the query still checks each). A provider that can find them
    // without enumerating all answers here; the others are Instances().
    virtual QList<TWmiObject> InstancesWhere(const QString &property, const QVariant &literal);
    // Runs method on one of the class's instances and returns the out-parameters, ReturnValue
    // among them. Raises EWmiError when the method cannot run; the class has none by default.
    virtual TWmiObject ExecMethod(const TWmiObject &instance, const QString &method,
                                  const TWmiObject &inParams);
};

// The classes WMI answers, by name. Starts empty: the system's classes come with the system
// backends (adapters/SystemBackends.h). A provider for a class that is already there
// replaces it. Process-wide and thread-safe.
class TWmiProviders
{
public:
    static void Register(std::shared_ptr<IWmiProvider> provider);
    static void Unregister(const QString &className);
    // Null for a class nobody answers.
    static std::shared_ptr<IWmiProvider> Find(const QString &className);
    // No class answered any more.
    static void Reset();
};

// "SELECT * FROM " + ClassName + " ", then "WHERE " + Condition when there is one.
QString WmiQueryText(const QString &ClassName, const QString &Condition);

// The queries never raise: anything that fails gives the empty text, none or false.
QString WmiQueryValue(const QString &ClassName, const QString &PropName, const QString &Condition);
TWmiObjectPtr WmiQueryObject(const QString &ClassName, const QString &Condition);
// Replaces List with one "Name:Value" list per instance; false when the enumeration broke off
// (the instances read until then stay).
bool WmiQueryObjects(const QString &ClassName, const QString &Condition, QList<QStringList> &List);

// Empty for no object, no name or a Null value; element 0 of an array. Raises EWmiError for
// a property the object does not have.
QString WmiPropertyText(const TWmiObject *Object, const QString &PropName);
// Replaces List with the elements of an array property; leaves it alone for anything else.
void WmiPropertyList(const TWmiObject *Object, const QString &PropName, QStringList *List);
// Appends "Name:Value" for every property that is not an array, in the object's order.
void WmiObjectToStrings(const TWmiObject *Object, QStringList *List);
// The value of PropName in a list WmiObjectToStrings made (names compare ignoring letter
// case); empty when the list has no such line.
QString WmiStringsValue(const QStringList &Strings, const QString &PropName);
// Runs Method on Object through its class's provider.
TWmiObject WmiExecMethod(const TWmiObject &Object, const QString &Method, const TWmiObject &InParams);

QString GetDefaultPrinterName();

// One adapter's Win32_NetworkAdapterConfiguration with the TCP/IP methods the IP module uses.
// The fields are read once, at creation. The methods check their change and answer at once,
// but only stage it: ApplyChanges brings everything staged to the adapter in one go, so that
// a static address, its gateway and its DNS servers cost one save and one reapply.
class TNetworkAdapterConfiguration
{
public:
    // Raises "Adapter not found!" when no configuration has AId as its SettingID.
    explicit TNetworkAdapterConfiguration(const QString &AId);

    const QString &IpAddress() const { return FIpAddress; }
    const QString &SubNet() const { return FSubNet; }
    const QString &Gateway() const { return FGateway; }
    bool DHCPEnabled() const { return FDHCPEnabled; }
    const QString &Dns1() const { return FDns1; }
    const QString &Dns2() const { return FDns2; }
    // Six hexadecimal pairs joined by "-".
    const QString &MACAddress() const { return FMACAddress; }

    // Raises when the adapter cannot be switched to DHCP.
    void EnableDHCP();
    // The method's result: 0 staged, 66 invalid mask, 70 invalid address (nothing staged), 65
    // any other failure; LastError says why.
    int EnableStatic(const QString &IPAddress, const QString &SubnetMask);
    // Always 0; a refused gateway is not staged and leaves the reason in LastError.
    int SetGateways(const QString &DefaultIPGateway);
    // Both empty: back to automatic DNS servers. Always 0; a refusal is not staged and leaves
    // its reason in LastError.
    int SetDNSServerSearchOrder(const QString &Server1, const QString &Server2);
    // Brings what the methods staged to the adapter and empties the stage; true at once when
    // nothing is staged. False when the adapter refused it, LastError says why.
    bool ApplyChanges();
    // What the last ApplyChanges did to the adapter ("unchanged", "reapplied", "activated",
    // ...); empty when it had nothing to apply or failed.
    const QString &LastAction() const { return FLastAction; }

    // Why the last method failed; empty after one that succeeded.
    const QString &LastError() const { return FLastError; }

    // The provider method that applies a stage: its in-parameters are those of the methods
    // above, each present when staged (a Null DNSServerSearchOrder for automatic servers).
    static QString ApplyChangesMethod() { return QStringLiteral("ApplyChanges"); }

private:
    // The method's ReturnValue; Out, when given, gets all its out-parameters.
    int Run(const QString &method, const TWmiObject &inParams, TWmiObject *Out = nullptr);
    // Runs method and stages its parameters when the adapter takes them.
    int Stage(const QString &method, const TWmiObject &inParams);

    TWmiObject FObject;
    QString FIpAddress;
    QString FSubNet;
    QString FGateway;
    bool FDHCPEnabled = false;
    QString FDns1;
    QString FDns2;
    QString FMACAddress;
    TWmiObject FStaged{QStringLiteral("__PARAMETERS")};
    QString FLastAction;
    QString FLastError;
};

// WMI method results the adapter methods report.
enum TWmiReturnValue : int {
    wrvSuccess = 0,
    wrvUnknownFailure = 65,
    wrvInvalidSubnetMask = 66,
    wrvInvalidInputParameter = 68,
    wrvInvalidIPAddress = 70,
    wrvInvalidGateway = 71,
};

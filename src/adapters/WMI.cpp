#include "adapters/WMI.h"

#include "base/NetText.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

namespace {

// A parsed "SELECT * FROM Class [WHERE Prop=Literal]".
struct TWqlQuery
{
    QString ClassName;
    QString Property; // empty: every instance
    QVariant Literal; // QString for a quoted text, bool, qlonglong; invalid for NULL
};

QString Unquote(const QString &quoted)
{
    QString text;
    for (int i = 1; i < quoted.size() - 1; ++i) {
        if (quoted.at(i) == QLatin1Char('\\') && i + 1 < quoted.size() - 1)
            ++i;
        text.append(quoted.at(i));
    }
    return text;
}

QVariant ParseLiteral(const QString &token)
{
    if (token.size() >= 2 && (token.front() == QLatin1Char('\'') || token.front() == QLatin1Char('"')) &&
        token.back() == token.front())
        return Unquote(token);
    if (token.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
        return true;
    if (token.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
        return false;
    if (token.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return QVariant();
    bool isNumber = false;
    const qlonglong number = token.toLongLong(&isNumber);
    if (!isNumber)
        throw EWmiError(QStringLiteral("Invalid query: unknown literal %1").arg(token));
    return number;
}

TWqlQuery ParseWql(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+(\w+)(?:\s+WHERE\s+(\w+)\s*=\s*(\S.*?))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        throw EWmiError(QStringLiteral("Invalid query: %1").arg(text));
    TWqlQuery query{match.captured(1), match.captured(2), QVariant()};
    if (!query.Property.isEmpty())
        query.Literal = ParseLiteral(match.captured(3));
    return query;
}

bool IsNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

QString ValueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

// WMI compares texts ignoring letter case; a Null never equals a literal.
bool Matches(const QVariant &value, const QVariant &literal)
{
    if (!value.isValid() || !literal.isValid())
        return false;
    if (value.typeId() == QMetaType::Bool && literal.typeId() == QMetaType::Bool)
        return value.toBool() == literal.toBool();
    if (IsNumber(value) && IsNumber(literal))
        return value.toLongLong() == literal.toLongLong();
    return ValueText(value).compare(ValueText(literal), Qt::CaseInsensitive) == 0;
}

struct TProviderTable
{
    QMutex Lock;
    QMap<QString, std::shared_ptr<IWmiProvider>> Providers; // by upper-case class name
};

TProviderTable &Table()
{
    static TProviderTable table;
    return table;
}

// Runs a query: the instances it selects, in the provider's order. Raises on any failure.
QList<TWmiObject> Select(const QString &className, const QString &condition)
{
    const TWqlQuery query = ParseWql(WmiQueryText(className, condition));
    const auto provider = TWmiProviders::Find(query.ClassName);
    if (!provider)
        throw EWmiError(QStringLiteral("Invalid class: %1").arg(query.ClassName));
    const QList<TWmiObject> candidates = query.Property.isEmpty()
                                             ? provider->Instances()
                                             : provider->InstancesWhere(query.Property, query.Literal);
    QList<TWmiObject> selected;
    for (const TWmiObject &object : candidates) {
        if (!query.Property.isEmpty() && object.IsArray(query.Property))
            throw EWmiError(QStringLiteral("Invalid query: %1 is an array").arg(query.Property));
        if (query.Property.isEmpty() || Matches(object.Property(query.Property), query.Literal))
            selected.append(object);
    }
    return selected;
}

} // namespace

TWmiObject &TWmiObject::Add(const QString &name, const QVariant &value)
{
    return Add(name, value, value.typeId() == QMetaType::QStringList);
}

TWmiObject &TWmiObject::Add(const QString &name, const QVariant &value, bool isArray)
{
    const int index = IndexOf(name);
    if (index < 0)
        FProperties.append({name, value, isArray});
    else
        FProperties[index] = {FProperties.at(index).Name, value, isArray};
    return *this;
}

int TWmiObject::IndexOf(const QString &name) const
{
    for (int i = 0; i < FProperties.size(); ++i)
        if (FProperties.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TWmiObject::HasProperty(const QString &name) const { return IndexOf(name) >= 0; }

bool TWmiObject::IsArray(const QString &name) const
{
    const int index = IndexOf(name);
    return index >= 0 && FProperties.at(index).IsArray;
}

QVariant TWmiObject::Property(const QString &name) const
{
    const int index = IndexOf(name);
    if (index < 0)
        throw EWmiError(QStringLiteral("Not found: %1.%2").arg(FClassName, name));
    return FProperties.at(index).Value;
}

QStringList TWmiObject::PropertyNames() const
{
    QStringList names;
    for (const TProperty &property : FProperties)
        names.append(property.Name);
    return names;
}

QList<TWmiObject> IWmiProvider::InstancesWhere(const QString &, const QVariant &) { return Instances(); }

TWmiObject IWmiProvider::ExecMethod(const TWmiObject &, const QString &method, const TWmiObject &)
{
    throw EWmiError(QStringLiteral("Method not supported: %1.%2").arg(ClassName(), method));
}

void TWmiProviders::Register(std::shared_ptr<IWmiProvider> provider)
{
    TProviderTable &table = Table();
    QMutexLocker locker(&table.Lock);
    table.Providers.insert(provider->ClassName().toUpper(), std::move(provider));
}

void TWmiProviders::Unregister(const QString &className)
{
    TProviderTable &table = Table();
    QMutexLocker locker(&table.Lock);
    table.Providers.remove(className.toUpper());
}

std::shared_ptr<IWmiProvider> TWmiProviders::Find(const QString &className)
{
    TProviderTable &table = Table();
    QMutexLocker locker(&table.Lock);
    return table.Providers.value(className.toUpper());
}

void TWmiProviders::Reset()
{
    TProviderTable &table = Table();
    QMutexLocker locker(&table.Lock);
    table.Providers.clear();
}

QString WmiQueryText(const QString &ClassName, const QString &Condition)
{
    QString text = QStringLiteral("SELECT * FROM ") + ClassName + QLatin1Char(' ');
    if (!Condition.isEmpty())
        text += QStringLiteral("WHERE ") + Condition;
    return text;
}

QString WmiQueryValue(const QString &ClassName, const QString &PropName, const QString &Condition)
{
    try {
        const QList<TWmiObject> selected = Select(ClassName, Condition);
        return selected.isEmpty() ? QString() : WmiPropertyText(&selected.first(), PropName);
    } catch (const std::exception &) {
        return QString();
    }
}

TWmiObjectPtr WmiQueryObject(const QString &ClassName, const QString &Condition)
{
    try {
        const QList<TWmiObject> selected = Select(ClassName, Condition);
        return selected.isEmpty() ? nullptr : std::make_shared<const TWmiObject>(selected.first());
    } catch (const std::exception &) {
        return nullptr;
    }
}

bool WmiQueryObjects(const QString &ClassName, const QString &Condition, QList<QStringList> &List)
{
    List.clear();
    try {
        for (const TWmiObject &object : Select(ClassName, Condition)) {
            QStringList lines;
            WmiObjectToStrings(&object, &lines);
            List.append(lines);
        }
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

QString WmiPropertyText(const TWmiObject *Object, const QString &PropName)
{
    if (!Object || PropName.isEmpty())
        return QString();
    const QVariant value = Object->Property(PropName);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().value(0);
    return ValueText(value);
}

void WmiPropertyList(const TWmiObject *Object, const QString &PropName, QStringList *List)
{
    if (!Object)
        return;
    const QVariant value = Object->Property(PropName);
    if (List && value.typeId() == QMetaType::QStringList)
        *List = value.toStringList();
}

void WmiObjectToStrings(const TWmiObject *Object, QStringList *List)
{
    if (!Object || !List)
        return;
    for (const QString &name : Object->PropertyNames())
        if (!Object->IsArray(name))
            List->append(name + QLatin1Char(':') + ValueText(Object->Property(name)));
}

QString WmiStringsValue(const QStringList &Strings, const QString &PropName)
{
    for (const QString &Line : Strings) {
        const qsizetype Colon = Line.indexOf(QLatin1Char(':'));
        if (Colon >= 0 && Line.left(Colon).compare(PropName, Qt::CaseInsensitive) == 0)
            return Line.mid(Colon + 1);
    }
    return {};
}

TWmiObject WmiExecMethod(const TWmiObject &Object, const QString &Method, const TWmiObject &InParams)
{
    const auto provider = TWmiProviders::Find(Object.ClassName());
    if (!provider)
        throw EWmiError(QStringLiteral("Invalid class: %1").arg(Object.ClassName()));
    return provider->ExecMethod(Object, Method, InParams);
}

QString GetDefaultPrinterName()
{
    return WmiQueryValue(QStringLiteral("Win32_Printer"), QStringLiteral("Name"),
                         QStringLiteral("Default=True"));
}

namespace {

TWmiObject Parameters(const QString &name, const QStringList &array)
{
    return TWmiObject(QStringLiteral("__PARAMETERS")).Add(name, array);
}

QString RefusalText(int result, const QString &address, const QString &mask)
{
    switch (result) {
    case wrvInvalidSubnetMask:
        return QStringLiteral("invalid subnet mask %1").arg(QuotedValue(mask));
    case wrvInvalidIPAddress:
        return QStringLiteral("invalid IP address %1").arg(QuotedValue(address));
    case wrvInvalidGateway:
        return QStringLiteral("invalid gateway %1").arg(QuotedValue(address));
    case wrvInvalidInputParameter:
        return QStringLiteral("invalid input parameter");
    default:
        return QStringLiteral("the adapter refused the change (error %1)").arg(result);
    }
}

} // namespace

TNetworkAdapterConfiguration::TNetworkAdapterConfiguration(const QString &AId)
{
    const TWmiObjectPtr object = WmiQueryObject(QStringLiteral("Win32_NetworkAdapterConfiguration"),
                                                QStringLiteral("SettingID='") + AId + QLatin1Char('\''));
    if (!object)
        throw EWayfarelError(QStringLiteral("Adapter not found!"));
    FObject = *object;
    FIpAddress = WmiPropertyText(object.get(), QStringLiteral("IPAddress"));
    FSubNet = WmiPropertyText(object.get(), QStringLiteral("IPSubnet"));
    FGateway = WmiPropertyText(object.get(), QStringLiteral("DefaultIPGateway"));
    FDHCPEnabled =
        WmiPropertyText(object.get(), QStringLiteral("DHCPEnabled")).toUpper() == QLatin1String("TRUE");
    QStringList dns;
    WmiPropertyList(object.get(), QStringLiteral("DNSServerSearchOrder"), &dns);
    FDns1 = dns.value(0);
    FDns2 = dns.value(1);
    FMACAddress = WmiPropertyText(object.get(), QStringLiteral("MACAddress"))
                      .replace(QLatin1Char(':'), QLatin1Char('-'));
}

int TNetworkAdapterConfiguration::Run(const QString &method, const TWmiObject &inParams, TWmiObject *Out)
{
    const TWmiObject out = WmiExecMethod(FObject, method, inParams);
    if (Out)
        *Out = out;
    return out.HasProperty(QStringLiteral("ReturnValue"))
               ? out.Property(QStringLiteral("ReturnValue")).toInt()
               : wrvSuccess;
}

int TNetworkAdapterConfiguration::Stage(const QString &method, const TWmiObject &inParams)
{
    const int result = Run(method, inParams);
    if (result == wrvSuccess)
        for (const QString &name : inParams.PropertyNames())
            FStaged.Add(name, inParams.Property(name), inParams.IsArray(name));
    return result;
}

// DHCP brings its own gateway: one staged before is dropped, as the adapter would drop it.
void TNetworkAdapterConfiguration::EnableDHCP()
{
    FLastError.clear();
    const int result = Run(QStringLiteral("EnableDHCP"), TWmiObject(QStringLiteral("__PARAMETERS")));
    if (result != wrvSuccess) {
        FLastError = RefusalText(result, QString(), QString());
        throw EWmiError(FLastError);
    }
    FStaged.Add(QStringLiteral("DHCPEnabled"), true)
        .Add(QStringLiteral("DefaultIPGateway"), QVariant(), true);
}

int TNetworkAdapterConfiguration::EnableStatic(const QString &IPAddress, const QString &SubnetMask)
{
    FLastError.clear();
    try {
        TWmiObject inParams = Parameters(QStringLiteral("IPAddress"), {IPAddress});
        inParams.Add(QStringLiteral("SubnetMask"), QStringList{SubnetMask});
        const int result = Stage(QStringLiteral("EnableStatic"), inParams);
        if (result != wrvSuccess)
            FLastError = RefusalText(result, IPAddress, SubnetMask);
        else
            FStaged.Add(QStringLiteral("DHCPEnabled"), false);
        return result;
    } catch (const EWayfarelError &e) {
        FLastError = e.Message();
        return wrvUnknownFailure;
    }
}

int TNetworkAdapterConfiguration::SetGateways(const QString &DefaultIPGateway)
{
    FLastError.clear();
    try {
        const int result = Stage(QStringLiteral("SetGateways"),
                                 Parameters(QStringLiteral("DefaultIPGateway"), {DefaultIPGateway}));
        if (result != wrvSuccess)
            FLastError = RefusalText(result, DefaultIPGateway, QString());
    } catch (const EWayfarelError &e) {
        FLastError = e.Message();
    }
    return wrvSuccess;
}

int TNetworkAdapterConfiguration::SetDNSServerSearchOrder(const QString &Server1, const QString &Server2)
{
    FLastError.clear();
    TWmiObject inParams(QStringLiteral("__PARAMETERS"));
    QStringList servers;
    if (!Server1.isEmpty() && !Server2.isEmpty())
        servers = QStringList{Server1, Server2};
    else
        servers = QStringList{Server1.isEmpty() ? Server2 : Server1};
    const bool automatic = Server1.isEmpty() && Server2.isEmpty();
    if (!automatic)
        inParams.Add(QStringLiteral("DNSServerSearchOrder"), servers);
    try {
        const int result = Stage(QStringLiteral("SetDNSServerSearchOrder"), inParams);
        if (result != wrvSuccess)
            FLastError = RefusalText(result, servers.join(QLatin1Char(',')), QString());
        else if (automatic)
            FStaged.Add(QStringLiteral("DNSServerSearchOrder"), QVariant(), true);
    } catch (const EWayfarelError &e) {
        FLastError = e.Message();
    }
    return wrvSuccess;
}

bool TNetworkAdapterConfiguration::ApplyChanges()
{
    FLastError.clear();
    FLastAction.clear();
    if (FStaged.PropertyNames().isEmpty())
        return true;
    try {
        TWmiObject out;
        const int result = Run(ApplyChangesMethod(), FStaged, &out);
        if (result != wrvSuccess) {
            FLastError = RefusalText(result, QString(), QString());
            return false;
        }
        if (out.HasProperty(QStringLiteral("Action")))
            FLastAction = out.Property(QStringLiteral("Action")).toString();
    } catch (const EWayfarelError &e) {
        FLastError = e.Message();
        return false;
    }
    FStaged = TWmiObject(QStringLiteral("__PARAMETERS"));
    return true;
}

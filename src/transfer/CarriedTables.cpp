#include "transfer/CarriedTables.h"

#include "locations/LocationRules.h"

namespace {

constexpr TDbFieldType Text = TDbFieldType::Text;
constexpr TDbFieldType Flag = TDbFieldType::Flag;
constexpr TDbFieldType Number = TDbFieldType::Number;

QVariant &ColumnValue(TDbColumns &Row, const char *Name)
{
    for (auto &[Column, Value] : Row)
        if (Column == QLatin1String(Name))
            return Value;
    Row.append({QLatin1String(Name), QString()});
    return Row.last().second;
}

// A rule row as the rules are stored: a known kind, a value of that kind, MACs in one form.
bool RuleStoredForm(TDbColumns &Row, QString *Problem)
{
    QStringList Words{ColumnValue(Row, "RULE_KIND").toString(), ColumnValue(Row, "RULE_VALUE").toString()};
    if (const QString Bssid = ColumnValue(Row, "RULE_BSSID").toString(); !Bssid.isEmpty())
        Words.append(Bssid);
    TLocationRule Rule;
    if (!ParseRule(Words, Rule, Problem))
        return false;
    ColumnValue(Row, "RULE_KIND") = RuleKindName(Rule.Kind);
    ColumnValue(Row, "RULE_VALUE") = Rule.Value;
    ColumnValue(Row, "RULE_BSSID") = Rule.Bssid.isNull() ? QString(QLatin1String("")) : Rule.Bssid;
    return true;
}

} // namespace

const TCarriedTable &IpTable()
{
    static const TCarriedTable Table{.Key = QStringLiteral("ip"),
                                     .Table = QStringLiteral("IP_ADDR"),
                                     .Columns = {{"ENABLE_DHCP", Flag},
                                                 {"IP_ADDR", Text},
                                                 {"SUBNET_MASK", Text},
                                                 {"GATE_WAY", Text},
                                                 {"AUTO_DNS", Flag},
                                                 {"MAIN_DNS", Text},
                                                 {"SUB_DNS", Text},
                                                 {"MAC_ADDR", Text},
                                                 {"GWMAC_ADDR", Text},
                                                 {"AUTO_REPAIR", Flag},
                                                 {"REPAIR_INTERVAL", Number}}};
    return Table;
}

const QList<TCarriedTable> &LocationTables()
{
    static const QList<TCarriedTable> Tables{
        {.Key = QStringLiteral("shares"),
         .Table = QStringLiteral("FOLDER_SHARE"),
         .List = true,
         .Columns =
             {{"SHARE_NAME", Text}, {"SHARE_DESC", Text}, {"SHARE_FOLDER", Text}, {"SHARE_TYPE", Number}}},
        {.Key = QStringLiteral("drives"),
         .Table = QStringLiteral("NET_MAPPING"),
         .List = true,
         .Columns = {{"DRIVER", Text},
                     {"USER_NAME", Text},
                     {"PASSWORD", Text},
                     {"REMOTE_FOLDER", Text},
                     {"AUTO_CONNECT", Flag}}},
        {.Key = QStringLiteral("rules"),
         .Table = QStringLiteral("LOC_RULE"),
         .List = true,
         .Columns = {{"RULE_KIND", Text}, {"RULE_VALUE", Text}, {"RULE_BSSID", Text}},
         .PositionColumn = QStringLiteral("RULE_POS"),
         .StoredForm = RuleStoredForm},
        {.Key = QStringLiteral("automatic"),
         .Table = QStringLiteral("LOC_AUTO"),
         .Columns = {{"AUTO_SWITCH", Flag}}},
    };
    return Tables;
}

QList<TCarriedTable> ModuleTables(const TModuleTable &Modules)
{
    QList<TCarriedTable> Tables;
    for (const TModuleDescriptor &Descriptor : Modules) {
        // Only the columns' names and types are read, while the module is still there.
        const std::unique_ptr<TCustomProxy> Module = Descriptor.Create(QString());
        const TRowBinding Binding = Module->StoredRow();
        TCarriedTable Table{.Key = Binding.Table, .Table = Binding.Table, .RemoveFirst = Binding.RemoveFirst};
        for (const TDbField &Field : Binding.Fields)
            Table.Columns.append({Field.Column(), Field.Type()});
        Tables.append(Table);
    }
    return Tables;
}

bool IsPasswordColumn(const QString &Column)
{
    return Column == QLatin1String("PROXY_PWD") || Column == QLatin1String("PASSWORD");
}

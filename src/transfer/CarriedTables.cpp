#include "transfer/CarriedTables.h"

namespace {

constexpr TDbFieldType Text = TDbFieldType::Text;
constexpr TDbFieldType Flag = TDbFieldType::Flag;
constexpr TDbFieldType Number = TDbFieldType::Number;

} // namespace

const TCarriedTable &IpTable()
{
    static const TCarriedTable Table{QStringLiteral("ip"),
                                     QStringLiteral("IP_ADDR"),
                                     false,
                                     {{"ENABLE_DHCP", Flag},
                                      {"IP_ADDR", Text},
                                      {"SUBNET_MASK", Text},
                                      {"GATE_WAY", Text},
                                      {"AUTO_DNS", Flag},
                                      {"MAIN_DNS", Text},
                                      {"SUB_DNS", Text},
                                      {"MAC_ADDR", Text},
                                      {"GWMAC_ADDR", Text},
                                      {"AUTO_REPAIR", Flag},
                                      {"REPAIR_INTERVAL", Number}},
                                     {}};
    return Table;
}

const QList<TCarriedTable> &LocationLists()
{
    static const QList<TCarriedTable> Lists{
        {QStringLiteral("shares"),
         QStringLiteral("FOLDER_SHARE"),
         true,
         {{"SHARE_NAME", Text}, {"SHARE_DESC", Text}, {"SHARE_FOLDER", Text}, {"SHARE_TYPE", Number}},
         {}},
        {QStringLiteral("drives"),
         QStringLiteral("NET_MAPPING"),
         true,
         {{"DRIVER", Text},
          {"USER_NAME", Text},
          {"PASSWORD", Text},
          {"REMOTE_FOLDER", Text},
          {"AUTO_CONNECT", Flag}},
         {}},
    };
    return Lists;
}

const QStringList &ReservedListKeys()
{
    static const QStringList Keys{QStringLiteral("rules")};
    return Keys;
}

QList<TCarriedTable> ModuleTables(const TModuleTable &Modules)
{
    QList<TCarriedTable> Tables;
    for (const TModuleDescriptor &Descriptor : Modules) {
        // Only the columns' names and types are read, while the module is still there.
        const std::unique_ptr<TCustomProxy> Module = Descriptor.Create(QString());
        const TRowBinding Binding = Module->StoredRow();
        TCarriedTable Table{Binding.Table, Binding.Table, false, {}, Binding.RemoveFirst};
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

#include "transfer/LocationCheck.h"

#include "app/IdGen.h"
#include "transfer/TransferFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <cmath>
#include <limits>

namespace {

// A hostile file could hold millions of faults; the first ones say enough.
constexpr int ProblemLimit = 20;
constexpr qsizetype LocIdLength = 32;

// Place Member of the object at Parent, escaped as a JSON pointer asks.
QString Pointer(const QString &Parent, const QString &Member)
{
    QString Escaped = Member;
    Escaped.replace(QLatin1Char('~'), QLatin1String("~0")).replace(QLatin1Char('/'), QLatin1String("~1"));
    return Parent + QLatin1Char('/') + Escaped;
}

QString Pointer(const QString &Parent, qsizetype Index)
{
    return Parent + QLatin1Char('/') + QString::number(Index);
}

bool IsLocId(const QString &Id)
{
    const QLatin1String Alphabet(IdAlphabet);
    return Id.size() == LocIdLength &&
           std::all_of(Id.cbegin(), Id.cend(), [&Alphabet](QChar Char) { return Alphabet.contains(Char); });
}

class TChecker
{
public:
    TChecker(const QList<TCarriedTable> &ModuleTables, QStringList &Problems)
        : FModuleTables(ModuleTables), FProblems(Problems)
    {}

    void Document(const QByteArray &Bytes, QList<TIncomingLocation> &Locations);
    // Closes the list of problems with how many more there were.
    void Finish();

private:
    void Problem(const QString &Place, const QString &What);
    bool ObjectAt(const QJsonValue &Value, const QString &Place);
    bool ArrayAt(const QJsonValue &Value, const QString &Place);
    bool TextAt(const QJsonValue &Value, const QString &Place, QString *Text = nullptr);
    void OnlyMembers(const QJsonObject &Object, const QString &Place, const QSet<QString> &Known);
    bool Required(const QJsonObject &Object, const QString &Place, const QString &Member);
    bool Header(const QJsonObject &Root);
    void Location(const QJsonObject &Object, const QString &Place, TIncomingLocation &Location);
    void Adapter(const QJsonValue &Value, const QString &Place, TIncomingLocation &Location);
    void Tables(const QJsonObject &Object, const QString &Place, const QList<TCarriedTable> &Tables,
                TIncomingLocation &Location);
    void Table(const QJsonObject &Object, const QString &Place, const TCarriedTable &Table,
               TIncomingLocation &Location);
    bool Row(const QJsonValue &Value, const QString &Place, const TCarriedTable &Table, TDbColumns &Columns);
    QVariant Field(const QJsonValue &Value, const QString &Place, TDbFieldType Type);
    QSet<QString> LocationMembers() const;

    const QList<TCarriedTable> &FModuleTables;
    QStringList &FProblems;
    int FLeftOut = 0;
};

void TChecker::Problem(const QString &Place, const QString &What)
{
    if (FProblems.size() < ProblemLimit)
        FProblems.append(Place + QLatin1String(": ") + What);
    else
        ++FLeftOut;
}

void TChecker::Finish()
{
    if (FLeftOut > 0)
        FProblems.append(QStringLiteral("... and %1 more problems").arg(FLeftOut));
}

bool TChecker::ObjectAt(const QJsonValue &Value, const QString &Place)
{
    if (!Value.isObject())
        Problem(Place, QStringLiteral("an object {...} is expected"));
    return Value.isObject();
}

bool TChecker::ArrayAt(const QJsonValue &Value, const QString &Place)
{
    if (!Value.isArray())
        Problem(Place, QStringLiteral("an array [...] is expected"));
    return Value.isArray();
}

bool TChecker::TextAt(const QJsonValue &Value, const QString &Place, QString *Text)
{
    if (!Value.isString()) {
        Problem(Place, QStringLiteral("a text \"...\" is expected"));
        return false;
    }
    const QString Read = Value.toString();
    if (Read.size() > TransferTextLimit) {
        Problem(Place, QStringLiteral("the text is %1 characters long; at most %2 are taken")
                           .arg(Read.size())
                           .arg(TransferTextLimit));
        return false;
    }
    if (Text)
        *Text = Read;
    return true;
}

void TChecker::OnlyMembers(const QJsonObject &Object, const QString &Place, const QSet<QString> &Known)
{
    for (auto It = Object.constBegin(); It != Object.constEnd(); ++It)
        if (!Known.contains(It.key()))
            Problem(Pointer(Place, It.key()), QStringLiteral("unknown member"));
}

bool TChecker::Required(const QJsonObject &Object, const QString &Place, const QString &Member)
{
    if (!Object.contains(Member))
        Problem(Pointer(Place, Member), QStringLiteral("missing"));
    return Object.contains(Member);
}

bool TChecker::Header(const QJsonObject &Root)
{
    OnlyMembers(Root, QString(), {"format", "version", "program", "passwords", "locations"});
    const QString Format = QLatin1String(TransferFormatName);
    if (Required(Root, QString(), "format") && Root.value("format") != QJsonValue(Format))
        Problem("/format", QStringLiteral("this is no location file (\"%1\" expected)").arg(Format));
    if (Root.contains("program"))
        TextAt(Root.value("program"), "/program");
    if (Root.contains("passwords") && !Root.value("passwords").isBool())
        Problem("/passwords", QStringLiteral("true or false is expected"));
    if (!Required(Root, QString(), "version"))
        return false;
    const QJsonValue Version = Root.value("version");
    if (Version != QJsonValue(TransferFormatVersion)) {
        Problem("/version", QStringLiteral("version %1 is not known; this program reads version %2")
                                .arg(Version.toVariant().toString().left(40))
                                .arg(TransferFormatVersion));
        return false;
    }
    return Required(Root, QString(), "locations") && ArrayAt(Root.value("locations"), "/locations");
}

void TChecker::Document(const QByteArray &Bytes, QList<TIncomingLocation> &Locations)
{
    if (Bytes.size() > TransferFileLimit) {
        Problem("/", QStringLiteral("the file is larger than %1 MB").arg(TransferFileLimit / (1024 * 1024)));
        return;
    }
    QJsonParseError Error;
    const QJsonDocument Parsed = QJsonDocument::fromJson(Bytes, &Error);
    if (Error.error != QJsonParseError::NoError) {
        Problem(QStringLiteral("byte %1").arg(Error.offset),
                QStringLiteral("%1 (the file is not complete JSON)").arg(Error.errorString()));
        return;
    }
    if (!Parsed.isObject()) {
        Problem("/", QStringLiteral("an object {...} is expected"));
        return;
    }
    const QJsonObject Root = Parsed.object();
    if (!Header(Root))
        return;
    const QJsonArray Array = Root.value("locations").toArray();
    QHash<QString, qsizetype> FirstById;
    for (qsizetype I = 0; I < Array.size(); ++I) {
        const QString Place = Pointer("/locations", I);
        if (!ObjectAt(Array.at(I), Place))
            continue;
        TIncomingLocation Incoming;
        Location(Array.at(I).toObject(), Place, Incoming);
        if (Incoming.Id.isEmpty())
            continue;
        if (FirstById.contains(Incoming.Id))
            Problem(Pointer(Place, "id"),
                    QStringLiteral("the same id as /locations/%1").arg(FirstById.value(Incoming.Id)));
        else
            FirstById.insert(Incoming.Id, I);
        Locations.append(Incoming);
    }
}

QSet<QString> TChecker::LocationMembers() const
{
    QSet<QString> Members{"id", "name", "description", "printer", "adapter", "ip", "modules"};
    for (const TCarriedTable &Table : LocationTables())
        Members.insert(Table.Key);
    return Members;
}

void TChecker::Location(const QJsonObject &Object, const QString &Place, TIncomingLocation &Location)
{
    OnlyMembers(Object, Place, LocationMembers());
    QString Id;
    if (Required(Object, Place, "id") && TextAt(Object.value("id"), Pointer(Place, "id"), &Id)) {
        if (IsLocId(Id))
            Location.Id = Id;
        else
            Problem(Pointer(Place, "id"),
                    QStringLiteral("an id is %1 digits and capital letters A to Z").arg(LocIdLength));
    }
    if (Required(Object, Place, "name") &&
        TextAt(Object.value("name"), Pointer(Place, "name"), &Location.Name) &&
        Location.Name.trimmed().isEmpty())
        Problem(Pointer(Place, "name"), QStringLiteral("a location needs a name"));
    if (Object.contains("description"))
        TextAt(Object.value("description"), Pointer(Place, "description"), &Location.Description);
    if (Object.contains("printer"))
        TextAt(Object.value("printer"), Pointer(Place, "printer"), &Location.Printer);
    if (Object.contains("adapter"))
        Adapter(Object.value("adapter"), Pointer(Place, "adapter"), Location);
    Table(Object, Place, IpTable(), Location);
    Tables(Object, Place, LocationTables(), Location);
    if (Object.contains("modules") && ObjectAt(Object.value("modules"), Pointer(Place, "modules"))) {
        const QJsonObject Modules = Object.value("modules").toObject();
        QSet<QString> Known;
        for (const TCarriedTable &Table : FModuleTables)
            Known.insert(Table.Key);
        OnlyMembers(Modules, Pointer(Place, "modules"), Known);
        Tables(Modules, Pointer(Place, "modules"), FModuleTables, Location);
    }
}

void TChecker::Adapter(const QJsonValue &Value, const QString &Place, TIncomingLocation &Location)
{
    if (Value.isNull() || !ObjectAt(Value, Place))
        return;
    const QJsonObject Object = Value.toObject();
    OnlyMembers(Object, Place, {"id", "name"});
    if (Required(Object, Place, "id"))
        TextAt(Object.value("id"), Pointer(Place, "id"), &Location.AdapterId);
    if (Object.contains("name"))
        TextAt(Object.value("name"), Pointer(Place, "name"), &Location.AdapterName);
}

// Tables must outlive the checked locations, which point to them.
void TChecker::Tables(const QJsonObject &Object, const QString &Place, const QList<TCarriedTable> &Tables,
                      TIncomingLocation &Location)
{
    for (const TCarriedTable &Carried : Tables)
        Table(Object, Place, Carried, Location);
}

void TChecker::Table(const QJsonObject &Object, const QString &Place, const TCarriedTable &Table,
                     TIncomingLocation &Location)
{
    if (!Object.contains(Table.Key))
        return;
    const QString TablePlace = Pointer(Place, Table.Key);
    const QJsonValue Value = Object.value(Table.Key);
    TIncomingRows Incoming{&Table, {}};
    if (!Table.List) {
        TDbColumns Columns;
        if (Row(Value, TablePlace, Table, Columns))
            Incoming.Rows.append(Columns);
    } else if (ArrayAt(Value, TablePlace)) {
        const QJsonArray Rows = Value.toArray();
        for (qsizetype I = 0; I < Rows.size(); ++I) {
            TDbColumns Columns;
            if (Row(Rows.at(I), Pointer(TablePlace, I), Table, Columns))
                Incoming.Rows.append(Columns);
        }
    }
    Location.Tables.append(Incoming);
}

bool TChecker::Row(const QJsonValue &Value, const QString &Place, const TCarriedTable &Table,
                   TDbColumns &Columns)
{
    if (!ObjectAt(Value, Place))
        return false;
    const QJsonObject Object = Value.toObject();
    QSet<QString> Known;
    for (const TCarriedColumn &Column : Table.Columns)
        Known.insert(Column.Name);
    OnlyMembers(Object, Place, Known);
    const qsizetype Before = FProblems.size() + FLeftOut;
    for (const TCarriedColumn &Column : Table.Columns)
        Columns.append(
            {Column.Name, Field(Object.value(Column.Name), Pointer(Place, Column.Name), Column.Type)});
    if (FProblems.size() + FLeftOut != Before)
        return false;
    QString Why;
    if (Table.StoredForm && !Table.StoredForm(Columns, &Why)) {
        Problem(Place, Why);
        return false;
    }
    return true;
}

QVariant TChecker::Field(const QJsonValue &Value, const QString &Place, TDbFieldType Type)
{
    const bool Missing = Value.isUndefined();
    switch (Type) {
    case TDbFieldType::Flag:
        if (!Missing && !Value.isBool())
            Problem(Place, QStringLiteral("true or false is expected"));
        return int(Value.toBool());
    case TDbFieldType::Number: {
        const double Number = Value.toDouble();
        const bool Whole = Value.isDouble() && std::trunc(Number) == Number &&
                           Number >= std::numeric_limits<int>::min() &&
                           Number <= std::numeric_limits<int>::max();
        if (!Missing && !Whole)
            Problem(Place, QStringLiteral("a whole number is expected"));
        return Whole ? int(Number) : 0;
    }
    case TDbFieldType::Text:
        break;
    }
    QString Text;
    if (!Missing)
        TextAt(Value, Place, &Text);
    return Text.isNull() ? QString(QLatin1String("")) : Text;
}

} // namespace

bool CheckLocationDocument(const QByteArray &Document, const QList<TCarriedTable> &ModuleTables,
                           QList<TIncomingLocation> &Locations, QStringList &Problems)
{
    Locations.clear();
    Problems.clear();
    TChecker Checker(ModuleTables, Problems);
    Checker.Document(Document, Locations);
    Checker.Finish();
    if (!Problems.isEmpty())
        Locations.clear();
    return Problems.isEmpty();
}

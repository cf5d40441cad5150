#include "app/DBSchema.h"

#include "app/DBQuery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUrl>
#include <unistd.h>
#include <utility>

namespace {

const QString CatalogueTable = QStringLiteral("FUNC_DEF");
const QString CatalogueKey = QStringLiteral("FUNC_CODE");
const QString CataloguePosition = QStringLiteral("FUNC_POS");

bool Fail(QString *Error, const QString &Text)
{
    if (Error)
        *Error = Text;
    return false;
}

bool Exec(QSqlQuery &Query, const QString &Statement, QString *Error)
{
    return Query.exec(Statement) || Fail(Error, Statement + QStringLiteral(": ") + Query.lastError().text());
}

QString QuotedName(QString Name) { return '"' + Name.replace('"', QStringLiteral("\"\"")) + '"'; }

// Tables first, so that indexes, views and triggers find every table and column they name.
bool ReadObjects(QSqlDatabase &Db, QList<TDbObject> &Objects, QString *Error)
{
    QSqlQuery Query(Db);
    if (!Exec(Query,
              QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL"
                             " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"
                             " ORDER BY type <> 'table', rowid"),
              Error))
        return false;
    while (Query.next())
        Objects.append({Query.value(0).toString(), Query.value(1).toString(), Query.value(2).toString()});
    return !Objects.isEmpty() || Fail(Error, QStringLiteral("the template holds no tables"));
}

bool ReadCatalogue(QSqlDatabase &Db, QList<QSqlRecord> &Catalogue, QString *Error)
{
    QSqlQuery Query(Db);
    if (!Exec(Query, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(CatalogueTable, CataloguePosition),
              Error))
        return false;
    while (Query.next())
        Catalogue.append(Query.record());
    return true;
}

// Names compare as SQLite compares them: without regard to letter case.
QSet<QString> LowerNames(QSqlQuery &Query, int Column)
{
    QSet<QString> Names;
    while (Query.next())
        Names.insert(Query.value(Column).toString().toLower());
    return Names;
}

bool AddMissingColumns(QSqlDatabase &Db, const TDbObject &Table, QString *Error)
{
    QSqlQuery Query(Db);
    if (!Exec(Query, QStringLiteral("PRAGMA table_info(%1)").arg(QuotedName(Table.Name)), Error))
        return false;
    const QSet<QString> Present = LowerNames(Query, 1);
    for (const auto &[Column, Definition] : ColumnDefinitions(Table.Sql)) {
        if (!Present.contains(Column.toLower()) &&
            !Exec(Query,
                  QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(QuotedName(Table.Name), Definition),
                  Error))
            return false;
    }
    return true;
}

bool AddMissingObjects(QSqlDatabase &Db, const QList<TDbObject> &Objects, QString *Error)
{
    QSqlQuery Query(Db);
    if (!Exec(Query, QStringLiteral("SELECT name FROM sqlite_master"), Error))
        return false;
    const QSet<QString> Present = LowerNames(Query, 0);
    for (const TDbObject &Object : Objects) {
        bool Done = true;
        if (!Present.contains(Object.Name.toLower()))
            Done = Exec(Query, Object.Sql, Error);
        else if (Object.Type == QLatin1String("table"))
            Done = AddMissingColumns(Db, Object, Error);
        if (!Done)
            return false;
    }
    return true;
}

// The position after the last module of the data file's catalogue.
bool NextCataloguePosition(QSqlDatabase &Db, QVariant &Position, QString *Error)
{
    QSqlQuery Query(Db);
    if (!Exec(
            Query,
            QStringLiteral("SELECT COALESCE(MAX(%1), 0) + 1 FROM %2").arg(CataloguePosition, CatalogueTable),
            Error) ||
        !Query.next())
        return false;
    Position = Query.value(0);
    return true;
}

// The template's row without its key, at Position.
TDbColumns CatalogueColumns(const QSqlRecord &Row, const QVariant &Position)
{
    TDbColumns Columns;
    for (int I = 0; I < Row.count(); ++I) {
        const QString Name = Row.fieldName(I);
        if (Name.compare(CatalogueKey, Qt::CaseInsensitive) != 0)
            Columns.append(
                {Name, Name.compare(CataloguePosition, Qt::CaseInsensitive) == 0 ? Position : Row.value(I)});
    }
    return Columns;
}

// A module that is new to this data file goes after the modules the user has arranged.
bool AddMissingCatalogueRows(QSqlDatabase &Db, const QList<QSqlRecord> &Catalogue, QString *Error)
{
    for (const QSqlRecord &Row : Catalogue) {
        const TDbKey Key{CatalogueKey, Row.value(CatalogueKey).toString()};
        QString ReadError;
        if (DbReadRow(Db, CatalogueTable, Key, &ReadError))
            continue;
        if (!ReadError.isEmpty())
            return Fail(Error, ReadError);
        QVariant Position;
        if (!NextCataloguePosition(Db, Position, Error) ||
            !DbSaveRow(Db, CatalogueTable, Key, CatalogueColumns(Row, Position), TKeyOnUpdate::Write, Error))
            return false;
    }
    return true;
}

bool IsQuote(QChar C) { return C == '\'' || C == '"' || C == '`' || C == '['; }

// Where the quoted name, string literal or comment starting at At ends (its last character);
// At itself for any other character. A doubled quote inside stands for one and does not end it.
qsizetype SkipQuotedOrComment(const QString &Sql, qsizetype At)
{
    const QChar C = Sql.at(At);
    const QChar Next = At + 1 < Sql.size() ? Sql.at(At + 1) : QChar();
    qsizetype End = -1;
    if (C == '[') {
        End = Sql.indexOf(']', At + 1);
    } else if (IsQuote(C)) {
        End = Sql.indexOf(C, At + 1);
        while (End > 0 && End + 1 < Sql.size() && Sql.at(End + 1) == C)
            End = Sql.indexOf(C, End + 2);
    } else if (C == '-' && Next == '-') {
        End = Sql.indexOf('\n', At + 2);
    } else if (C == '/' && Next == '*') {
        End = Sql.indexOf(QStringLiteral("*/"), At + 2) + 1;
    } else {
        return At;
    }
    return End <= At ? Sql.size() - 1 : End;
}

bool IsComment(const QString &Text)
{
    return Text.startsWith(QStringLiteral("--")) || Text.startsWith(QStringLiteral("/*"));
}

// The items between the outer parentheses of a CREATE TABLE statement, split at its
// top-level commas, comments dropped.
QStringList TableItems(const QString &Sql)
{
    QStringList Items;
    QString Item;
    int Depth = 0;
    for (qsizetype I = 0; I < Sql.size(); ++I) {
        const qsizetype End = SkipQuotedOrComment(Sql, I);
        const QString Piece = Sql.mid(I, End - I + 1);
        I = End;
        if (Piece == QLatin1String("(") && ++Depth == 1)
            continue;
        if (Piece == QLatin1String(")") && --Depth == 0)
            break;
        if (Depth == 1 && Piece == QLatin1String(","))
            Items.append(std::exchange(Item, QString()));
        else if (Depth >= 1)
            Item += IsComment(Piece) ? QStringLiteral(" ") : Piece;
    }
    Items.append(Item);
    return Items;
}

// The name an item of a table definition begins with: its first word, or its first quoted
// name without the quotes.
QString LeadingName(const QString &Item)
{
    const QChar Quote = Item.at(0);
    if (!IsQuote(Quote))
        return Item.section(QLatin1Char(' '), 0, 0);
    QString Name = Item.mid(1, SkipQuotedOrComment(Item, 0) - 1);
    return Quote == '[' ? Name : Name.replace(QString(2, Quote), QString(Quote));
}

bool IsTableConstraint(const QString &Item)
{
    static const QSet<QString> Words{"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"};
    return !IsQuote(Item.at(0)) && Words.contains(LeadingName(Item).toUpper());
}

} // namespace

QList<QPair<QString, QString>> ColumnDefinitions(const QString &CreateTable)
{
    QList<QPair<QString, QString>> Columns;
    for (const QString &Item : TableItems(CreateTable)) {
        const QString Definition = Item.simplified();
        if (!Definition.isEmpty() && !IsTableConstraint(Definition))
            Columns.append({LeadingName(Definition), Definition});
    }
    return Columns;
}

int SchemaVersion(const QString &File)
{
    // A database file starts with this text; its user_version is four bytes, big-endian, at 60.
    const QByteArray Magic("SQLite format 3", 16);
    QFile Database(File);
    if (!Database.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray Header = Database.read(64);
    if (Header.size() < 64 || !Header.startsWith(Magic))
        return -1;
    const auto Byte = [&Header](int At) { return quint32(quint8(Header.at(At))); };
    return int(Byte(60) << 24 | Byte(61) << 16 | Byte(62) << 8 | Byte(63));
}

int SchemaVersion(const QSqlDatabase &Db)
{
    QSqlQuery Query(Db);
    return Query.exec(QStringLiteral("PRAGMA user_version")) && Query.next() ? Query.value(0).toInt() : -1;
}

bool SetSchemaVersion(QSqlDatabase &Db, int Version, QString *Error)
{
    QSqlQuery Query(Db);
    return Exec(Query, QStringLiteral("PRAGMA user_version = %1").arg(Version), Error);
}

bool ReadTemplateSchema(const QString &Template, TDbSchema &Schema, QString *Error)
{
    const QString Name = QStringLiteral("qtm-template");
    const QString Uri =
        QUrl::fromLocalFile(QFileInfo(Template).absoluteFilePath()).toString(QUrl::FullyEncoded);
    bool Done = false;
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        Db.setDatabaseName(Uri + QStringLiteral("?mode=ro"));
        Db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        Schema = {};
        Done = Db.open()
                   ? ReadObjects(Db, Schema.Objects, Error) && ReadCatalogue(Db, Schema.Catalogue, Error)
                   : Fail(Error, QStringLiteral("%1: %2").arg(Template, Db.lastError().text()));
        Db.close();
    }
    QSqlDatabase::removeDatabase(Name);
    return Done;
}

bool UpgradeSchema(QSqlDatabase &Db, const TDbSchema &Schema, QString *Error)
{
    return AddMissingObjects(Db, Schema.Objects, Error) &&
           AddMissingCatalogueRows(Db, Schema.Catalogue, Error);
}

bool MakeDataFile(const QString &DataFile, const QString &Template, QString *Error)
{
    const QFileInfo Target(DataFile);
    if (Target.exists())
        return true;
    const QString Folder = Target.absolutePath();
    if (!QFileInfo::exists(Folder) &&
        !(QDir().mkpath(Folder) &&
          QFile::setPermissions(Folder,
                                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)))
        return Fail(Error, QStringLiteral("cannot make the folder %1").arg(Folder));
    QFile Source(Template);
    if (!Source.open(QIODevice::ReadOnly))
        return Fail(Error, QStringLiteral("cannot read %1: %2").arg(Template, Source.errorString()));
    const QByteArray Content = Source.readAll();
    QTemporaryFile Copy(Folder + QStringLiteral("/.qtm.dat-XXXXXX"));
    const bool Written = Copy.open() && Copy.write(Content) == Content.size() && Copy.flush() &&
                         ::fsync(Copy.handle()) == 0 &&
                         Copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!Written)
        return Fail(Error,
                    QStringLiteral("cannot write a data file in %1: %2").arg(Folder, Copy.errorString()));
    // QFile never renames over an existing file: one made meanwhile by another start is kept.
    // The temporary file goes with Copy when the rename fails.
    QFile Named(Copy.fileName());
    return Named.rename(DataFile) || QFileInfo::exists(DataFile) ||
           Fail(Error, QStringLiteral("cannot make %1: %2").arg(DataFile, Named.errorString()));
}

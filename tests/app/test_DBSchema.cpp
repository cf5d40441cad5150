#include "app/DBSchema.h"
#include "support/TestRoot.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray ReadFile(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

TEST(ColumnDefinitions, GivesEachColumnAsWrittenAndLeavesConstraintsOut)
{
    const struct
    {
        const char *Sql;
        QList<QPair<QString, QString>> Columns;
    } Cases[] = {
        {"CREATE TABLE T (A TEXT COLLATE NOCASE NOT NULL PRIMARY KEY, B INTEGER NOT NULL DEFAULT 0 "
         "CHECK (B IN (0, 1)))",
         {{"A", "A TEXT COLLATE NOCASE NOT NULL PRIMARY KEY"},
          {"B", "B INTEGER NOT NULL DEFAULT 0 CHECK (B IN (0, 1))"}}},
        {"CREATE TABLE T (\n  A TEXT, -- the key, (really)\n  B TEXT /* a, b */ DEFAULT 'x,)'\n)",
         {{"A", "A TEXT"}, {"B", "B TEXT DEFAULT 'x,)'"}}},
        {"CREATE TABLE T (\"Odd \"\"name\"\"\" TEXT, [x y] INT, `z` INT)",
         {{"Odd \"name\"", "\"Odd \"\"name\"\"\" TEXT"}, {"x y", "[x y] INT"}, {"z", "`z` INT"}}},
        {"CREATE TABLE T (A, B, PRIMARY KEY (A, B), UNIQUE (B), CHECK (A <> B), "
         "CONSTRAINT c FOREIGN KEY (A) REFERENCES U (X), \"check\" INT)",
         {{"A", "A"}, {"B", "B"}, {"check", "\"check\" INT"}}},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(ColumnDefinitions(Case.Sql), Case.Columns) << Case.Sql;
}

TEST(ReadTemplateSchema, ReadsTablesBeforeOtherObjectsAndTheCatalogueInOrder)
{
    TDbSchema Schema;
    QString Error;
    ASSERT_TRUE(ReadTemplateSchema(WAYFAREL_DATA_TEMPLATE, Schema, &Error)) << Error.toStdString();
    QStringList Types;
    for (const TDbObject &Object : Schema.Objects)
        if (Types.isEmpty() || Types.last() != Object.Type)
            Types.append(Object.Type);
    EXPECT_EQ(Types, QStringList({"table", "index"}));
    ASSERT_EQ(Schema.Catalogue.size(), 9);
    EXPECT_EQ(Schema.Catalogue.first().value("FUNC_CODE").toString(), "IE");
    EXPECT_EQ(Schema.Catalogue.last().value("FUNC_CODE").toString(), "BITCOMET");
}

TEST(ReadTemplateSchema, MissingOrForeignTemplateFails)
{
    TTestRoot Root;
    const QString Text = QDir(Root.Path()).filePath("text");
    QFile File(Text);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("not a database");
    File.close();
    for (const QString &Path : {QDir(Root.Path()).filePath("none"), Text}) {
        TDbSchema Schema;
        QString Error;
        EXPECT_FALSE(ReadTemplateSchema(Path, Schema, &Error)) << Path.toStdString();
        EXPECT_FALSE(Error.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(QDir(Root.Path()).filePath("none")));
}

TEST(MakeDataFile, CopiesTheTemplateIntoANewOwnerOnlyFolder)
{
    TTestRoot Root;
    const QString Folder = QDir(Root.Path()).filePath("share/wayfarel");
    const QString DataFile = Folder + "/qtm.dat";
    QString Error;
    ASSERT_TRUE(MakeDataFile(DataFile, WAYFAREL_DATA_TEMPLATE, &Error)) << Error.toStdString();
    EXPECT_EQ(ReadFile(DataFile), ReadFile(WAYFAREL_DATA_TEMPLATE));
    EXPECT_EQ(PermissionBits(DataFile), 0600u);
    EXPECT_EQ(PermissionBits(Folder), 0700u);
    EXPECT_EQ(QDir(Folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"qtm.dat"}));
}

TEST(MakeDataFile, NeverReplacesAnExistingFileNorChangesItsFolder)
{
    TTestRoot Root;
    const QByteArray Before = ReadFile(Root.DataFile());
    ASSERT_TRUE(QFile::resize(Root.DataFile(), Before.size() / 2));
    const QByteArray Cut = ReadFile(Root.DataFile());
    const unsigned FolderMode = PermissionBits(Root.DataFolder());
    EXPECT_TRUE(MakeDataFile(Root.DataFile(), WAYFAREL_DATA_TEMPLATE));
    EXPECT_EQ(ReadFile(Root.DataFile()), Cut);
    EXPECT_EQ(PermissionBits(Root.DataFolder()), FolderMode);
}

TEST(MakeDataFile, MissingTemplateFailsAndLeavesNothing)
{
    TTestRoot Root;
    ASSERT_TRUE(QFile::remove(Root.DataFile()));
    QString Error;
    EXPECT_FALSE(MakeDataFile(Root.DataFile(), QDir(Root.Path()).filePath("none"), &Error));
    EXPECT_FALSE(Error.isEmpty());
    EXPECT_TRUE(QDir(Root.DataFolder()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

} // namespace

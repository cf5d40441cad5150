#include "modules/ICQProxy.h"

#include "app/DBManager.h"
#include "locations/FuncDef.h"
#include "modules/ICQ6Examples.h"
#include "modules/ICQStore.h"
#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace {

using testing::HasSubstr;

const QString LocId = QStringLiteral("ICQPROXYTEST00000000000000000001");
const QString Settings = QStringLiteral("ConnectionSettings");

using TRecords = QList<QPair<QString, QByteArray>>;

// Runs statements on an SQLite file through a connection of the test's own, closed afterwards.
bool OnStore(const QString &FileName, const std::function<bool(QSqlQuery &)> &Body)
{
    bool Done = false;
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("icq-test"));
        Db.setDatabaseName(FileName);
        if (Db.open()) {
            QSqlQuery Query(Db);
            Done = Body(Query);
        }
        Db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("icq-test"));
    return Done;
}

QByteArray Bytes(const QString &FileName)
{
    QFile File(FileName);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(unreadable)");
}

class ICQProxy : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        QDir::home().mkpath(".ICQ");
    }
    void TearDown() override
    {
        TDatabaseTest::TearDown();
        TFuncDefine::FreeInstance();
    }

    static QString Store() { return TICQProxy::SettingsFile(); }

    // ICQ's store holding Records in table order, in a table made by Schema.
    static void
    MakeStore(const TRecords &Records,
              const QString &Schema = QStringLiteral("CREATE TABLE records (section TEXT, data BLOB)"))
    {
        QFile::remove(Store());
        ASSERT_TRUE(OnStore(Store(), [&](QSqlQuery &Query) {
            if (!Query.exec(Schema))
                return false;
            for (const auto &[Section, Data] : Records) {
                Query.prepare(QStringLiteral("INSERT INTO records (section, data) VALUES (?, ?)"));
                Query.addBindValue(Section);
                Query.addBindValue(Data);
                if (!Query.exec())
                    return false;
            }
            return true;
        }));
    }

    // The data of every record, in table order.
    static QList<QByteArray> StoredData()
    {
        QList<QByteArray> Data;
        OnStore(Store(), [&](QSqlQuery &Query) {
            Query.exec(QStringLiteral("SELECT data FROM records ORDER BY rowid"));
            while (Query.next())
                Data.append(Query.value(0).toByteArray());
            return true;
        });
        return Data;
    }

    // Manual settings for the server ab:5190 through the proxy cd:1080 of user u, password p.
    static std::unique_ptr<TICQProxy> Manual(int ProxyType, bool NeedAuth)
    {
        auto Module = TCustomProxy::Create<TICQProxy>(LocId);
        Module->SetEnableProxy(true);
        Module->SetServer("ab");
        Module->SetPort(5190);
        Module->SetProxyType(ProxyType);
        Module->SetProxyServer("cd");
        Module->SetProxyPort(1080);
        Module->SetIsNeedAuth(NeedAuth);
        Module->SetUser("u");
        Module->SetPwd("p");
        return Module;
    }
};

} // namespace

TEST_F(ICQProxy, ASwitchReplacesTheConnectionSettingsRecordWithTheLocationsShape)
{
    const struct
    {
        const char *Case;
        bool Manual;
        int ProxyType;
        bool NeedAuth;
        QByteArray Expected;
        const char *Change;
    } Cases[] = {
        {"automatic", false, 3, true, ICQ6Examples::Automatic, "automatic"},
        {"manual, no proxy", true, 0, true, ICQ6Examples::NoProxy, "\"ab:5190\", no proxy"},
        {"HTTPS without authentication", true, 2, false, ICQ6Examples::HttpsProxy, "HTTPS proxy \"cd:1080\""},
        {"SOCKS4 with authentication", true, 3, true, ICQ6Examples::Socks4WithAuthentication,
         "SOCKS4 proxy \"cd:1080\""},
    };
    for (const auto &Case : Cases) {
        MakeStore({{"General", "keep"}, {Settings, "old"}, {"Other", "keep too"}});
        auto Module = Manual(Case.ProxyType, Case.NeedAuth);
        Module->SetEnableProxy(Case.Manual);
        QStringList Reasons;
        EXPECT_TRUE(Module->Check(&Reasons)) << Case.Case << ": " << Reasons.join("; ").toStdString();
        ASSERT_TRUE(Module->ChangeTo()) << Case.Case << ": " << Module->LastError().toStdString();
        EXPECT_EQ(StoredData(), QList<QByteArray>({"keep", Case.Expected, "keep too"})) << Case.Case;
        EXPECT_THAT(Module->Changes().join("; ").toStdString(), HasSubstr(Case.Change)) << Case.Case;
    }
}

TEST_F(ICQProxy, OnlyTheFirstOfTwoConnectionSettingsRecordsIsReplaced)
{
    MakeStore({{"General", "keep"}, {Settings, "first"}, {Settings, "second"}});
    ASSERT_TRUE(Manual(0, false)->ChangeTo());
    EXPECT_EQ(StoredData(), QList<QByteArray>({"keep", ICQ6Examples::NoProxy, "second"}));
}

TEST_F(ICQProxy, WithoutAnExactConnectionSettingsRecordNothingIsWritten)
{
    const struct
    {
        const char *Case;
        TRecords Records;
    } Cases[] = {
        {"other letter case", {{"connectionsettings", "old"}, {"CONNECTIONSETTINGS", "old"}}},
        {"a blank more", {{"ConnectionSettings ", "old"}}},
        {"no such record", {{"General", "old"}}},
        {"no record at all", {}},
    };
    for (const auto &Case : Cases) {
        MakeStore(Case.Records);
        const QByteArray Before = Bytes(Store());
        auto Module = Manual(0, false);
        ASSERT_TRUE(Module->ChangeTo()) << Case.Case << ": " << Module->LastError().toStdString();
        EXPECT_EQ(Bytes(Store()), Before) << Case.Case;
        EXPECT_THAT(Module->Changes().join("; ").toStdString(), HasSubstr("nothing written")) << Case.Case;
    }
}

// A program that holds the store (as ICQ does while it runs) makes the step fail at once, and
// the record stays as it was; once the store is free again the switch writes it.
TEST_F(ICQProxy, AStoreHeldByAnotherProgramFailsTheStepAndStaysAsItWas)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("sqlite3").isEmpty())
        << "sqlite3 is installed with the tools";
    MakeStore({{Settings, "old"}});
    QProcess Holder;
    Holder.start("sqlite3", {Store()});
    Holder.write("PRAGMA locking_mode=EXCLUSIVE;\nBEGIN EXCLUSIVE;\n.print held\n");
    while (!Holder.readAllStandardOutput().contains("held"))
        ASSERT_TRUE(Holder.waitForReadyRead(10000)) << "sqlite3 does not hold the store";

    auto Module = Manual(0, false);
    EXPECT_FALSE(Module->ChangeTo());
    EXPECT_THAT(Module->LastError().toStdString(), HasSubstr("held by another program"));

    Holder.closeWriteChannel();
    ASSERT_TRUE(Holder.waitForFinished(10000));
    EXPECT_EQ(StoredData(), QList<QByteArray>({"old"}));
    ASSERT_TRUE(Module->ChangeTo()) << Module->LastError().toStdString();
    EXPECT_EQ(StoredData(), QList<QByteArray>({ICQ6Examples::NoProxy}));
}

TEST_F(ICQProxy, ABrokenStoreFailsWithTheReasonAndIsNotChanged)
{
    const auto MakeBroken = [](const QByteArray &Bytes) {
        QFile File(Store());
        return File.open(QIODevice::WriteOnly | QIODevice::Truncate) && File.write(Bytes) == Bytes.size();
    };
    const struct
    {
        const char *Case;
        std::function<void()> Make;
        bool CheckRefuses;
        const char *Reason;
    } Cases[] = {
        {"not a database", [&] { MakeBroken("[ConnectionSettings]\nProxy=1\n"); }, true,
         "not an SQLite database"},
        {"empty", [&] { MakeBroken(""); }, true, "not an SQLite database"},
        {"truncated after its first page",
         [&] {
             MakeStore({{"General", QByteArray(5000, 'x')}, {Settings, "old"}});
             MakeBroken(Bytes(Store()).left(4096));
         },
         false, "malformed"},
        {"no table records", [] { MakeStore({}, "CREATE TABLE other (section TEXT, data BLOB)"); }, false,
         "no such table"},
        {"no column data", [] { MakeStore({}, "CREATE TABLE records (section TEXT, value BLOB)"); }, false,
         "no such column"},
        {"a symbolic link",
         [] {
             MakeStore({{Settings, "old"}});
             QFile::rename(Store(), Store() + ".real");
             QFile::link(Store() + ".real", Store());
         },
         true, "symbolic link"},
        {"a folder", [] { QDir().mkpath(Store()); }, true, "not a regular file"},
        {"a pipe", [] { mkfifo(QFile::encodeName(Store()).constData(), 0600); }, true, "not a regular file"},
    };
    for (const auto &Case : Cases) {
        QDir(QDir::home().filePath(".ICQ")).removeRecursively();
        QDir::home().mkpath(".ICQ");
        Case.Make();
        ASSERT_TRUE(TICQProxy::IsInstalled()) << Case.Case;
        const QByteArray Before = QFileInfo(Store()).isFile() ? Bytes(Store()) : QByteArray();
        auto Module = Manual(0, false);
        QStringList Reasons;
        EXPECT_EQ(Module->Check(&Reasons), !Case.CheckRefuses) << Case.Case;
        if (Case.CheckRefuses) {
            EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr(Case.Reason)) << Case.Case;
        }
        EXPECT_FALSE(Module->ChangeTo()) << Case.Case;
        EXPECT_THAT(Module->LastError().toStdString(), HasSubstr(Case.Reason)) << Case.Case;
        if (QFileInfo(Store()).isFile()) {
            EXPECT_EQ(Bytes(Store()), Before) << Case.Case;
        }
    }
}

TEST_F(ICQProxy, AStoreTheUserCannotWriteIsRefused)
{
    MakeStore({{Settings, "old"}});
    FRoot.OpenToOthers();
    QFile::setPermissions(QDir::home().filePath(".ICQ"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                             QFileDevice::ExeOther);
    QFile::setPermissions(Store(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    auto Module = Manual(0, false);
    const int Outcome = RunUnprivileged([&] {
        QStringList Reasons;
        bool Replaced = false;
        QString Error;
        const bool Refused = !Module->Check(&Reasons) && Reasons.join(";").contains("cannot be written");
        const bool Failed = !ReplaceConnectionSettings(Store(), "new", &Replaced, &Error) && !Error.isEmpty();
        return Refused && Failed ? 0 : 1;
    });
    EXPECT_EQ(Outcome, 0);
    EXPECT_EQ(StoredData(), QList<QByteArray>({"old"}));
}

TEST_F(ICQProxy, CheckRefusesNumbersTheRecordCannotCarry)
{
    const struct
    {
        const char *Case;
        int Port;
        int ProxyType;
        int ProxyPort;
        const char *Reason;
    } Cases[] = {
        {"server port", 65536, 0, 0, "server port 65536"},
        {"negative server port", -1, 0, 0, "server port -1"},
        {"proxy type", 5190, 5, 1080, "proxy type 5"},
        {"proxy port", 5190, 4, 70000, "proxy port 70000"},
    };
    MakeStore({{Settings, "old"}});
    for (const auto &Case : Cases) {
        auto Module = Manual(Case.ProxyType, false);
        Module->SetPort(Case.Port);
        Module->SetProxyPort(Case.ProxyPort);
        QStringList Reasons;
        EXPECT_FALSE(Module->Check(&Reasons)) << Case.Case;
        EXPECT_THAT(Reasons.join("; ").toStdString(), HasSubstr(Case.Reason)) << Case.Case;
        Module->SetEnableProxy(false);
        Reasons.clear();
        EXPECT_TRUE(Module->Check(&Reasons)) << Case.Case << ": automatic settings carry no numbers";
    }
}

TEST_F(ICQProxy, WithoutAStoreOrSwitchedOffTheSwitchChangesNothing)
{
    EXPECT_FALSE(TICQProxy::IsInstalled());
    auto Absent = Manual(0, false);
    EXPECT_TRUE(Absent->ChangeTo());
    EXPECT_FALSE(QFile::exists(Store())) << "the store is never made";

    MakeStore({{Settings, "old"}});
    Exec("UPDATE FUNC_DEF SET FUNC_EANBLED=0 WHERE FUNC_CODE='ICQ'");
    EXPECT_TRUE(Manual(0, false)->ChangeTo());
    EXPECT_EQ(StoredData(), QList<QByteArray>({"old"}));
}

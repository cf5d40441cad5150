#include "platform/registry/Registry.h"
#include "support/Errors.h"
#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QThread>
#include <functional>
#include <sys/stat.h>

namespace {

const QString KKey = QStringLiteral("SOFTWARE\\Brackwell\\Wayfarel");

QByteArray FileBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFileBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString HiveFile(const TTestRoot &root, TRootKey key)
{
    return QDir(root.RegistryDir()).filePath(RootKeyName(key) + QStringLiteral(".reg"));
}

int FileMode(const QString &path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

std::unique_ptr<QProcess> StartWriter(const QStringList &args)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(WAYFAREL_BIN_DIR "/regwriter"), args);
    return process;
}

struct TRoundTrip
{
    const char *Label;
    std::function<void(TRegistry &)> Write;
    std::function<void(const TRegistry &)> Check;
    TRegDataType Type;
    int Size;
};

} // namespace

TEST(Registry, EveryTypeRoundTripsThroughTheHive)
{
    TTestRoot root;
    const QString text = QStringLiteral("Grüße \"q\" C:\\x");
    const QByteArray blob("\x00\x01\xff", 3);
    const QByteArray multi = TRegValue::FromMultiString({"a", "b"}).Data;
    const QList<TRoundTrip> cases = {
        {"string", [&](TRegistry &r) { r.WriteString("V", text); },
         [&](const TRegistry &r) { EXPECT_EQ(r.ReadString("V"), text); }, REG_SZ, 30},
        {"empty string", [](TRegistry &r) { r.WriteString("V", ""); },
         [](const TRegistry &r) { EXPECT_EQ(r.ReadString("V"), ""); }, REG_SZ, 2},
        {"string with line break", [](TRegistry &r) { r.WriteString("V", "a\r\nb"); },
         [](const TRegistry &r) { EXPECT_EQ(r.ReadString("V"), "a\r\nb"); }, REG_SZ, 10},
        {"expand string", [](TRegistry &r) { r.WriteExpandString("V", "%HOME%\\bin"); },
         [](const TRegistry &r) { EXPECT_EQ(r.ReadExpandString("V"), "%HOME%\\bin"); }, REG_EXPAND_SZ, 22},
        {"integer", [](TRegistry &r) { r.WriteInteger("V", -7); },
         [](const TRegistry &r) { EXPECT_EQ(r.ReadInteger("V"), -7); }, REG_DWORD, 4},
        {"bool", [](TRegistry &r) { r.WriteBool("V", true); },
         [](const TRegistry &r) {
             EXPECT_TRUE(r.ReadBool("V"));
             EXPECT_EQ(r.ReadInteger("V"), 1);
         },
         REG_DWORD, 4},
        {"binary", [&](TRegistry &r) { r.WriteBinaryData("V", blob); },
         [&](const TRegistry &r) { EXPECT_EQ(r.ReadBinaryData("V"), blob); }, REG_BINARY, 3},
        {"multi-string", [&](TRegistry &r) { r.WriteRaw("V", REG_MULTI_SZ, multi); },
         [&](const TRegistry &r) {
             EXPECT_EQ(r.ReadRaw("V"), (TRegValue{REG_MULTI_SZ, multi}));
         },
         REG_MULTI_SZ, 10},
    };
    for (const TRoundTrip &c : cases) {
        SCOPED_TRACE(c.Label);
        const QString key = KKey + '\\' + c.Label;
        TRegistry writer(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(writer.OpenKey(key, true));
        c.Write(writer);

        TRegistry reader(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(reader.OpenKeyReadOnly(key));
        c.Check(reader);
        EXPECT_EQ(reader.GetDataType("V"), c.Type);
        EXPECT_EQ(reader.GetDataSize("V"), c.Size);
    }
}

TEST(Registry, TypedReadOfAnotherTypeRaisesInvalidDataType)
{
    TTestRoot root;
    struct TCase
    {
        const char *Label;
        std::function<void(TRegistry &)> Write;
        std::function<void(const TRegistry &)> Read;
    };
    const QList<TCase> cases = {
        {"integer of string", [](TRegistry &r) { r.WriteString("V", "2"); },
         [](const TRegistry &r) { r.ReadInteger("V"); }},
        {"bool of string", [](TRegistry &r) { r.WriteString("V", "1"); },
         [](const TRegistry &r) { r.ReadBool("V"); }},
        {"string of integer", [](TRegistry &r) { r.WriteInteger("V", 2); },
         [](const TRegistry &r) { r.ReadString("V"); }},
        {"expand string of binary", [](TRegistry &r) { r.WriteBinaryData("V", "ab"); },
         [](const TRegistry &r) { r.ReadExpandString("V"); }},
        {"string of multi-string", [](TRegistry &r) { r.WriteRaw("V", REG_MULTI_SZ, QByteArray(2, 0)); },
         [](const TRegistry &r) { r.ReadString("V"); }},
        {"binary of string", [](TRegistry &r) { r.WriteString("V", "x"); },
         [](const TRegistry &r) { r.ReadBinaryData("V"); }},
        {"binary of integer", [](TRegistry &r) { r.WriteInteger("V", 1); },
         [](const TRegistry &r) { r.ReadBinaryData("V"); }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        TRegistry registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(KKey + '\\' + c.Label, true));
        c.Write(registry);
        EXPECT_EQ(ErrorOf<ERegistryException>([&] { c.Read(registry); }), "Invalid data type for 'V'");
    }
}

TEST(Registry, MissingValueRaisesOnTypedReadAndReportsNoData)
{
    TTestRoot root;
    TRegistry registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadString("Nope"); }),
              "Failed to get data for 'Nope'");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadInteger("Nope"); }),
              "Failed to get data for 'Nope'");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadBinaryData("Nope"); }),
              "Failed to get data for 'Nope'");
    EXPECT_FALSE(registry.ValueExists("Nope"));
    EXPECT_EQ(registry.GetDataSize("Nope"), -1);
    EXPECT_EQ(registry.GetDataType("Nope"), REG_NONE);
}

TEST(Registry, PathsWithAndWithoutLeadingSeparatorNameTheSameKey)
{
    TTestRoot root;
    TRegistry writer(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(writer.OpenKey("\\SOFTWARE\\Brackwell\\Wayfarel", true));
    EXPECT_EQ(writer.CurrentPath(), KKey);
    writer.WriteInteger("DefaultUI", 2);

    TRegistry reader(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reader.OpenKey("SOFTWARE\\Brackwell\\Wayfarel", false));
    EXPECT_EQ(reader.ReadInteger("defaultui"), 2);
    ASSERT_TRUE(reader.OpenKeyReadOnly("\\software\\BRACKWELL\\wayfarel"));
    EXPECT_EQ(reader.GetValueNames(), QStringList{"DefaultUI"});

    // Names keep the spelling they were created with.
    reader.OpenKey("\\software", false);
    EXPECT_EQ(reader.GetKeyNames(), QStringList{"Brackwell"});
    // Without a leading separator the path is taken relative to the open key.
    ASSERT_TRUE(reader.OpenKey("brackwell", false));
    EXPECT_EQ(reader.CurrentPath(), "software\\brackwell");

    EXPECT_FALSE(TRegistry(HKEY_CURRENT_USER).KeyExists(KKey));
}

TEST(Registry, KeysAreCreatedOnlyOnRequestAndDeletedWithTheirSubkeys)
{
    TTestRoot root;
    TRegistry registry(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.OpenKey("A\\B\\C", false));
    EXPECT_FALSE(registry.OpenKeyReadOnly("A\\B\\C"));
    EXPECT_FALSE(QFile::exists(HiveFile(root, HKEY_LOCAL_MACHINE)));

    ASSERT_TRUE(registry.OpenKey("A\\B\\C", true));
    registry.WriteString("X", "1");
    EXPECT_TRUE(registry.KeyExists("\\A\\B"));
    EXPECT_TRUE(registry.DeleteValue("x"));
    EXPECT_FALSE(registry.DeleteValue("x"));

    registry.CloseKey();
    EXPECT_TRUE(registry.DeleteKey("A\\B"));
    EXPECT_FALSE(registry.KeyExists("A\\B\\C"));
    EXPECT_TRUE(registry.KeyExists("A"));
    EXPECT_FALSE(registry.DeleteKey("A\\B"));
}

TEST(Registry, ReadOnlyKeyRefusesWrites)
{
    TTestRoot root;
    TRegistry writer(HKEY_CURRENT_USER);
    ASSERT_TRUE(writer.OpenKey(KKey, true));
    writer.WriteString("Skinname", "Blue");

    TRegistry reader(HKEY_CURRENT_USER);
    ASSERT_TRUE(reader.OpenKeyReadOnly(KKey));
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { reader.WriteString("Skinname", "Red"); }),
              "Failed to set data for 'Skinname'");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { reader.WriteInteger("Other", 1); }),
              "Failed to set data for 'Other'");
    EXPECT_FALSE(reader.DeleteValue("Skinname"));
    EXPECT_EQ(reader.ReadString("Skinname"), "Blue");
    EXPECT_FALSE(reader.ValueExists("Other"));

    TRegistry closed(HKEY_CURRENT_USER);
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { closed.WriteString("Skinname", "Red"); }),
              "Failed to set data for 'Skinname'");
}

TEST(Registry, ReadsAHandWrittenHive)
{
    TTestRoot root;
    const QStringList lines = {
        "Windows Registry Editor Version 5.00",
        "",
        "; edited by hand",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brackwell\\Portolan]",
        "@=\"default\"",
        R"("Path"="C:\\Program Files\\\"Way\"")",
        "\"Count\"=dword:0000000a",
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\",
        "  16,17,18,19",
        "\"Expand\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00",
        "\"LocIds\"=hex(7):61,00,00,00,62,00,00,00,00,00",
        "",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brackwell\\Portolan\\Sub]",
        "",
    };
    WriteFileBytes(HiveFile(root, HKEY_LOCAL_MACHINE), lines.join("\r\n").toUtf8());

    TRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKeyReadOnly("SOFTWARE\\Brackwell\\Portolan"));
    EXPECT_EQ(registry.ReadString(""), "default");
    EXPECT_EQ(registry.ReadString("Path"), "C:\\Program Files\\\"Way\"");
    EXPECT_EQ(registry.ReadInteger("Count"), 10);
    QByteArray blob;
    for (char b = 0; b < 26; ++b)
        blob.append(b);
    EXPECT_EQ(registry.ReadBinaryData("Blob"), blob);
    EXPECT_EQ(registry.ReadExpandString("Expand"), "%HOME%");
    EXPECT_EQ(registry.ReadRaw("LocIds"), TRegValue::FromMultiString({"a", "b"}));
    EXPECT_EQ(registry.GetKeyNames(), QStringList{"Sub"});
}

// A hive is parsed once while it stays the same file; whatever another program does to it, in
// place or by rename, is read at the next access.
TEST(Registry, EveryChangeOfTheHiveFileIsSeenByTheNextRead)
{
    TTestRoot root;
    const auto hive = [](const char *value) {
        return QByteArray("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"V\"=\"") +
               value + "\"\r\n";
    };
    const auto read = [] {
        TRegistry registry(HKEY_CURRENT_USER);
        return registry.OpenKeyReadOnly("A") ? registry.ReadString("V") : QString();
    };
    const QString file = HiveFile(root, HKEY_CURRENT_USER);
    QDir().mkpath(root.RegistryDir());
    WriteFileBytes(file, hive("one"));
    EXPECT_EQ(read(), "one");
    EXPECT_EQ(read(), "one");
    {
        QFile inPlace(file);
        ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite));
        inPlace.write(hive("two")); // the same size, the same inode
    }
    EXPECT_EQ(read(), "two");
    ASSERT_TRUE(QFile::remove(file));
    WriteFileBytes(file, hive("six"));
    EXPECT_EQ(read(), "six");
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_EQ(read(), "");
}

TEST(Registry, WritesTheRegistryEditorFormat)
{
    TTestRoot root;
    const QByteArray blob(100, '\x5a');
    TRegistry registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    registry.WriteString("Skinname", "C:\\x \"y\"");
    registry.WriteInteger("Count", 10);
    registry.WriteExpandString("Path", "%A%");
    registry.WriteBinaryData("Blob", blob);

    const QString text = QString::fromUtf8(FileBytes(HiveFile(root, HKEY_CURRENT_USER)));
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n\n"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\SOFTWARE\\Brackwell\\Wayfarel]\n"));
    EXPECT_TRUE(text.contains(R"("Skinname"="C:\\x \"y\"")"));
    EXPECT_TRUE(text.contains("\"Count\"=dword:0000000a\n"));
    EXPECT_TRUE(text.contains("\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"));
    EXPECT_TRUE(text.contains("5a,\\\n  5a,"));
    for (const QString &line : text.split('\n'))
        EXPECT_LE(line.size(), 80) << line.toStdString();

    TRegistry reader(HKEY_CURRENT_USER);
    ASSERT_TRUE(reader.OpenKeyReadOnly(KKey));
    EXPECT_EQ(reader.ReadBinaryData("Blob"), blob);
}

TEST(Registry, UnparseableHiveRaisesWithFileAndLineAndIsNeverOverwritten)
{
    TTestRoot root;
    const QString fileName = HiveFile(root, HKEY_LOCAL_MACHINE);
    const QByteArray broken = "Windows Registry Editor Version 5.00\n\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
                              "\"Count\"=dword:xyz\n";
    WriteFileBytes(fileName, broken);

    TRegistry registry(HKEY_LOCAL_MACHINE);
    const QString error = ErrorOf<ERegistryException>([&] { registry.OpenKey("SOFTWARE\\New", true); });
    EXPECT_TRUE(error.contains(fileName)) << error.toStdString();
    EXPECT_TRUE(error.contains("line 4")) << error.toStdString();
    EXPECT_THROW(registry.KeyExists("SOFTWARE"), EHiveParseError);
    EXPECT_THROW(registry.DeleteKey("SOFTWARE"), EHiveParseError);
    EXPECT_EQ(FileBytes(fileName), broken);
}

TEST(Registry, HivesLiveInTheConfigFolderWithPrivateModes)
{
    TTestRoot root;
    qunsetenv("WAYFAREL_REGISTRY");
    TRegistry user(HKEY_CURRENT_USER);
    ASSERT_TRUE(user.OpenKey(KKey, true));
    user.WriteString("Skinname", "Blue");
    const QString folder = root.Path() + "/config/wayfarel/registry";
    EXPECT_EQ(FileMode(folder), 0700);
    EXPECT_EQ(FileMode(folder + "/HKEY_CURRENT_USER.reg"), 0600);

    qunsetenv("XDG_CONFIG_HOME");
    TRegistry machine(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(machine.OpenKey(KKey, true));
    EXPECT_TRUE(QFile::exists(root.Path() + "/home/.config/wayfarel/registry/HKEY_LOCAL_MACHINE.reg"));
}

TEST(Registry, FailedSaveLeavesTheOldHiveIntact)
{
    TTestRoot root;
    const QString fileName = HiveFile(root, HKEY_LOCAL_MACHINE);
    TRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    registry.WriteString("Keep", "old");
    const QByteArray before = FileBytes(fileName);
    // What a writer killed half-way through its temporary file leaves behind.
    WriteFileBytes(fileName + ".aB3dEf", "Windows Registry Ed");

    // The writer may not grow a file past 4 KiB, so saving a 64 KiB value fails.
    const auto writer(StartWriter({"limited", KKey, "Blob", "65536", "4096"}));
    ASSERT_TRUE(writer->waitForFinished(60000));
    EXPECT_EQ(writer->exitCode(), 3);
    EXPECT_TRUE(writer->readAllStandardError().contains("Cannot save registry hive"));

    EXPECT_EQ(FileBytes(fileName), before);
    EXPECT_EQ(registry.ReadString("Keep"), "old");
    EXPECT_FALSE(registry.ValueExists("Blob"));
    registry.WriteString("Keep", "new");
    EXPECT_EQ(registry.ReadString("Keep"), "new");
}

TEST(Registry, KilledWriterNeverLeavesATornHive)
{
    TTestRoot root;
    const QString fileName = HiveFile(root, HKEY_LOCAL_MACHINE);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const QString prefix = QStringLiteral("R%1_").arg(round);
        const auto writer(StartWriter({"write", KKey, prefix, "0"}));
        ASSERT_TRUE(writer->waitForStarted());
        for (int wait = 0; wait < 500 && !FileBytes(fileName).contains(prefix.toUtf8()); ++wait)
            QThread::msleep(10);
        QThread::msleep(50 + 70 * round);
        writer->kill();
        ASSERT_TRUE(writer->waitForFinished());

        TRegistry registry(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKeyReadOnly(KKey));
        const QStringList names = registry.GetValueNames().filter(prefix);
        ASSERT_FALSE(names.isEmpty());
        for (int i = 0; i < names.size(); ++i)
            EXPECT_EQ(registry.ReadInteger(prefix + QString::number(i)), i);
    }
}

TEST(Registry, ConcurrentWritersLoseNothing)
{
    TTestRoot root;
    const int count = 150;
    const auto first(StartWriter({"write", KKey, "A", QString::number(count)}));
    const auto second(StartWriter({"write", KKey, "B", QString::number(count)}));
    ASSERT_TRUE(first->waitForFinished(120000));
    ASSERT_TRUE(second->waitForFinished(120000));
    ASSERT_EQ(first->exitCode(), 0);
    ASSERT_EQ(second->exitCode(), 0);

    TRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKeyReadOnly(KKey));
    EXPECT_EQ(registry.GetValueNames().size(), 2 * count);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(registry.ReadInteger(QStringLiteral("A%1").arg(i)), i);
        EXPECT_EQ(registry.ReadInteger(QStringLiteral("B%1").arg(i)), i);
    }
}

namespace {

// Keys and values in memory; refuses writes while Busy is set.
class TMapProvider : public IRegistryProvider
{
public:
    QHash<QString, QList<TRegNamedValue>> Keys; // by lower-case relative path
    bool Busy = false;

    bool KeyExists(const QString &path) override { return Keys.contains(path.toLower()); }
    QStringList KeyNames(const QString &path) override
    {
        QStringList names;
        const QString prefix = path.isEmpty() ? path : path.toLower() + '\\';
        for (auto it = Keys.cbegin(); it != Keys.cend(); ++it)
            if (!it.key().isEmpty() && it.key().startsWith(prefix) &&
                !it.key().mid(prefix.size()).contains('\\'))
                names.append(it.key().mid(prefix.size()));
        return names;
    }
    QStringList ValueNames(const QString &path) override
    {
        QStringList names;
        for (const TRegNamedValue &value : Keys.value(path.toLower()))
            names.append(value.Name);
        return names;
    }
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override
    {
        for (const TRegNamedValue &value : Keys.value(path.toLower()))
            if (value.Name.compare(name, Qt::CaseInsensitive) == 0)
                return value.Value;
        return std::nullopt;
    }
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override
    {
        if (Busy)
            throw ERegistryException("the adapter is busy");
        DeleteValue(path, name);
        Keys[path.toLower()].append({name, value});
    }
    void DeleteValue(const QString &path, const QString &name) override
    {
        Keys[path.toLower()].removeIf(
            [&](const TRegNamedValue &v) { return v.Name.compare(name, Qt::CaseInsensitive) == 0; });
    }
};

const QString KClass =
    QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}");

// Mounts a provider for one test and takes it away again however the test ends.
struct TMounted
{
    std::shared_ptr<TMapProvider> Provider = std::make_shared<TMapProvider>();
    TMounted()
    {
        Provider->Keys[""] = {};
        Provider->Keys["0001"] = {{"DriverDesc", TRegValue::FromString(REG_SZ, "veth0")}};
        TRegistry::Mount(HKEY_LOCAL_MACHINE, KClass, Provider);
    }
    ~TMounted() { TRegistry::Unmount(HKEY_LOCAL_MACHINE, KClass); }
};

} // namespace

TEST(Registry, MountedProviderServesItsSubtree)
{
    TTestRoot root;
    TMounted mounted;
    TRegistry registry(HKEY_LOCAL_MACHINE);

    ASSERT_TRUE(registry.OpenKey("\\SYSTEM\\CurrentControlSet\\Control\\Class", false));
    EXPECT_EQ(registry.GetKeyNames(), QStringList{"{4D36E972-E325-11CE-BFC1-08002BE10318}"});
    ASSERT_TRUE(registry.OpenKey("\\" + KClass, false));
    EXPECT_EQ(registry.GetKeyNames(), QStringList{"0001"});

    ASSERT_TRUE(registry.OpenKey("\\" + KClass.toLower() + "\\0001", false));
    EXPECT_EQ(registry.ReadString("DriverDesc"), "veth0");
    registry.WriteString("NetworkAddress", "02AABBCCDDEE");
    EXPECT_EQ(mounted.Provider->ReadValue("0001", "networkaddress"),
              TRegValue::FromString(REG_SZ, "02AABBCCDDEE"));
    EXPECT_FALSE(FileBytes(HiveFile(root, HKEY_LOCAL_MACHINE)).contains("NetworkAddress"));
    EXPECT_TRUE(registry.DeleteValue("NetworkAddress"));
    EXPECT_FALSE(registry.ValueExists("NetworkAddress"));

    mounted.Provider->Busy = true;
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.WriteString("NetworkAddress", "x"); }),
              "the adapter is busy");
    EXPECT_FALSE(registry.OpenKey(KClass + "\\0002", true));
    EXPECT_FALSE(registry.DeleteKey("\\" + KClass + "\\0001"));
}

TEST(Registry, UnmountedSubtreeFallsBackToTheHive)
{
    TTestRoot root;
    {
        TMounted mounted;
        EXPECT_TRUE(TRegistry(HKEY_LOCAL_MACHINE).KeyExists(KClass + "\\0001"));
    }
    TRegistry registry(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.KeyExists(KClass + "\\0001"));
    ASSERT_TRUE(registry.OpenKey(KClass + "\\0001", true));
    registry.WriteString("DriverDesc", "stored");
    EXPECT_TRUE(FileBytes(HiveFile(root, HKEY_LOCAL_MACHINE)).contains("stored"));
}

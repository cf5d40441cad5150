#include "app/ExtRegistry.h"
#include "support/Errors.h"
#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <functional>

namespace {

const QString KKey = QStringLiteral("\\SOFTWARE\\Brackwell\\Portolan");

QByteArray Utf16(const char16_t *text, qsizetype length)
{
    return QByteArray(reinterpret_cast<const char *>(text), length * 2);
}

QByteArray HiveBytes(const TTestRoot &root)
{
    QFile file(QDir(root.RegistryDir()).filePath("HKEY_LOCAL_MACHINE.reg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ExtRegistry, TwoLineListRoundTripsAsExactlyTwoItems)
{
    TTestRoot root;
    const QStringList list = {"10.0.0.1", "10.0.0.2"};
    TExtRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    registry.WriteMutiString("LocIds", list.join("\r\n") + "\r\n");

    EXPECT_EQ(registry.ReadRaw("LocIds"), (TRegValue{REG_MULTI_SZ, Utf16(u"10.0.0.1\0"
                                                                         u"10.0.0.2\0\0",
                                                                         19)}));
    EXPECT_EQ(registry.GetDataSize("LocIds"), 38);
    QStringList values = {"stale"};
    registry.ReadStrings("LocIds", values);
    EXPECT_EQ(values, list);
}

TEST(ExtRegistry, EmptyListIsStoredAsAnEmptyMultiStringAndReadsBackEmpty)
{
    TTestRoot root;
    TExtRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    registry.WriteMutiString("LocNames", "");
    EXPECT_EQ(registry.ReadRaw("LocNames"), (TRegValue{REG_MULTI_SZ, QByteArray(2, '\0')}));
    QStringList values = {"stale"};
    registry.ReadStrings("LocNames", values);
    EXPECT_TRUE(values.isEmpty());
}

TEST(ExtRegistry, ReadStringsAcceptsListDataAndRefusesStringsAndIntegers)
{
    TTestRoot root;
    struct TCase
    {
        const char *Label;
        std::function<void(TExtRegistry &)> Write;
        QStringList Expected;
        QString Error;
    };
    const QString none = QStringLiteral("no error");
    const QString invalid = QStringLiteral("Invalid data type for 'V'");
    const QList<TCase> cases = {
        {"only the empty item",
         [](TExtRegistry &r) { r.WriteRaw("V", REG_MULTI_SZ, QByteArray(4, 0)); },
         {},
         none},
        {"zero bytes", [](TExtRegistry &r) { r.WriteRaw("V", REG_MULTI_SZ, {}); }, {}, none},
        {"missing", [](TExtRegistry &) {}, {}, none},
        {"binary data",
         [](TExtRegistry &r) { r.WriteBinaryData("V", Utf16(u"a\0b\0\0", 5)); },
         {"a", "b"},
         none},
        {"no terminators",
         [](TExtRegistry &r) { r.WriteRaw("V", REG_MULTI_SZ, Utf16(u"a\0b", 3)); },
         {"a", "b"},
         none},
        {"cut at the first NUL pair",
         [](TExtRegistry &r) { r.WriteRaw("V", REG_MULTI_SZ, Utf16(u"a\0\0b\0\0", 6)); },
         {"a"},
         none},
        {"string", [](TExtRegistry &r) { r.WriteString("V", "a"); }, {}, invalid},
        {"expand string", [](TExtRegistry &r) { r.WriteExpandString("V", "a"); }, {}, invalid},
        {"integer", [](TExtRegistry &r) { r.WriteInteger("V", 3); }, {}, invalid},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        TExtRegistry registry(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey(KKey + '\\' + c.Label, true));
        c.Write(registry);
        QStringList values = {"stale"};
        EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadStrings("V", values); }), c.Error);
        if (c.Error == none) {
            EXPECT_EQ(values, c.Expected);
        }
    }
}

TEST(ExtRegistry, DefReadsReturnTheDefaultForMissingValuesWithoutCreatingThem)
{
    TTestRoot root;
    TExtRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    const QByteArray before = HiveBytes(root);

    EXPECT_TRUE(registry.ReadBoolDef("Flag", true));
    EXPECT_FALSE(registry.ReadBoolDef("Flag", false));
    EXPECT_EQ(registry.ReadIntegerDef("DefaultUI", 1), 1);
    EXPECT_EQ(registry.ReadStringDef("CurrentLocId", "none"), "none");

    EXPECT_FALSE(registry.ValueExists("Flag"));
    EXPECT_TRUE(registry.GetValueNames().isEmpty());
    EXPECT_EQ(HiveBytes(root), before);
}

TEST(ExtRegistry, DefReadsReturnStoredValuesAndRefuseOtherTypes)
{
    TTestRoot root;
    TExtRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    registry.WriteBool("Off", false);
    registry.WriteInteger("Five", 5);
    registry.WriteString("CurrentLocId", "ABC");

    EXPECT_FALSE(registry.ReadBoolDef("Off", true));
    EXPECT_TRUE(registry.ReadBoolDef("Five", false));
    EXPECT_EQ(registry.ReadIntegerDef("Five", 1), 5);
    EXPECT_EQ(registry.ReadStringDef("CurrentLocId", ""), "ABC");

    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadIntegerDef("CurrentLocId", 1); }),
              "Invalid data type for 'CurrentLocId'");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadBoolDef("CurrentLocId", true); }),
              "Invalid data type for 'CurrentLocId'");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.ReadStringDef("Five", ""); }),
              "Invalid data type for 'Five'");
}

TEST(ExtRegistry, WriteMutiStringRaisesWhenTheStoreFails)
{
    TTestRoot root;
    TExtRegistry registry(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(KKey, true));
    TExtRegistry reader(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reader.OpenKeyReadOnly(KKey));
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { reader.WriteMutiString("LocIds", "a\r\n"); }),
              "Failed to set data for 'LocIds'");
    EXPECT_FALSE(registry.ValueExists("LocIds"));
}

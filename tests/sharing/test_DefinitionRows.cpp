#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"

#include "platform/QtPrint.h"
#include "support/DatabaseTest.h"

#include <gtest/gtest.h>

namespace {

const QString IdA = QStringLiteral("EXISTSA000000000000000000000000A");
const QString IdB = QStringLiteral("EXISTSB000000000000000000000000B");
const QString ShareRow = QStringLiteral("SHAREROW000000000000000000000001");
const QString DriveRow = QStringLiteral("DRIVEROW000000000000000000000001");
const QString NewRow = QStringLiteral("NEWROW0000000000000000000000000N");

using TExistsCheck = bool (*)(const QString &, const QString &, const QString &);

struct TExistsCase
{
    const char *Name;
    TExistsCheck Check;
    QString Id;
    QString LocId;
    QString Value;
    bool Exists;
};
void PrintTo(const TExistsCase &c, std::ostream *out) { *out << c.Name; }

// Location A shares "Äpfel Docs" from /srv/Ärger and maps X: to \\Srv\Öffentlich.
class ExistsRows : public TDatabaseTest
{
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        TFolderShare Share(ShareRow);
        Share.SetLocId(IdA);
        Share.SetShareName("Äpfel Docs");
        Share.SetShareFolder("/srv/Ärger");
        ASSERT_TRUE(Share.Save());
        TNetMapping Drive(DriveRow);
        Drive.SetLocId(IdA);
        Drive.SetDriver("x:");
        Drive.SetRemoteFolder(R"(\\Srv\Öffentlich)");
        ASSERT_TRUE(Drive.Save());
    }
};

class ExistsCheck : public ExistsRows, public testing::WithParamInterface<TExistsCase>
{};

} // namespace

TEST_P(ExistsCheck, FindsAnotherRowOfTheLocationIgnoringCaseForEveryLetter)
{
    const TExistsCase &Case = GetParam();
    EXPECT_EQ(Case.Check(Case.Id, Case.LocId, Case.Value), Case.Exists);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExistsCheck,
    testing::Values(
        TExistsCase{"ShareNameAsStored", &TFolderShare::Exists, NewRow, IdA, "Äpfel Docs", true},
        TExistsCase{"ShareNameInOtherCase", &TFolderShare::Exists, NewRow, IdA, "äPFEL dOCS", true},
        TExistsCase{"ShareNameOfOtherLocation", &TFolderShare::Exists, NewRow, IdB, "Äpfel Docs", false},
        TExistsCase{"ShareRowItself", &TFolderShare::Exists, ShareRow, IdA, "ÄPFEL DOCS", false},
        TExistsCase{"OtherShareName", &TFolderShare::Exists, NewRow, IdA, "Apfel Docs", false},
        TExistsCase{"ShareFolderInOtherCase", &TFolderShare::ExistsFolder, NewRow, IdA, "/SRV/äRGER", true},
        TExistsCase{"ShareFolderRowItself", &TFolderShare::ExistsFolder, ShareRow, IdA, "/srv/Ärger", false},
        TExistsCase{"ShareNameIsNoFolder", &TFolderShare::ExistsFolder, NewRow, IdA, "Äpfel Docs", false},
        TExistsCase{"DriveInOtherCase", &TNetMapping::Exists, NewRow, IdA, "X:", true},
        TExistsCase{"DriveOfOtherLocation", &TNetMapping::Exists, NewRow, IdB, "X:", false},
        TExistsCase{"DriveRowItself", &TNetMapping::Exists, DriveRow, IdA, "X:", false},
        TExistsCase{"RemoteFolderInOtherCase", &TNetMapping::ExistsFolder, NewRow, IdA, R"(\\SRV\öffentlich)",
                    true},
        TExistsCase{"RemoteFolderRowItself", &TNetMapping::ExistsFolder, DriveRow, IdA, R"(\\srv\öffentlich)",
                    false}),
    [](const testing::TestParamInfo<TExistsCase> &info) { return info.param.Name; });

TEST_F(ExistsRows, FindNothingWithoutAConnection)
{
    LoseConnection();
    EXPECT_FALSE(TFolderShare::Exists(NewRow, IdA, "Äpfel Docs"));
    EXPECT_FALSE(TNetMapping::Exists(NewRow, IdA, "X:"));
    EXPECT_TRUE(TFolderShare(NewRow).Save()) << "nothing is written, and that is no failure";
}

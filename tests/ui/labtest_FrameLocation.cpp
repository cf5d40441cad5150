#include "adapters/IpAddress.h"
#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/MessageBox.h"
#include "support/NMLab.h"
#include "support/WidgetApplication.h"
#include "ui/FrameLocation.h"
#include "ui/widgets/IPEdit.h"
#include "ui/widgets/MacEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const QString OfficeId = QStringLiteral("LABEDITOR0000000000000000000001");

// A left click at the middle of Target, as the pointer gives it.
void Click(QWidget *Target)
{
    const QPointF Pos = QRectF(Target->rect()).center();
    const QPointF Global = Target->mapToGlobal(Pos);
    QMouseEvent Press(QEvent::MouseButtonPress, Pos, Global, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent Release(QEvent::MouseButtonRelease, Pos, Global, Qt::LeftButton, {}, {});
    QCoreApplication::sendEvent(Target, &Press);
    QCoreApplication::sendEvent(Target, &Release);
}

QStringList Entries(const QComboBox &List)
{
    QStringList Texts;
    for (int Index = 0; Index < List.count(); ++Index)
        Texts.append(List.itemText(Index));
    return Texts;
}

// The editor of the lab's Office location (static, on the link, gateway the lab's peer), with
// the real printers and NetworkManager of the lab and every message box kept.
class EditorLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        WidgetApplication();
        FPreviousHandler = TMessageBox::SetHandler([this](const TMessage &Box) {
            FBoxes << Box.Text;
            return TMsgResult::Ok;
        });
        InitConnectionString(FRoot.DataFolder());
        SetLocationConnection(GetConnection());
        ASSERT_TRUE(StoreLabOffice(OfficeId, ProgramModules(), "Lab_Home_Inkjet"));
        ASSERT_EQ(NMLab::Nmcli({"connection", "up", TLab::Value("STATIC_PROFILE")}).ExitCode, 0);
        FList = std::make_unique<TLocationList>(ProgramModules());
        FFrame = std::make_unique<TFrameLocation>(*FList);
        FFrame->SetLocId(OfficeId);
        FFrame->DoShow();
    }

    void TearDown() override
    {
        FFrame.reset();
        FList.reset();
        CloseConnection();
        // Its bus connections must go before the application does.
        TNetManager::ReleaseInstance();
        if (FPreviousHandler)
            TMessageBox::SetHandler(FPreviousHandler);
        if (TLab::IsUp())
            NMLab::RestoreLink();
    }

    template <class T>
    T *Child(const char *Name) const
    {
        return FFrame->findChild<T *>(QLatin1String(Name));
    }

    TTestRoot FRoot;
    TMessageHandler FPreviousHandler;
    QStringList FBoxes;
    std::unique_ptr<TLocationList> FList;
    std::unique_ptr<TFrameLocation> FFrame;
};

TEST_F(EditorLab, ListsTheInstalledPrintersAndTheAdapters)
{
    QStringList Printers = Entries(*Child<QComboBox>("cobPrinters"));
    QStringList Installed = TLab::Value("PRINTERS").split(',');
    Printers.sort();
    Installed.sort();
    EXPECT_EQ(Printers, Installed);
    EXPECT_EQ(Child<QComboBox>("cobPrinters")->currentText(), "Lab_Home_Inkjet");
    const auto *Adapters = Child<QComboBox>("cobNetId");
    EXPECT_EQ(Adapters->currentData().toString(), NMLab::StandingId("STATIC_UUID"));
    EXPECT_GE(Adapters->findData(NMLab::StandingId("DHCP_UUID")), 0);
    EXPECT_TRUE(Adapters->currentText().startsWith(TLab::Value("STATIC_PROFILE") + "("))
        << Adapters->currentText().toStdString();
}

TEST_F(EditorLab, ObtainsTheGatewayMacFromTheLocationsAdapter)
{
    Child<QPushButton>("btnGateWayMAC")->click();
    EXPECT_EQ(Child<TMacEdit>("txtMacAddr")->MacText(), TLab::Value("PEER_MAC").toUpper().replace(':', '-'));

    Child<TIPEdit>("txtGateway")->SetIPString("10.200.0.251");
    Child<QPushButton>("btnGateWayMAC")->click();
    EXPECT_EQ(Child<TMacEdit>("txtMacAddr")->MacText(), "00-00-00-00-00-00");
    EXPECT_TRUE(FBoxes.isEmpty());
}

TEST_F(EditorLab, FindsTheFirstSilentAddressAfterTheGateway)
{
    auto *Link = Child<QLabel>("lblAutoGet");
    Click(Link);
    // The peer holds .1; nobody answers for .2.
    EXPECT_EQ(Child<TIPEdit>("txtIPAddr")->IPString(), "10.200.0.2");

    Child<TIPEdit>("txtGateway")->SetIPString(TLab::Value("STATIC_IP").section('.', 0, 2) + ".43");
    Click(Link);
    // The next one, .44, is this computer's own address and answers.
    EXPECT_EQ(Child<TIPEdit>("txtIPAddr")->IPString(), "10.200.0.45");
    EXPECT_TRUE(FBoxes.isEmpty());
}

} // namespace

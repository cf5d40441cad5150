#include "lantools/ScanLab.h"
#include "lantools/uGetMacAddress.h"
#include "lantools/uNetRepaire.h"
#include "platform/desktop/MessageBox.h"
#include "support/WidgetApplication.h"
#include "ui/lantools/FrameMacScan.h"
#include "ui/widgets/IPEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>

namespace {

// The scan panel in the lab's scanning namespace, aimed at its segment, with every message box
// answered and kept.
class TScanPanel
{
public:
    TScanPanel()
        : FPreviousHandler(TMessageBox::SetHandler([this](const TMessage &Box) {
              Boxes << Box.Text;
              return TMsgResult::Ok;
          }))
    {
        SetSourceAddressQuery([] { return TLab::Value("SCAN_IP"); });
    }
    ~TScanPanel()
    {
        TMessageBox::SetHandler(FPreviousHandler);
        SetSourceAddressQuery({});
    }

    void Scan(int From, int To)
    {
        Frame.findChild<TIPEdit *>("txtIPStart")->SetIPString(ScanAddress(From));
        Frame.findChild<TIPEdit *>("txtIPEnd")->SetIPString(ScanAddress(To));
        Frame.findChild<QPushButton *>("btnStart")->click();
    }
    bool WaitFor(const std::function<bool()> &Condition, int TimeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!Condition() && timer.elapsed() < TimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return Condition();
    }
    // "address MAC name" per row, top to bottom.
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int row = 0; row < List->rowCount(); ++row)
            rows.push_back(QStringList({List->item(row, 0)->text(), List->item(row, 1)->text(),
                                        List->item(row, 2)->text()})
                               .join(' ')
                               .toStdString());
        return rows;
    }

    QApplication &Application = WidgetApplication();
    TFrameMacScan Frame{nullptr};
    QTableWidget *List = Frame.findChild<QTableWidget *>("lvIPMAC");
    QStringList Boxes;

private:
    TMessageHandler FPreviousHandler;
};

// The live hosts among From..To, ordered by their last octet, as the panel lists them.
std::vector<std::string> Expected(int From, int To)
{
    std::vector<std::string> rows;
    const auto hosts = ScanHosts();
    for (int octet = From; octet <= To; ++octet)
        if (hosts.contains(ScanAddress(octet))) {
            const TScanHost host = hosts.value(ScanAddress(octet));
            rows.push_back(QStringList({ScanAddress(octet), host.Mac, host.Name}).join(' ').toStdString());
        }
    return rows;
}

} // namespace

TEST(FrameMacScanLab, ListsTheLiveHostsByTheirLastOctetAndComesBackToIdle)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScanPanel panel;
    panel.Scan(1, 80);
    EXPECT_TRUE(panel.Frame.IsRunning());
    ASSERT_TRUE(panel.WaitFor([&] { return panel.Frame.IsFinished(); }, 15000));
    EXPECT_FALSE(panel.Frame.IsRunning());
    EXPECT_TRUE(panel.List->updatesEnabled());
    ASSERT_GE(Expected(1, 80).size(), 8u);
    EXPECT_EQ(panel.Rows(), Expected(1, 80));
    EXPECT_TRUE(panel.Boxes.isEmpty());
}

TEST(FrameMacScanLab, StopKeepsTheRowsFoundSoFarAndAddsNoMore)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScanPanel panel;
    panel.Scan(1, 254);
    ASSERT_TRUE(panel.WaitFor([&] { return panel.List->rowCount() > 0; }, 10000));
    panel.Frame.findChild<QPushButton *>("btnStop")->click();
    EXPECT_FALSE(panel.Frame.IsRunning());
    EXPECT_TRUE(panel.Frame.IsFinished());
    EXPECT_TRUE(panel.Frame.findChild<QPushButton *>("btnStart")->isEnabled());
    const auto kept = panel.Rows();
    ASSERT_FALSE(kept.empty());
    panel.WaitFor([] { return false; }, 500);
    EXPECT_EQ(panel.Rows(), kept);
    const auto all = Expected(1, 254);
    for (const std::string &row : kept)
        EXPECT_NE(std::find(all.begin(), all.end(), row), all.end()) << row;
}

TEST(FrameMacScanLab, BindAllMakesEveryListedHostAPermanentNeighbour)
{
    WAYFAREL_REQUIRE_LAB_UP();
    ASSERT_TRUE(EnterScanNamespace());
    TScanPanel panel;
    panel.Scan(1, 40);
    ASSERT_TRUE(panel.WaitFor([&] { return panel.Frame.IsFinished(); }, 15000));
    ASSERT_GE(panel.List->rowCount(), 3);
    // The bindings carry the program's mark; whatever happens below, they go again.
    struct TUnbindAtEnd
    {
        ~TUnbindAtEnd() { RemoveOwnArpBindings(TLab::Value("SCAN_IF")); }
    } unbind;
    auto *bindAll = panel.Frame.findChild<QPushButton *>("btnBindAll");
    bindAll->click();
    ASSERT_TRUE(panel.WaitFor([&] { return bindAll->isEnabled(); }, 10000));
    EXPECT_TRUE(panel.Boxes.isEmpty()) << panel.Boxes.join('\n').toStdString();
    for (int row = 0; row < panel.List->rowCount(); ++row) {
        const QString ip = panel.List->item(row, 0)->text();
        // Flags 0x6: complete and permanent.
        EXPECT_EQ(ArpTableEntry(ip), QStringList({"0x6", panel.List->item(row, 1)->text()}))
            << ip.toStdString();
    }
}

#include "ui/lantools/FrameMacScan.h"
#include "ui_FrameMacScan.h"

#include "app/uLanguages.h"
#include "base/NetText.h"
#include "lantools/ArpBinder.h"
#include "lantools/IpMacScaner.h"
#include "platform/desktop/MessageBox.h"
#include "ui/AppActions.h"
#include "ui/widgets/IPEdit.h"
#include "ui/widgets/IPFieldEdit.h"
#include "ui/widgets/ProgramPictures.h"

#include <QHeaderView>
#include <QMovie>
#include <algorithm>

namespace {

const QString Lang = QStringLiteral("EN");
enum TColumn { colAddress, colMac, colHost, ColumnCount };
// Rows added between two redraws of the list while a scan runs.
constexpr int HostBatch = 4;
constexpr int FreeIpBatch = 9;

QString Text(const QString &Id, const QString &Default) { return GetLangStr(Lang, Id, Default); }

// The first three octets of From go to To, whose fourth stays.
void CopyPrefix(const TIPEdit &From, TIPEdit &To)
{
    for (int field = 0; field < 3; ++field)
        To.SetIP(field, From.IP(field));
}

int FourthOctet(const QString &Ip) { return Ip.section(QLatin1Char('.'), 3, 3).toInt(); }

} // namespace

bool lvIPMACCompare(const QStringList &A, const QStringList &B, int Column)
{
    if (Column == colAddress)
        return FourthOctet(A.value(colAddress)) < FourthOctet(B.value(colAddress));
    return A.value(Column).compare(B.value(Column), Qt::CaseInsensitive) < 0;
}

TFrameMacScan::TFrameMacScan(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::TFrameMacScan>()), FSearchAnimation(new QMovie(this)),
      FBinder(new TArpBinder(this))
{
    ui->setupUi(this);
    ApplyLanguage(this, Lang);
    ui->lvIPMAC->setHorizontalHeaderLabels({Text(QStringLiteral("7207"), QStringLiteral("IP Address")),
                                            Text(QStringLiteral("7208"), QStringLiteral("MAC Address")),
                                            Text(QStringLiteral("7211"), QStringLiteral("Host name"))});
    ui->lvIPMAC->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->lvIPMAC->horizontalHeader()->setSectionsClickable(true);
    ui->txtIPStart->SetIPString(QStringLiteral("192.168.0.1"));
    ui->txtIPEnd->SetIPString(QStringLiteral("192.168.0.254"));
    ui->btnStart->setIcon(ProgramPicture(QStringLiteral("ScanStart.png")));
    ui->btnStop->setIcon(ProgramPicture(QStringLiteral("ScanStop.png")));
    FSearchAnimation->setFileName(ProgramPicturePath(QStringLiteral("SearchAVI.gif")));
    ui->AniSearch->setMovie(FSearchAnimation);

    for (int field = 0; field < 3; ++field) {
        connect(ui->txtIPStart->Field(field), &QLineEdit::textChanged, this,
                &TFrameMacScan::txtIPStartChange);
        connect(ui->txtIPEnd->Field(field), &QLineEdit::textChanged, this, &TFrameMacScan::txtIPEndChange);
    }
    connect(ui->btnStart, &QPushButton::clicked, this, &TFrameMacScan::btnStartClick);
    connect(ui->btnStop, &QPushButton::clicked, this, &TFrameMacScan::btnStopClick);
    connect(ui->btnBindAll, &QPushButton::clicked, this, &TFrameMacScan::btnBindAllClick);
    connect(ui->lvIPMAC->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TFrameMacScan::lvIPMACColumnClick);
    connect(FBinder, &TArpBinder::Finished, this, &TFrameMacScan::BindAllFinished);
    SetIdle();
}

TFrameMacScan::~TFrameMacScan() { ScannerManager.reset(); }

void TFrameMacScan::txtIPStartChange() { CopyPrefix(*ui->txtIPStart, *ui->txtIPEnd); }

void TFrameMacScan::txtIPEndChange() { CopyPrefix(*ui->txtIPEnd, *ui->txtIPStart); }

void TFrameMacScan::btnStartClick()
{
    if (FIsRunning)
        return;
    ScannerManager.reset();
    ui->lvIPMAC->setRowCount(0);
    ui->lvIPMAC->setUpdatesEnabled(false);
    FindCount = 0;
    if (ui->txtIPStart->Error() || ui->txtIPEnd->Error())
        return Refuse(QStringLiteral("7213"),
                      QStringLiteral("Please enter a range of host addresses to scan!"));
    const QStringList start = ui->txtIPStart->IPString().split(QLatin1Char('.'));
    const QString prefix = start.mid(0, 3).join(QLatin1Char('.')) + QLatin1Char('.');
    const int fromIP = start.at(3).toInt();
    const int toIP = FourthOctet(ui->txtIPEnd->IPString());
    // A range the scanner would not even start on comes back at once, with the reason.
    if (fromIP > toIP)
        return Refuse(QStringLiteral("7212"),
                      QStringLiteral("The start address lies above the end address!"));
    ScannerManager = std::make_unique<TIpMacScannerManager>(
        ui->rbUnused->isChecked(),
        [this](const QString &Ip, const QString &Mac, const QString &Host) {
            ScannerFoundHost(Ip, Mac, Host);
        },
        [this](const QString &Ip) { ScannerFoundFreeIp(Ip); }, prefix, fromIP, toIP);
    if (ScannerManager->IsStop())
        return Refuse(QStringLiteral("7213"),
                      QStringLiteral("Please enter a range of host addresses to scan!"));
    ScannerManager->SetOnFinished([this] { ScannerFinished(); });
    SetScanning();
}

void TFrameMacScan::btnStopClick()
{
    ScannerManager.reset();
    SetIdle();
}

void TFrameMacScan::ScannerFinished() { SetIdle(); }

void TFrameMacScan::SetIdle()
{
    FIsRunning = false;
    FIsFinished = true;
    ui->btnStart->setEnabled(true);
    ui->btnStop->setEnabled(false);
    ui->lvIPMAC->setUpdatesEnabled(true);
    ui->lvIPMAC->viewport()->update();
    FSearchAnimation->stop();
    ui->AniSearch->hide();
}

void TFrameMacScan::SetScanning()
{
    FIsRunning = true;
    FIsFinished = false;
    ui->btnStart->setEnabled(false);
    ui->btnStop->setEnabled(true);
    ui->AniSearch->show();
    FSearchAnimation->start();
}

void TFrameMacScan::Refuse(const QString &Id, const QString &Default)
{
    ScannerManager.reset();
    SetIdle();
    TMessageBox::Show(Text(Id, Default), QStringLiteral("Info"), TMsgIcon::Warning);
}

void TFrameMacScan::ScannerFoundHost(const QString &Ip, const QString &Mac, const QString &Host)
{
    AddRow({Ip, Mac, Host}, HostBatch);
}

void TFrameMacScan::ScannerFoundFreeIp(const QString &Ip) { AddRow({Ip, QString(), QString()}, FreeIpBatch); }

// The row goes to its sorted place; the list is drawn once more than Batch rows came since
// its last drawing.
void TFrameMacScan::AddRow(const QStringList &Cells, int Batch)
{
    QTableWidget *list = ui->lvIPMAC;
    if (FindCount > Batch) {
        FindCount = 0;
        list->setUpdatesEnabled(true);
        list->viewport()->repaint();
        list->setUpdatesEnabled(false);
    }
    ++FindCount;
    int place = list->rowCount();
    while (place > 0 && lvIPMACCompare(Cells, Row(place - 1), FColumnToSort))
        --place;
    list->insertRow(place);
    SetRow(place, Cells);
}

QStringList TFrameMacScan::Row(int Index) const
{
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column) {
        const QTableWidgetItem *item = ui->lvIPMAC->item(Index, column);
        cells << (item ? item->text() : QString());
    }
    return cells;
}

void TFrameMacScan::SetRow(int Index, const QStringList &Cells)
{
    for (int column = 0; column < ColumnCount; ++column) {
        auto *item = new QTableWidgetItem(Cells.value(column));
        if (column == colMac)
            item->setTextAlignment(Qt::AlignCenter);
        ui->lvIPMAC->setItem(Index, column, item);
    }
}

// Always ascending; rows that compare equal keep their order.
void TFrameMacScan::lvIPMACColumnClick(int Column)
{
    FColumnToSort = Column;
    std::vector<QStringList> rows;
    for (int row = 0; row < ui->lvIPMAC->rowCount(); ++row)
        rows.push_back(Row(row));
    std::stable_sort(rows.begin(), rows.end(), [Column](const QStringList &A, const QStringList &B) {
        return lvIPMACCompare(A, B, Column);
    });
    for (int row = 0; row < int(rows.size()); ++row)
        SetRow(row, rows[row]);
}

// Rows without a MAC address (from an unused-address scan) have nothing to bind.
void TFrameMacScan::btnBindAllClick()
{
    std::vector<TArpHost> hosts;
    for (int row = 0; row < ui->lvIPMAC->rowCount(); ++row) {
        const QStringList cells = Row(row);
        if (!IsUnsetMac(cells.at(colMac)))
            hosts.push_back({cells.at(colAddress), cells.at(colMac)});
    }
    if (hosts.empty() || !FBinder->Start(std::move(hosts)))
        return;
    ui->btnBindAll->setEnabled(false);
}

void TFrameMacScan::BindAllFinished(const QStringList &Failures)
{
    ui->btnBindAll->setEnabled(true);
    if (Failures.isEmpty())
        return;
    const QString heading =
        Text(QStringLiteral("7214"), QStringLiteral("These addresses could not be bound:"));
    TMessageBox::Show(heading + QLatin1Char('\n') + Failures.join(QLatin1Char('\n')), QStringLiteral("Error"),
                      TMsgIcon::Error);
}

#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

class QMovie;
class TArpBinder;
class TIPEdit;
class TIpMacScannerManager;

namespace Ui {
class TFrameMacScan;
}

// The LAN scan panel: scans a range of addresses on one /24 network for hosts that answer ARP
// (address, MAC address, host name) or for unused addresses, lists them sorted by the column
// the user picked, and binds every listed host to its MAC address statically. The scan runs in
// the scanner's threads; the window keeps responding and redraws the list in batches.
class TFrameMacScan : public QWidget
{
    Q_OBJECT

public:
    explicit TFrameMacScan(QWidget *parent);
    ~TFrameMacScan() override;

    // Idle: not running and finished; scanning: running and not finished.
    bool IsRunning() const { return FIsRunning; }
    bool IsFinished() const { return FIsFinished; }
    int ColumnToSort() const { return FColumnToSort; }

    // What the scanner reports, on this panel's thread: an answering host, an unused address,
    // the end of the scan.
    void ScannerFoundHost(const QString &Ip, const QString &Mac, const QString &Host);
    void ScannerFoundFreeIp(const QString &Ip);
    void ScannerFinished();

private:
    void txtIPStartChange();
    void txtIPEndChange();
    void btnStartClick();
    void btnStopClick();
    void btnBindAllClick();
    void lvIPMACColumnClick(int Column);
    void BindAllFinished(const QStringList &Failures);

    void SetIdle();
    void SetScanning();
    void Refuse(const QString &Id, const QString &Default);
    void AddRow(const QStringList &Cells, int Batch);
    QStringList Row(int Index) const;
    void SetRow(int Index, const QStringList &Cells);

    std::unique_ptr<Ui::TFrameMacScan> ui;
    QMovie *FSearchAnimation;
    TArpBinder *FBinder;
    // Declared after the list it fills, so it is stopped before the list goes.
    std::unique_ptr<TIpMacScannerManager> ScannerManager;
    bool FIsRunning = false;
    bool FIsFinished = true;
    int FColumnToSort = 0;
    int FindCount = 0;
};

// True when row A comes before row B sorted by Column: the address column by the addresses'
// fourth octets as numbers, the others by their text without regard to case.
bool lvIPMACCompare(const QStringList &A, const QStringList &B, int Column);

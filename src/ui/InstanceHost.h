#pragma once

#include "locations/SwitchReport.h"
#include "platform/desktop/InstanceBus.h"

#include <QObject>

class TFrmMain;

// The running program as the session bus sees it: the main window's locations, its status bar
// and its switch flow. A switch asked for on the bus runs as one started in the window
// (progress, status bar, tray, message 6) and is refused while another runs.
class TInstanceHost : public QObject, public IInstanceHost
{
    Q_OBJECT

public:
    explicit TInstanceHost(TFrmMain &Main, QObject *parent = nullptr);

    void ShowWindow() override;
    QString StatusText() const override;
    QString DataFile() const override;
    QList<TLocationEntry> Locations() const override;
    bool DescribeLocation(const QString &Location, QList<QStringList> &Records, QString *Error) override;
    bool StartSwitch(const QString &Location, std::function<void(const TSwitchOutcome &)> Ended,
                     QString *Error) override;

signals:
    // Any switch, wherever started, made the location current.
    void LocationChanged(const QString &Id, const QString &Name);

private:
    void RunPendingSwitch();
    void SwitchEnded(const QString &LocId, bool Switched, const QString &Error, const TSwitchReport &Steps);
    void AnswerPending(const TSwitchOutcome &Outcome);

    TFrmMain &FMain;
    QString FPendingId;
    std::function<void(const TSwitchOutcome &)> FPending;
};

#pragma once

#include <QObject>

class QSocketNotifier;

// Brings SIGTERM and SIGINT into the event loop as the signal Received, so a program asked to
// end by its session or a terminal ends the way its own Quit ends it. One object per process.
class TTermSignals : public QObject
{
    Q_OBJECT

public:
    explicit TTermSignals(QObject *parent = nullptr);
    ~TTermSignals() override;

signals:
    void Received(int signal);

private:
    void ReadSignal();

    QSocketNotifier *FNotifier = nullptr;
};

#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The running program on the session bus, under the name "org.brackwell.Wayfarel" and the path
// "/org/brackwell/Wayfarel": a second start asks it to come to the front (Activate), and scripts
// or panel applets can read the text of its status bar (property Status).
class TInstanceBus : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.brackwell.Wayfarel")
    Q_PROPERTY(QString Status READ Status)

public:
    static const QString ServiceName;
    static const QString ObjectPath;

    TInstanceBus(std::function<void()> OnActivate, std::function<QString()> StatusText,
                 QObject *parent = nullptr);

    // Offers the object on the session bus; false, with the reason in Error, when there is no
    // session bus or another process holds the name.
    bool Register(QString *Error = nullptr);
    QString Status() const;

public slots:
    void Activate();

private:
    std::function<void()> FOnActivate;
    std::function<QString()> FStatusText;
};

// Asks the instance that runs already to show its window; false, with the reason in Error, when
// none answers within a few seconds.
bool ActivateRunningInstance(QString *Error = nullptr);

#pragma once

#include <QApplication>

// The application object. Errors raised while handling an event are shown to the user
// here instead of ending the program.
class TWayfarelApplication : public QApplication
{
    Q_OBJECT

public:
    TWayfarelApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

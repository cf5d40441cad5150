#include "ui/WayfarelApplication.h"

#include "base/Exceptions.h"
#include "platform/desktop/MessageBox.h"

TWayfarelApplication::TWayfarelApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TWayfarelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EWayfarelError &error) {
        TMessageBox::Show(error.Message(), QStringLiteral("Error"), TMsgIcon::Error);
    } catch (const std::exception &error) {
        TMessageBox::Show(QString::fromLocal8Bit(error.what()), QStringLiteral("Error"), TMsgIcon::Error);
    }
    return false;
}

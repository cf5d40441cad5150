#include "ui/WidgetMessageBox.h"

#include "platform/desktop/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

namespace {

QMessageBox::Icon ToQtIcon(TMsgIcon icon)
{
    switch (icon) {
    case TMsgIcon::Information:
        return QMessageBox::Information;
    case TMsgIcon::Warning:
        return QMessageBox::Warning;
    case TMsgIcon::Error:
        return QMessageBox::Critical;
    case TMsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(TMsgButtons buttons)
{
    switch (buttons) {
    case TMsgButtons::Ok:
        return QMessageBox::Ok;
    case TMsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case TMsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

TMsgResult FromQtButton(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    case QMessageBox::Cancel:
        return TMsgResult::Cancel;
    default:
        return TMsgResult::Ok;
    }
}

// Every box is also told on standard error, so a text closed too soon can be read back from a
// terminal or the session's journal.
TMsgResult ShowWidgetMessageBox(const TMessage &message)
{
    QTextStream(stderr) << message.Caption << ": " << message.Text << Qt::endl;
    QMessageBox box(ToQtIcon(message.Icon), message.Caption, message.Text, ToQtButtons(message.Buttons),
                    QApplication::activeWindow());
    return FromQtButton(box.exec());
}

} // namespace

void InstallWidgetMessageBoxes() { TMessageBox::SetHandler(ShowWidgetMessageBox); }

#include "ui/WidgetMessageBox.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

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

TMsgResult ShowWidgetMessageBox(const TMessage &message)
{
    QMessageBox box(ToQtIcon(message.Icon), message.Caption, message.Text, ToQtButtons(message.Buttons),
                    QApplication::activeWindow());
    return FromQtButton(box.exec());
}

} // namespace

void InstallWidgetMessageBoxes() { TMessageBox::SetHandler(ShowWidgetMessageBox); }

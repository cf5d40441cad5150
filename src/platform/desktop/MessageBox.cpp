#include "platform/desktop/MessageBox.h"

#include <QTextStream>

namespace {

TMsgResult WriteToStandardError(const TMessage &message)
{
    QTextStream err(stderr);
    if (!message.Caption.isEmpty())
        err << message.Caption << ": ";
    err << message.Text << Qt::endl;
    // Nobody can answer: a question is answered with what changes nothing.
    switch (message.Buttons) {
    case TMsgButtons::YesNo:
        return TMsgResult::No;
    case TMsgButtons::YesNoCancel:
    case TMsgButtons::OkCancel:
        return TMsgResult::Cancel;
    case TMsgButtons::Ok:
        break;
    }
    return TMsgResult::Ok;
}

TMessageHandler &CurrentHandler()
{
    static TMessageHandler handler = WriteToStandardError;
    return handler;
}

} // namespace

TMsgResult TMessageBox::Show(const QString &text, const QString &caption, TMsgIcon icon, TMsgButtons buttons)
{
    return CurrentHandler()(TMessage{text, caption, icon, buttons});
}

TMessageHandler TMessageBox::SetHandler(TMessageHandler handler)
{
    TMessageHandler previous = CurrentHandler();
    CurrentHandler() = handler ? std::move(handler) : WriteToStandardError;
    return previous;
}

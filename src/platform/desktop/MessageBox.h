#pragma once

#include <QString>
#include <functional>

// The one way the program shows a message box. The core cannot draw widgets, so the GUI
// installs a handler at start-up; without one the text goes to standard error. Tests
// install their own handler to see and answer every box.
enum class TMsgIcon { Information, Warning, Error, Question };
enum class TMsgButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class TMsgResult { Ok, Cancel, Yes, No };

struct TMessage
{
    QString Text;
    QString Caption;
    TMsgIcon Icon = TMsgIcon::Information;
    TMsgButtons Buttons = TMsgButtons::Ok;
};

using TMessageHandler = std::function<TMsgResult(const TMessage &)>;

class TMessageBox
{
public:
    static TMsgResult Show(const QString &text, const QString &caption, TMsgIcon icon = TMsgIcon::Information,
                           TMsgButtons buttons = TMsgButtons::Ok);
    // Installs handler and returns the previous one.
    static TMessageHandler SetHandler(TMessageHandler handler);
};

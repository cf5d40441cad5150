#pragma once

#include "platform/registry/Registry.h"

#include <QString>

// The per-user settings: the skin the windows are drawn with, the folder of the drive links,
// automatic switching.
class TConfig
{
public:
    static TConfig *GetConfig();

    QString Skinname();
    void SetSkinname(const QString &Value);
    // Where mapped network drives appear as links named "X:"; ~/Drives unless set.
    QString DrivesFolder();
    void SetDrivesFolder(const QString &Value);
    // Whether locations are chosen by their network's rules; off unless switched on.
    bool AutoSwitch();
    void SetAutoSwitch(bool Value);

private:
    TConfig();

    TRegistry FReg;
};

#pragma once

#include "platform/Registry.h"

#include <QString>

// The per-user settings: the skin the windows are drawn with, the folder of the drive links.
class TConfig
{
public:
    static TConfig *GetConfig();

    QString Skinname();
    void SetSkinname(const QString &Value);
    // Where mapped network drives appear as links named "X:"; ~/Drives unless set.
    QString DrivesFolder();
    void SetDrivesFolder(const QString &Value);

private:
    TConfig();

    TRegistry FReg;
};

#pragma once

#include "platform/Registry.h"

#include <QString>

// The per-user interface settings: the skin the windows are drawn with.
class TConfig
{
public:
    static TConfig *GetConfig();

    QString Skinname();
    void SetSkinname(const QString &Value);

private:
    TConfig();

    TRegistry FReg;
};

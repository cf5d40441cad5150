#include "app/uConfig.h"

#include "platform/sharing/DriveLinks.h"

namespace {

const QString ConfigKey = QStringLiteral("\\SOFTWARE\\Brackwell\\Wayfarel");
const QString SkinnameValue = QStringLiteral("Skinname");
const QString DefaultSkin = QStringLiteral("Acryl");
const QString DrivesFolderValue = QStringLiteral("DrivesFolder");
const QString AutoSwitchValue = QStringLiteral("AutoSwitch");

} // namespace

TConfig::TConfig()
{
    FReg.SetRootKey(HKEY_CURRENT_USER);
    FReg.OpenKey(ConfigKey, true);
}

TConfig *TConfig::GetConfig()
{
    static TConfig config;
    return &config;
}

QString TConfig::Skinname()
{
    const QString skin = FReg.ValueExists(SkinnameValue) ? FReg.ReadString(SkinnameValue) : QString();
    return skin.isEmpty() ? DefaultSkin : skin;
}

void TConfig::SetSkinname(const QString &Value) { FReg.WriteString(SkinnameValue, Value); }

QString TConfig::DrivesFolder()
{
    const QString Folder =
        FReg.ValueExists(DrivesFolderValue) ? FReg.ReadString(DrivesFolderValue) : QString();
    return Folder.isEmpty() ? DefaultDrivesFolder() : Folder;
}

void TConfig::SetDrivesFolder(const QString &Value) { FReg.WriteString(DrivesFolderValue, Value); }

bool TConfig::AutoSwitch()
{
    return FReg.ValueExists(AutoSwitchValue) && FReg.ReadInteger(AutoSwitchValue) != 0;
}

void TConfig::SetAutoSwitch(bool Value) { FReg.WriteInteger(AutoSwitchValue, Value ? 1 : 0); }

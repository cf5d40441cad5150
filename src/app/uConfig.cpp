#include "app/uConfig.h"

namespace {

const QString ConfigKey = QStringLiteral("\\SOFTWARE\\Brackwell\\Wayfarel");
const QString SkinnameValue = QStringLiteral("Skinname");
const QString DefaultSkin = QStringLiteral("Acryl");

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

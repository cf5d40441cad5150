#include "app/Startup.h"

#include "base/Exceptions.h"
#include "platform/desktop/InstanceLock.h"
#include "platform/registry/Registry.h"

#include <memory>

const QString ApplicationTitle = QStringLiteral("Brackwell Wayfarel");

namespace {

const QString DefaultUIKey = QStringLiteral("SOFTWARE\\Brackwell\\Wayfarel");
const QString DefaultUIValue = QStringLiteral("DefaultUI");

std::unique_ptr<TInstanceLock> &InstanceLock()
{
    static std::unique_ptr<TInstanceLock> lock;
    return lock;
}

} // namespace

bool IsAlreadyRunning()
{
    InstanceLock() = std::make_unique<TInstanceLock>(ApplicationTitle);
    return InstanceLock()->HeldElsewhere();
}

void ReleaseInstance() { InstanceLock().reset(); }

int ReadDefaultUI()
{
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (reg.OpenKey(DefaultUIKey, true) && reg.ValueExists(DefaultUIValue))
            return reg.ReadInteger(DefaultUIValue);
    } catch (const EWayfarelError &) {
        // An unreadable key or value means the main window, as when nothing is stored.
    }
    return duMainUI;
}

bool WriteDefaultUI(int Value)
{
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey(DefaultUIKey, true))
            return false;
        reg.WriteInteger(DefaultUIValue, Value);
        return true;
    } catch (const EWayfarelError &) {
        return false;
    }
}

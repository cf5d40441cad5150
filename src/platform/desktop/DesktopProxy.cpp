#include "platform/desktop/DesktopProxy.h"

#include "platform/desktop/GSettingsProxy.h"
#include "platform/desktop/KioProxy.h"

#include <QStringList>

TDesktopProxy::TDesktopProxy(std::unique_ptr<IDesktopProxy> gnome, std::unique_ptr<IDesktopProxy> kde)
    : FGnome(std::move(gnome)), FKde(std::move(kde))
{}

TDesktopProxy::TDesktopProxy()
    : TDesktopProxy(std::make_unique<TGSettingsProxy>(),
                    std::make_unique<TKioProxy>(TKioProxy::DefaultFileName(), QDBusConnection::sessionBus()))
{}

TDesktopProxy::~TDesktopProxy() = default;

bool TDesktopProxy::IsAvailable() const { return FGnome->IsAvailable(); }

bool TDesktopProxy::Read(TDesktopProxySettings &settings)
{
    IDesktopProxy &store = FGnome->IsAvailable() ? *FGnome : *FKde;
    if (!store.Read(settings))
        return Fail(store.LastError());
    return true;
}

bool TDesktopProxy::Write(const TDesktopProxySettings &settings)
{
    // Each desktop reads only its own store, so one refusing does not keep the other unchanged.
    QStringList reasons;
    for (IDesktopProxy *store : {FGnome.get(), FKde.get()}) {
        if (store->IsAvailable() && !store->Write(settings))
            reasons.append(store->LastError());
    }
    if (!reasons.isEmpty())
        return Fail(reasons.join(QStringLiteral("; ")));
    return true;
}

bool TDesktopProxy::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

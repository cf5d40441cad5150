#include "locations/Proxy.h"

#include "base/Exceptions.h"

bool TCustomProxy::ChangeTo() { throw EAbstractError(); }

bool TCustomProxy::Save() { throw EAbstractError(); }

bool TCustomProxy::Import(const QString &) { throw EAbstractError(); }

bool TCustomProxy::IsEnabled() { throw EAbstractError(); }

void TCustomProxy::SetIsEnabled(bool) { throw EAbstractError(); }

bool TCustomProxy::IsInstalled() { throw EAbstractError(); }

void TCustomProxy::Load() { throw EAbstractError(); }

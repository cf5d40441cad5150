// KDE's kioslaverc. The setting read from any file is written back and reads the same: the
// proxy at once, the exception list once it is in the canonical form a write gives it.
#include "FuzzSupport.h"

#include "platform/desktop/KioProxy.h"

namespace {

TDesktopProxySettings WrittenAndRead(TKioProxy &store, const TDesktopProxySettings &settings)
{
    FuzzCheck(store.Write(settings), "a setting read writes back");
    TDesktopProxySettings reread;
    FuzzCheck(store.Read(reread), "a written file reads");
    return reread;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = WriteFuzzFile(QStringLiteral("kioslaverc"), data, size);
    TKioProxy store(path, QDBusConnection(QStringLiteral("no bus")));
    TDesktopProxySettings read;
    if (!store.Read(read))
        return 0;
    const TDesktopProxySettings once = WrittenAndRead(store, read);
    if (once.Enabled != read.Enabled || once.Server != read.Server)
        qWarning("read [%s]\nreread [%s]", qPrintable(read.Server), qPrintable(once.Server));
    FuzzCheck(once.Enabled == read.Enabled && once.Server == read.Server, "the proxy reads back as written");
    FuzzCheck(WrittenAndRead(store, once) == once, "a setting written twice reads the same");
    return 0;
}

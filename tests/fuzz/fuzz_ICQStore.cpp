// ICQ's Application.mdb as another program left it: any bytes at all. Replacing the
// connection-settings record never crashes or hangs, and a replacement that fails leaves the
// file as it was.
#include "FuzzSupport.h"

#include "modules/ICQStore.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = WriteFuzzFile(QStringLiteral("Application.mdb"), data, size);
    QFile::remove(path + QStringLiteral("-journal"));
    bool replaced = false;
    if (ReplaceConnectionSettings(path, QByteArray(8, '\x10'), &replaced))
        return 0;
    QFile file(path);
    FuzzCheck(file.open(QIODevice::ReadOnly) &&
                  file.readAll() ==
                      QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)),
              "a store that could not be updated is unchanged");
    return 0;
}

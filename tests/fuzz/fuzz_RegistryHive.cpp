// A hive file as the registry stand-in reads it. Whatever parses must format to text that
// parses back to the same hive.
#include "FuzzSupport.h"

#include "platform/registry/RegistryHive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    THive hive;
    try {
        hive = THive::Parse(text, root, QStringLiteral("fuzz.reg"));
    } catch (const EHiveParseError &) {
        return 0;
    }
    const QString formatted = hive.Format(root);
    try {
        FuzzCheck(THive::Parse(formatted, root, QStringLiteral("formatted.reg")).Format(root) == formatted,
                  "a formatted hive parses back to itself");
    } catch (const EHiveParseError &) {
        FuzzCheck(false, "a formatted hive parses");
    }
    return 0;
}

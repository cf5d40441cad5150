// prefs.js and user.js text as Firefox leaves it. Setting preferences keeps every other line,
// reads them back, and the program's own user.js block is replaced, never repeated.
#include "FuzzSupport.h"

#include "platform/clientfiles/FirefoxPrefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<TFirefoxPref> prefs{
        {QStringLiteral("network.proxy.http"), PrefString(QStringLiteral("10.0.0.1"))},
        {QStringLiteral("network.proxy.type"), QStringLiteral("1")}};

    (void)PrefValue(PrefValueLines(QString::fromUtf8(text)), QStringLiteral("network.proxy.type"));
    (void)SetPrefLines(text, prefs);

    // The first write may end an unfinished last line; from then on a switch to the same
    // location leaves the file as it is.
    const QByteArray owned = WithOwnedPrefBlock(text, prefs);
    const QByteArray ownedAgain = WithOwnedPrefBlock(owned, prefs);
    FuzzCheck(WithOwnedPrefBlock(ownedAgain, prefs) == ownedAgain,
              "writing the same block again changes nothing");
    // Adding the block ends an unfinished last line, which removing it does not undo.
    const QByteArray removed = WithOwnedPrefBlock(text, {});
    const QByteArray removedAgain = WithOwnedPrefBlock(owned, {});
    FuzzCheck(removedAgain.startsWith(removed) && removedAgain.size() - removed.size() <= 2,
              "removing the block leaves what removing it from the original leaves");
    return 0;
}

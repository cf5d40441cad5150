// An INI file another program wrote (preferences.ini, amule.conf, kioslaverc). Bytes that are
// taken come back unchanged when nothing is written, and a value written and saved reads back
// after loading the file again.
#include "FuzzSupport.h"

#include "platform/clientfiles/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TIniFile parsed(QStringLiteral("fuzz.ini"));
    if (parsed.Parse(bytes)) {
        QByteArray text;
        FuzzCheck(parsed.Text(&text) && text == bytes, "an unchanged file gives back its bytes");
    }

    const QString path = WriteFuzzFile(QStringLiteral("fuzz.ini"), data, size);
    for (Qt::CaseSensitivity names : {Qt::CaseInsensitive, Qt::CaseSensitive}) {
        TIniFile file(path, names);
        if (!file.Load())
            return 0;
        (void)file.Sections();
        file.WriteString(QStringLiteral("Proxy"), QStringLiteral("ProxyPort"), QStringLiteral("8080"));
        FuzzCheck(file.Save(), "a loaded file saves");
        TIniFile again(path, names);
        FuzzCheck(again.Load(), "a saved file loads");
        FuzzCheck(again.ReadString(QStringLiteral("Proxy"), QStringLiteral("ProxyPort")) ==
                      QLatin1String("8080"),
                  "a written value reads back");
    }
    return 0;
}

#include "modules/ICQ6.h"

#include <QtEndian>

namespace {

constexpr quint32 ObjectHeader = 0x10;
constexpr quint32 EndOfObject = 0;
constexpr quint32 PlainValue = 0;
constexpr quint32 NestedObject = 0x10;
constexpr quint16 BooleanType = 0x000B;
constexpr quint16 IntegerType = 0x0003;
constexpr quint16 TextType = 0x0008;
constexpr quint16 BooleanTrue = 0xFFFF;

void PutWord(QByteArray &Stream, quint16 Value)
{
    char Bytes[2];
    qToLittleEndian(Value, Bytes);
    Stream.append(Bytes, 2);
}

void PutLong(QByteArray &Stream, quint32 Value)
{
    char Bytes[4];
    qToLittleEndian(Value, Bytes);
    Stream.append(Bytes, 4);
}

// Its length in bytes with the terminator, then the text in UTF-16LE and the terminator 00 00.
void PutText(QByteArray &Stream, const QString &Text)
{
    PutLong(Stream, static_cast<quint32>((Text.size() + 1) * 2));
    for (const QChar Char : Text)
        PutWord(Stream, Char.unicode());
    PutWord(Stream, 0);
}

void PutName(QByteArray &Stream, const char *Name, quint32 Kind)
{
    PutText(Stream, QLatin1String(Name));
    PutLong(Stream, Kind);
}

void PutBoolean(QByteArray &Stream, const char *Name)
{
    PutName(Stream, Name, PlainValue);
    PutWord(Stream, BooleanType);
    PutWord(Stream, BooleanTrue);
}

void PutInteger(QByteArray &Stream, const char *Name, int Value)
{
    PutName(Stream, Name, PlainValue);
    PutWord(Stream, IntegerType);
    PutLong(Stream, static_cast<quint32>(Value));
}

void PutTextValue(QByteArray &Stream, const char *Name, const QString &Value)
{
    PutName(Stream, Name, PlainValue);
    PutWord(Stream, TextType);
    PutText(Stream, Value);
}

} // namespace

void TICQ6Writer::writeSettings(QByteArray &Stream, bool Automatic, const QString &ServerHost, int ServerPort,
                                int ProxyType, const QString &ProxyHost, int ProxyPort, bool NeedAuth,
                                const QString &User, const QString &Password) const
{
    PutLong(Stream, ObjectHeader);
    if (Automatic) {
        PutLong(Stream, EndOfObject);
        return;
    }
    PutBoolean(Stream, "IsUserSpecified");
    if (ProxyType != 0) {
        PutName(Stream, "ProxySettings", NestedObject);
        PutLong(Stream, ObjectHeader);
        if (NeedAuth) {
            PutTextValue(Stream, "AuthenticationName", User);
            PutTextValue(Stream, "AuthenticationPass", Password);
        }
        PutTextValue(Stream, "HostName", ProxyHost);
        PutInteger(Stream, "Port", ProxyPort);
        if (NeedAuth)
            PutBoolean(Stream, "RequiresAuthentication");
        PutInteger(Stream, "Type", ProxyType);
        PutLong(Stream, EndOfObject);
    }
    PutTextValue(Stream, "ServerHostName", ServerHost);
    PutInteger(Stream, "ServerPort", ServerPort);
    PutLong(Stream, EndOfObject);
}

#pragma once

#include <QByteArray>
#include <QString>

// Writes the connection-settings record of ICQ 6: a property list of little-endian integers and
// UTF-16LE texts. Automatic settings give an object without properties; manual ones the login
// server and, with a proxy type other than 0, the nested ProxySettings object, which names the
// user and password only when the proxy requires authentication. No Boolean is written false:
// an absent property stands for false. Text lengths take the whole 32-bit field, so texts of
// any length are written whole. The writer holds no state.
class TICQ6Writer
{
public:
    // Appends the record to Stream.
    void writeSettings(QByteArray &Stream, bool Automatic, const QString &ServerHost, int ServerPort,
                       int ProxyType, const QString &ProxyHost, int ProxyPort, bool NeedAuth,
                       const QString &User, const QString &Password) const;
};

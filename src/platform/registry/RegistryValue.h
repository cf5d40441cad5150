#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Registry value types, numbered as the Windows registry numbers them; other numbers
// (REG_QWORD and friends) may be stored raw and keep their number.
enum TRegDataType : quint32 {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

// One value's type and data, the data laid out as Windows stores it: strings as UTF-16LE
// with a closing NUL, a DWORD as four little-endian bytes.
struct TRegValue
{
    TRegDataType Type = REG_NONE;
    QByteArray Data;

    static TRegValue FromString(TRegDataType type, const QString &text);
    static TRegValue FromDword(quint32 value);
    static TRegValue FromMultiString(const QStringList &items);

    // The text up to the first NUL; data without a terminator is taken whole.
    QString AsString() const;
    // The four data bytes as a number; only meaningful when Data holds exactly four bytes.
    quint32 AsDword() const;
    // The UTF-16LE code units of Data (a trailing odd byte is dropped).
    QString AsUtf16Text() const;

    friend bool operator==(const TRegValue &, const TRegValue &) = default;
};

// UTF-16LE bytes of text, no terminator.
QByteArray Utf16LeBytes(const QString &text);

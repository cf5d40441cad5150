#include "platform/registry/RegistryValue.h"

#include <QStringList>
#include <QtEndian>

QByteArray Utf16LeBytes(const QString &text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), bytes.data() + 2 * i);
    return bytes;
}

TRegValue TRegValue::FromString(TRegDataType type, const QString &text)
{
    return {type, Utf16LeBytes(text + QChar(0))};
}

TRegValue TRegValue::FromDword(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(value, bytes.data());
    return {REG_DWORD, bytes};
}

TRegValue TRegValue::FromMultiString(const QStringList &items)
{
    QString text;
    for (const QString &item : items)
        text += item + QChar(0);
    return {REG_MULTI_SZ, Utf16LeBytes(text + QChar(0))};
}

QString TRegValue::AsUtf16Text() const
{
    QString text(Data.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(Data.constData() + 2 * i));
    return text;
}

QString TRegValue::AsString() const
{
    const QString text = AsUtf16Text();
    const qsizetype end = text.indexOf(QChar(0));
    return end < 0 ? text : text.left(end);
}

quint32 TRegValue::AsDword() const
{
    QByteArray bytes = Data.left(4);
    bytes.append(QByteArray(4 - bytes.size(), '\0'));
    return qFromLittleEndian<quint32>(bytes.constData());
}

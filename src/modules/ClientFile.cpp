#include "modules/ClientFile.h"

#include <QFileInfo>

QString ClientFileProblem(const QString &FileName)
{
    const QFileInfo Info(FileName);
    if (Info.isSymLink())
        return QStringLiteral("%1 is a symbolic link: the program does not write through it").arg(FileName);
    if (Info.exists() && !Info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(FileName);
    if (Info.exists() && !Info.isReadable())
        return QStringLiteral("%1 cannot be read").arg(FileName);
    if (Info.exists() && !Info.isWritable())
        return QStringLiteral("%1 cannot be written").arg(FileName);
    if (!QFileInfo(Info.absolutePath()).isWritable())
        return QStringLiteral("the folder of %1 cannot be written").arg(FileName);
    return {};
}

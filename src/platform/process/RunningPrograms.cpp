#include "platform/process/RunningPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

QString ProgramName(const QString &processDir)
{
    QFile comm(processDir + QStringLiteral("/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

} // namespace

QList<qint64> RunningProgramIds(const QStringList &names)
{
    QList<qint64> ids;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isProcess = false;
        const qint64 id = entry.toLongLong(&isProcess);
        const QString processDir = proc.filePath(entry);
        // A process's folder belongs to the user it runs as.
        if (isProcess && QFileInfo(processDir).ownerId() == geteuid() &&
            names.contains(ProgramName(processDir)))
            ids.append(id);
    }
    return ids;
}

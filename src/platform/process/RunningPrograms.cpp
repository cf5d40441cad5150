#include "platform/process/RunningPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

QString ProgramName(const QString &ProcessDir)
{
    QFile Comm(ProcessDir + QStringLiteral("/comm"));
    return Comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(Comm.readAll()).trimmed() : QString();
}

} // namespace

QList<qint64> RunningProgramIds(const QStringList &Names)
{
    QList<qint64> Ids;
    const QDir Proc(QStringLiteral("/proc"));
    for (const QString &Entry : Proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool IsProcess = false;
        const qint64 Id = Entry.toLongLong(&IsProcess);
        const QString ProcessDir = Proc.filePath(Entry);
        // A process's folder belongs to the user it runs as.
        if (IsProcess && QFileInfo(ProcessDir).ownerId() == geteuid() &&
            Names.contains(ProgramName(ProcessDir)))
            Ids.append(Id);
    }
    return Ids;
}

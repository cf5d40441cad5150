// Writes registry values from a separate process, for the tests of concurrent and
// interrupted writers.
//   wayfarel_regwriter write KEY PREFIX COUNT       values PREFIX0.. = 0.. (COUNT 0: forever)
//   wayfarel_regwriter limited KEY NAME BYTES LIMIT  one binary value of BYTES bytes while
//                                                    files may not grow beyond LIMIT bytes
// Keys are under HKEY_LOCAL_MACHINE. Exit code 3 reports a registry error.
#include "platform/registry/Registry.h"

#include <QTextStream>
#include <csignal>
#include <sys/resource.h>

namespace {

int WriteValues(const QString &key, const QString &prefix, int count)
{
    TRegistry registry(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(key, true))
        throw ERegistryException(QStringLiteral("cannot open ") + key);
    for (int i = 0; count == 0 || i < count; ++i)
        registry.WriteInteger(prefix + QString::number(i), i);
    return 0;
}

int WriteLimited(const QString &key, const QString &name, int bytes, rlim_t limit)
{
    TRegistry registry(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(key, true))
        throw ERegistryException(QStringLiteral("cannot open ") + key);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fileSize{limit, limit};
    setrlimit(RLIMIT_FSIZE, &fileSize);
    registry.WriteBinaryData(name, QByteArray(bytes, 'x'));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }();
    try {
        if (args.size() == 4 && args[0] == QLatin1String("write"))
            return WriteValues(args[1], args[2], args[3].toInt());
        if (args.size() == 5 && args[0] == QLatin1String("limited"))
            return WriteLimited(args[1], args[2], args[3].toInt(), args[4].toULong());
    } catch (const ERegistryException &error) {
        QTextStream(stderr) << error.Message() << '\n';
        return 3;
    }
    QTextStream(stderr) << "usage: wayfarel_regwriter write KEY PREFIX COUNT | "
                           "limited KEY NAME BYTES LIMIT\n";
    return 2;
}

#include "cli/CtlSupport.h"

#include "adapters/Network.h"
#include "app/DBManager.h"
#include "base/NetText.h"
#include "locations/LocationQueries.h"
#include "locations/LocationRules.h"
#include "locations/NMFingerprint.h"
#include "transfer/TransferFormat.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

void Fail(const QString &Message, TExitCode Code) { throw ECtlError(Message, Code); }

void Require(bool Answered, const QString &Error)
{
    if (!Answered)
        Fail(Error);
}

TCtlOptions TakeOptions(QStringList &Args)
{
    TCtlOptions Options;
    Options.Verbose = Args.removeAll(QStringLiteral("--verbose")) > 0;
    QString Folder = qEnvironmentVariable("WAYFAREL_DATA_DIR");
    const qsizetype At = Args.indexOf(QStringLiteral("--data"));
    if (At >= 0) {
        if (At + 1 >= Args.size())
            Fail("--data needs a folder", ecUsage);
        Folder = Args.at(At + 1);
        Args.remove(At, 2);
    }
    if (!Folder.isEmpty())
        Options.DataFolder = QDir(Folder).absolutePath() + QLatin1Char('/');
    return Options;
}

QString TakeOptionValue(QStringList &Args, const QString &Option, const QString &Default)
{
    const qsizetype At = Args.indexOf(Option);
    if (At < 0)
        return Default;
    if (At + 1 >= Args.size())
        Fail(QStringLiteral("%1 needs a value").arg(Option), ecUsage);
    const QString Value = Args.at(At + 1);
    Args.remove(At, 2);
    return Value;
}

void TCtlContext::PrintRecord(const QStringList &Fields)
{
    QStringList Clean;
    for (QString Field : Fields)
        Clean.append(Field.replace(QLatin1Char('\t'), QLatin1Char(' '))
                         .replace(QLatin1Char('\r'), QLatin1Char(' '))
                         .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    FOut << Clean.join(QLatin1Char('\t')) << '\n';
}

void TCtlContext::PrintRecords(const QList<QStringList> &Records)
{
    for (const QStringList &Record : Records)
        PrintRecord(Record);
}

void TCtlContext::Note(const QString &Message) { FErr << "wayfarelctl: " << Message << Qt::endl; }

void TCtlContext::Warn(const QString &Message) { Note(QStringLiteral("warning: ") + Message); }

namespace {

// Why the data file could not be opened, said plainly. The program holds the file
// exclusively while it runs, so a readable file that cannot even be read is held.
QString DataFileProblem(const QString &Path)
{
    const QFileInfo Info(Path);
    if (!Info.exists())
        return QStringLiteral("no data file at %1").arg(Path);
    if (!Info.isReadable())
        return QStringLiteral("the data file %1 cannot be read").arg(Path);
    if (!Info.isWritable() || !QFileInfo(Info.absolutePath()).isWritable())
        return QStringLiteral("the data file %1 is read-only (it and its folder must be writable)").arg(Path);
    bool Locked = false;
    {
        QSqlDatabase Probe = QSqlDatabase::addDatabase("QSQLITE", "probe");
        Probe.setDatabaseName(Path);
        Probe.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=0");
        if (Probe.open()) {
            QSqlQuery Query(Probe);
            Locked = !Query.exec("SELECT COUNT(*) FROM sqlite_master") &&
                     Query.lastError().nativeErrorCode() == QLatin1String("5");
        }
        Probe.close();
    }
    QSqlDatabase::removeDatabase("probe");
    if (Locked)
        return QStringLiteral("the data file %1 is in use by another program (is Wayfarel "
                              "running?); close it and try again")
            .arg(Path);
    return QStringLiteral("%1 is not a usable Wayfarel data file").arg(Path);
}

} // namespace

void ChooseDataFile(const QString &Folder)
{
    const QString ProgramFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    if (Folder.isEmpty())
        InitProgramConnectionString(ProgramFolder);
    else
        InitConnectionString(Folder, {DataFileTemplatePath(ProgramFolder), false});
}

void OpenDataFile()
{
    SetOpenFailureHandler([] { Fail(DataFileProblem(ConnectionString()), ecDataFile); });
    SetLocationConnection(GetConnection());
}

TLocation &FindLocation(const TLocationList &List, const QString &Key)
{
    QString Error;
    TLocation *Location = FindLocationByKey(List, Key, &Error);
    if (!Location)
        Fail(Error);
    return *Location;
}

const TNetWork &FindAdapter(const TNetWorkList &Adapters, const QString &Key)
{
    if (const TNetWork *ById = Adapters.GetNetWork(Key))
        return *ById;
    QList<const TNetWork *> Named;
    for (int I = 0; I < Adapters.Count(); ++I)
        if (Adapters.Objects(I) && Adapters.Objects(I)->Name() == Key)
            Named.append(Adapters.Objects(I));
    if (Named.size() > 1)
        Fail(QStringLiteral("%1 adapters are named %2; give the id instead")
                 .arg(Named.size())
                 .arg(QuotedValue(Key)));
    if (Named.isEmpty())
        Fail(QStringLiteral("no adapter %1 (see wayfarelctl adapters)").arg(QuotedValue(Key)));
    return *Named.first();
}

QList<TKnownAdapter> KnownAdapters()
{
    const TNetWorkList Adapters;
    QList<TKnownAdapter> Known;
    for (int I = 0; I < Adapters.Count(); ++I)
        if (const TNetWork *Adapter = Adapters.Objects(I))
            Known.append({Adapter->Id(), Adapter->Name()});
    return Known;
}

TNMFingerprintSource &NetworkSource()
{
    static TNMFingerprintSource Source(std::make_shared<TNMDBus>(QDBusConnection::systemBus()));
    return Source;
}

TNetworkFingerprint CurrentNetwork()
{
    TNetworkFingerprint Network;
    QEventLoop Loop;
    NetworkSource().Read([&](const TNetworkFingerprint &Seen) {
        Network = Seen;
        Loop.quit();
    });
    Loop.exec();
    return Network;
}

TLocationRules LoadedRules(const QString &LocId)
{
    TLocationRules Rules(LocId);
    if (!Rules.Load())
        Fail(QStringLiteral("cannot read the rules: %1").arg(Rules.LastError()));
    return Rules;
}

void SaveRules(TLocationRules &Rules)
{
    if (!Rules.Save())
        Fail(QStringLiteral("cannot store the rules: %1").arg(Rules.LastError()));
}

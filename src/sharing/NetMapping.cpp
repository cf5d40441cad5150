#include "sharing/NetMapping.h"

#include "adapters/WMI.h"
#include "app/IdGen.h"
#include "base/NetText.h"
#include "platform/sharing/DriveLinks.h"
#include "platform/sharing/NetworkMounts.h"
#include "sharing/NetShare.h"

#include <QSet>

TNetMapping::TNetMapping(const QString &Id) : FId(Id) { LoadDefinition(Table, FId, Fields(), &FLastError); }

bool TNetMapping::Save() { return SaveDefinition(Table, FId, Fields(), &FLastError); }

bool TNetMapping::Remove() { return RemoveDefinition(Table, FId, &FLastError); }

bool TNetMapping::Exists(const QString &pId, const QString &pLocId, const QString &pDriver)
{
    return DefinitionExists(Table, QStringLiteral("DRIVER"), pDriver, pLocId, pId);
}

bool TNetMapping::ExistsFolder(const QString &pId, const QString &pLocId, const QString &pRemoteFolder)
{
    return DefinitionExists(Table, QStringLiteral("REMOTE_FOLDER"), pRemoteFolder, pLocId, pId);
}

QList<TDbField> TNetMapping::Fields()
{
    return {{"LOC_ID", FLocId},
            {"DRIVER", FDriver},
            {"USER_NAME", FUserName},
            {"PASSWORD", FPassword},
            {"REMOTE_FOLDER", FRemoteFolder},
            {"AUTO_CONNECT", FAutoConnect}};
}

bool TNetMappingProxy::SkipsChange() { return TCustomProxy::SkipsChange() || !FEnableProxy; }

bool TNetMappingProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    QSet<QString> Drives;
    for (const auto &Mapping : TNetMappingList(FLocId, true)) {
        const QString Drive = TDriveLinks::DriveName(Mapping->Driver());
        if (Drive.isEmpty())
            Reasons->append(QStringLiteral("the drive name %1 is not a letter and a colon")
                                .arg(QuotedValue(Mapping->Driver())));
        else if (Drives.contains(Drive))
            Reasons->append(QStringLiteral("drive %1 is mapped twice").arg(Drive));
        Drives.insert(Drive);
        if (SmbUrlFromUnc(Mapping->RemoteFolder()).isEmpty())
            Reasons->append(QStringLiteral("the remote folder %1 of drive %2 is not \\\\server\\share")
                                .arg(QuotedValue(Mapping->RemoteFolder()), QuotedValue(Mapping->Driver())));
    }
    return Reasons->size() == Before;
}

TRowBinding TNetMappingProxy::Binding()
{
    return {QStringLiteral("MAPPING_PROXY"), {{"ENABLE_PROXY", FEnableProxy}}, {TNetMapping::Table}};
}

bool TNetMappingProxy::Apply()
{
    DisconnectOtherDrives();
    ConnectOwnDrives();
    return true;
}

// Every drive another location defines is disconnected, which also takes it off the list
// restored at logon; only one that was connected and stays is a failure.
void TNetMappingProxy::DisconnectOtherDrives()
{
    for (const auto &Mapping : TNetMappingList(FLocId, false)) {
        const QString Drive = Mapping->Driver();
        const bool Connected = DriveConnected(Drive);
        QString Error;
        if (DisconnectDrive(Drive, &Error))
            FChanges << QStringLiteral("drive %1 disconnected").arg(Drive);
        else if (Connected)
            Warn(QStringLiteral("drive %1 not disconnected: %2").arg(Drive, Error));
    }
}

void TNetMappingProxy::ConnectOwnDrives()
{
    for (const auto &Mapping : TNetMappingList(FLocId, true)) {
        const QString Drive = TDriveLinks::DriveName(Mapping->Driver());
        QString Error;
        if (ConnectDrive(Drive, Mapping->RemoteFolder(), Mapping->UserName(), Mapping->Password(),
                         Mapping->AutoConnect(), &Error))
            FChanges << QStringLiteral("drive %1 connected to %2%3")
                            .arg(Drive, Mapping->RemoteFolder(),
                                 Mapping->AutoConnect() ? QStringLiteral(", restored at logon") : QString());
        else
            Warn(QStringLiteral("drive %1 not connected to %2: %3")
                     .arg(Drive, Mapping->RemoteFolder(), Error));
    }
}

bool TNetMappingProxy::ReadCurrent(const QString &)
{
    QList<QStringList> Connections;
    WmiQueryObjects(QStringLiteral("Win32_NetworkConnection"), QStringLiteral("ResourceType='Disk'"),
                    Connections);
    for (const QStringList &Properties : std::as_const(Connections)) {
        TNetMapping Mapping(GenerateId(32));
        Mapping.SetLocId(FLocId);
        Mapping.SetDriver(WmiStringsValue(Properties, QStringLiteral("LocalName")));
        Mapping.SetRemoteFolder(WmiStringsValue(Properties, QStringLiteral("RemotePath")));
        Mapping.SetAutoConnect(WmiStringsValue(Properties, QStringLiteral("Persistent")) ==
                               QLatin1String("True"));
        Mapping.Save();
    }
    FEnableProxy = true;
    return true;
}

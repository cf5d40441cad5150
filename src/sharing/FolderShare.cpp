#include "sharing/FolderShare.h"

#include "adapters/WMI.h"
#include "app/IdGen.h"
#include "base/NetText.h"
#include "sharing/NetShare.h"

#include <QFileInfo>
#include <QSet>

namespace {

// The characters Samba refuses in a share name.
const QString InvalidNameCharacters = QStringLiteral("%<>*?|/\\+=;:\",");
// What the system takes of a folder's path.
constexpr qsizetype FolderLength = 254;

bool HasControlCharacter(const QString &Text)
{
    return std::any_of(Text.cbegin(), Text.cend(),
                       [](QChar Char) { return Char.category() == QChar::Other_Control; });
}

void CheckName(const QString &Name, QStringList *Reasons)
{
    const bool Refused = std::any_of(Name.cbegin(), Name.cend(),
                                     [](QChar Char) { return InvalidNameCharacters.contains(Char); });
    if (Name.trimmed().isEmpty())
        Reasons->append(QStringLiteral("a share has no name"));
    else if (Refused || HasControlCharacter(Name))
        Reasons->append(
            QStringLiteral("the share name %1 has a character Samba refuses (control characters or "
                           "any of %2)")
                .arg(QuotedValue(Name), InvalidNameCharacters));
}

void CheckFolder(const QString &Name, const QString &Folder, QStringList *Reasons)
{
    const QFileInfo Info(Folder);
    if (Folder.isEmpty() || Info.isRelative())
        Reasons->append(QStringLiteral("the folder %1 of share %2 is not an absolute path")
                            .arg(QuotedValue(Folder), QuotedValue(Name)));
    else if (Folder.size() > FolderLength)
        Reasons->append(
            QStringLiteral("the folder of share %1 is longer than the %2 characters a share takes")
                .arg(QuotedValue(Name))
                .arg(FolderLength));
    else if (!Info.exists())
        Reasons->append(QStringLiteral("the folder %1 of share %2 does not exist")
                            .arg(QuotedValue(Folder), QuotedValue(Name)));
    else if (!Info.isDir())
        Reasons->append(QStringLiteral("%1, the folder of share %2, is not a folder")
                            .arg(QuotedValue(Folder), QuotedValue(Name)));
}

// A share name as Samba compares them.
QString NameKey(const QString &Name) { return Name.toCaseFolded(); }

} // namespace

TFolderShare::TFolderShare(const QString &Id) : FId(Id) { LoadDefinition(Table, FId, Fields(), &FLastError); }

bool TFolderShare::Save() { return SaveDefinition(Table, FId, Fields(), &FLastError); }

bool TFolderShare::Remove() { return RemoveDefinition(Table, FId, &FLastError); }

bool TFolderShare::Exists(const QString &pId, const QString &pLocId, const QString &pShareName)
{
    return DefinitionExists(Table, QStringLiteral("SHARE_NAME"), pShareName, pLocId, pId);
}

bool TFolderShare::ExistsFolder(const QString &pId, const QString &pLocId, const QString &pShareFolder)
{
    return DefinitionExists(Table, QStringLiteral("SHARE_FOLDER"), pShareFolder, pLocId, pId);
}

QList<TDbField> TFolderShare::Fields()
{
    return {{"LOC_ID", FLocId},
            {"SHARE_NAME", FShareName},
            {"SHARE_DESC", FDescription},
            {"SHARE_FOLDER", FShareFolder},
            {"SHARE_TYPE", FShareType}};
}

bool TFolderShareProxy::SkipsChange() { return TCustomProxy::SkipsChange() || !FEnableProxy; }

bool TFolderShareProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    QSet<QString> Names;
    for (const auto &Share : TFolderShareList(FLocId, true)) {
        CheckName(Share->ShareName(), Reasons);
        CheckFolder(Share->ShareName(), Share->ShareFolder(), Reasons);
        if (Names.contains(NameKey(Share->ShareName())))
            Reasons->append(
                QStringLiteral("the share name %1 is given twice").arg(QuotedValue(Share->ShareName())));
        Names.insert(NameKey(Share->ShareName()));
    }
    return Reasons->size() == Before;
}

TRowBinding TFolderShareProxy::Binding()
{
    return {QStringLiteral("FS_PROXY"), {{"ENABLE_PROXY", FEnableProxy}}, {TFolderShare::Table}};
}

bool TFolderShareProxy::Apply()
{
    RemoveOtherShares();
    MakeOwnShares();
    return true;
}

// Only shares the system has are removed: a name another location defines but the system
// does not share is no failure.
void TFolderShareProxy::RemoveOtherShares()
{
    QList<TUserShare> Present;
    QString Error;
    if (!ListShares(Present, &Error)) {
        Warn(QStringLiteral("the shares of other locations were not removed: %1").arg(Error));
        return;
    }
    QSet<QString> Shared;
    for (const TUserShare &Share : std::as_const(Present))
        Shared.insert(NameKey(Share.Name));
    for (const auto &Share : TFolderShareList(FLocId, false)) {
        const QString Name = Share->ShareName();
        if (!Shared.remove(NameKey(Name)))
            continue;
        if (DeleteShare(Name, &Error))
            FChanges << QStringLiteral("share %1 removed").arg(QuotedValue(Name));
        else
            Warn(QStringLiteral("share %1 not removed: %2").arg(QuotedValue(Name), Error));
    }
}

void TFolderShareProxy::MakeOwnShares()
{
    for (const auto &Share : TFolderShareList(FLocId, true)) {
        const QString Name = Share->ShareName();
        QString Error;
        if (CreateShare(Share->ShareFolder(), Name, Share->Description(), &Error) &&
            SetShareAccess(Name, QStringLiteral("Everyone"), GENERIC_READ, &Error))
            FChanges << QStringLiteral("share %1 of %2, readable by everyone")
                            .arg(QuotedValue(Name), QuotedValue(Share->ShareFolder()));
        else
            Warn(QStringLiteral("share %1 not made: %2").arg(QuotedValue(Name), Error));
    }
}

bool TFolderShareProxy::ReadCurrent(const QString &)
{
    QList<QStringList> Shares;
    WmiQueryObjects(QStringLiteral("Win32_Share"), QStringLiteral("Type=0"), Shares);
    for (const QStringList &Properties : std::as_const(Shares)) {
        TFolderShare Share(GenerateId(32));
        Share.SetLocId(FLocId);
        Share.SetShareName(WmiStringsValue(Properties, QStringLiteral("Name")));
        Share.SetShareFolder(WmiStringsValue(Properties, QStringLiteral("Path")));
        Share.SetDescription(WmiStringsValue(Properties, QStringLiteral("Description")));
        Share.SetShareType(1);
        Share.Save();
    }
    FEnableProxy = true;
    return true;
}

#pragma once

#include "platform/process/ProcessRunner.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

// One folder this computer shares with the network.
struct TUserShare
{
    QString Name;
    QString Path;
    QString Comment;
    QString Acl;          // as Samba reports it: "S-1-1-0:R" (everyone, read)
    bool GuestOk = false; // reachable without an account
};

// The folder shares a user may make without root. Failures keep their reason in LastError.
class IUserShares
{
public:
    virtual ~IUserShares() = default;

    virtual bool List(QList<TUserShare> &shares) = 0;
    // Shares path as name, readable by everyone, guests allowed; replaces a share of that name.
    virtual bool Add(const QString &name, const QString &path, const QString &comment) = 0;
    virtual bool Delete(const QString &name) = 0;
    // Gives the existing share name the access list acl ("S-1-1-0:R,S-1-5-32-544:F"), keeping
    // its folder, comment and guest setting.
    virtual bool SetAcl(const QString &name, const QString &acl) = 0;
    // share stays empty when there is none of that name (names compare case-insensitively).
    virtual bool Info(const QString &name, std::optional<TUserShare> &share) = 0;
    virtual QString LastError() const = 0;
};

// The shares "net usershare info" lists, from its output: a "[name]" line, then "key=value"
// lines, for each share. Lines it does not know are passed over.
QList<TUserShare> ParseUserShareInfo(const QString &output);

// The user shares the program's shares go to; null takes them away. Process-wide.
void InstallUserShares(std::shared_ptr<IUserShares> shares);
// Null when none is installed.
std::shared_ptr<IUserShares> InstalledUserShares();

// Samba usershares through the "net usershare" commands. Everyone is given by its SID, so no
// running smbd is needed to add a share; smbd serves it as soon as it runs. A refusal names
// what it means first ("the folder is missing", "the share limit is reached", "usershares are
// not allowed here", "Samba refuses the name", "Samba is not installed"), then net's words.
class TNetUserShares : public IUserShares
{
public:
    // smbConf: the configuration net reads (its usershare path and limits), which must exist;
    // empty for Samba's own. net is started through runner.
    explicit TNetUserShares(const QString &smbConf = QString(),
                            std::shared_ptr<IProcessRunner> runner = std::make_shared<TProcessRunner>());

    bool List(QList<TUserShare> &shares) override;
    bool Add(const QString &name, const QString &path, const QString &comment) override;
    bool Delete(const QString &name) override;
    bool SetAcl(const QString &name, const QString &acl) override;
    bool Info(const QString &name, std::optional<TUserShare> &share) override;
    QString LastError() const override { return FLastError; }

    // Longest wait for one net command.
    static constexpr int CommandTimeoutMs = 30000;

private:
    bool RunUserShare(const QString &verb, const QStringList &arguments, QString *output = nullptr);
    bool Fail(const QString &reason);

    QString FSmbConf;
    std::shared_ptr<IProcessRunner> FRunner;
    QString FLastError;
};

#pragma once

#include <QString>
#include <QStringList>

// A system user of the test's own, made for it and removed after it; the netdev group is made
// when the machine has none, and removed again then. Needs root.
class TTestUser
{
public:
    explicit TTestUser(QString Name);
    ~TTestUser();
    TTestUser(const TTestUser &) = delete;
    TTestUser &operator=(const TTestUser &) = delete;

    bool IsMade() const;
    QString Name() const { return FName; }

private:
    QString FName;
    bool FMadeGroup = false;
    bool FMadeUser = false;
};

// True when the command (argument vector, no shell) ran and exited with 0.
bool RunsOk(const QStringList &Command);

struct TUserRun
{
    int Code = -1; // -1: it did not end normally in time
    QString Out, Err;
};

// Runs Command as User with the group nogroup, the supplementary Groups and no capabilities, in
// the network namespace Namespace when one is named, with this process's environment.
// setpriv itself keeps root's capabilities until it starts the command, so a program it
// started directly would pass any permission check: env stands between them, as a user's
// shell would.
TUserRun RunAsUser(const QString &User, const QStringList &Groups, const QStringList &Command,
                   const QString &Namespace = {}, const QString &WorkingDirectory = {});

#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of the built wayfarelctl: its exit code (-1 when it did not end normally in time)
// and what it printed.
struct TCtlRun
{
    int Code = -1;
    QString Out;
    QString Err;
    QStringList Lines() const { return Out.split('\n', Qt::SkipEmptyParts); }
};

TCtlRun RunCtl(const QStringList &Args,
               const QProcessEnvironment &Env = QProcessEnvironment::systemEnvironment(),
               int TimeoutMs = 120000);

// The same for a copy of wayfarelctl at Program, optionally run by an unprivileged user
// (DropRootPrivileges).
TCtlRun RunCtlProgram(const QString &Program, const QStringList &Args, const QProcessEnvironment &Env,
                      bool Unprivileged = false, int TimeoutMs = 120000);

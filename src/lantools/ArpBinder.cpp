#include "lantools/ArpBinder.h"

#include "lantools/uNetRepaire.h"

#include <QProcess>
#include <iterator>

TArpBinder::~TArpBinder()
{
    // A command still running is the binder's child and is ended with it.
    if (FProcess)
        FProcess->disconnect(this);
}

bool TArpBinder::Start(std::vector<TArpHost> Hosts)
{
    if (FRunning)
        return false;
    FRunning = true;
    FFailures.clear();
    FQueue.assign(std::make_move_iterator(Hosts.begin()), std::make_move_iterator(Hosts.end()));
    // Always later, so Finished never comes before Start has returned.
    QMetaObject::invokeMethod(this, &TArpBinder::BindNext, Qt::QueuedConnection);
    return true;
}

void TArpBinder::BindNext()
{
    while (!FQueue.empty()) {
        const TArpHost host = FQueue.front();
        FQueue.pop_front();
        QString reason;
        const auto command = HostArpBinding(host.Ip, host.Mac, &reason);
        if (!command) {
            FFailures << host.Ip + QStringLiteral(": ") + reason;
            continue;
        }
        FCurrentIp = host.Ip;
        FProcess = new QProcess(this);
        FProcess->setStandardInputFile(QProcess::nullDevice());
        FProcess->setStandardOutputFile(QProcess::nullDevice());
        connect(FProcess, &QProcess::finished, this, &TArpBinder::CommandEnded);
        connect(FProcess, &QProcess::errorOccurred, this, [this](QProcess::ProcessError Error) {
            if (Error == QProcess::FailedToStart)
                CommandFailedToStart();
        });
        FProcess->start(command->Program, command->Arguments);
        return;
    }
    FRunning = false;
    emit Finished(FFailures);
}

void TArpBinder::CommandEnded()
{
    if (FProcess->exitStatus() != QProcess::NormalExit || FProcess->exitCode() != 0) {
        QString reason = QString::fromLocal8Bit(FProcess->readAllStandardError()).simplified();
        if (reason.isEmpty())
            reason =
                QStringLiteral("%1 ended with status %2").arg(FProcess->program()).arg(FProcess->exitCode());
        FFailures << FCurrentIp + QStringLiteral(": ") + reason;
    }
    FProcess->deleteLater();
    FProcess = nullptr;
    BindNext();
}

void TArpBinder::CommandFailedToStart()
{
    FFailures << FCurrentIp + QStringLiteral(": ") + FProcess->program() +
                     QStringLiteral(" could not be started: ") + FProcess->errorString();
    FProcess->deleteLater();
    FProcess = nullptr;
    BindNext();
}

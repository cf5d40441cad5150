#include "platform/process/TermSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write: the byte is the signal's number, read on the event loop.
int SignalPipe[2] = {-1, -1};

void ForwardSignal(int Signal)
{
    const unsigned char Number = static_cast<unsigned char>(Signal);
    [[maybe_unused]] const ssize_t Written = ::write(SignalPipe[0], &Number, 1);
}

void Handle(int Signal, void (*Handler)(int))
{
    struct sigaction Action = {};
    Action.sa_handler = Handler;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    sigaction(Signal, &Action, nullptr);
}

} // namespace

TTermSignals::TTermSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return;
    FNotifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TTermSignals::ReadSignal);
    Handle(SIGTERM, ForwardSignal);
    Handle(SIGINT, ForwardSignal);
}

TTermSignals::~TTermSignals()
{
    if (!FNotifier)
        return;
    Handle(SIGTERM, SIG_DFL);
    Handle(SIGINT, SIG_DFL);
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
}

void TTermSignals::ReadSignal()
{
    unsigned char Number = 0;
    if (::read(SignalPipe[1], &Number, 1) == 1)
        emit Received(Number);
}

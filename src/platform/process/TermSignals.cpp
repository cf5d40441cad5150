#include "platform/process/TermSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write: the byte is the signal's number, read on the event loop.
int SignalPipe[2] = {-1, -1};

void ForwardSignal(int signal)
{
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[0], &number, 1);
}

void Handle(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
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
    unsigned char number = 0;
    if (::read(SignalPipe[1], &number, 1) == 1)
        emit Received(number);
}

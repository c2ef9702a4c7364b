#include "platform/signal_watcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {
int signalFds[2] = {-1, -1};

extern "C" void onSignal(int signalNumber) {
    const char byte = static_cast<char>(signalNumber);
    // Only async-signal-safe work here: hand the number to the event loop.
    [[maybe_unused]] const auto n = ::write(signalFds[0], &byte, 1);
}
} // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
    if (signalFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) != 0)
        return;
    notifier_ = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

SignalWatcher::~SignalWatcher() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

void SignalWatcher::readSignal() {
    char byte = 0;
    if (::read(signalFds[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(static_cast<int>(byte));
}

} // namespace platform

#include "cli/run_control.h"

#include "cli/command_line.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

volatile sig_atomic_t askedToStop = 0;

extern "C" void noteInterrupt(int signal) {
    askedToStop = signal;
}

} // namespace

void makeOutputFolder(const QString& folder, const QString& option) {
    const QFileInfo info(folder);
    if (info.isDir())
        return;
    if (info.exists() || !QDir().mkpath(folder))
        throw Exit{NotAllDone, u"Cannot create the folder "_s + folder + u" given with --"_s +
                                   option + u"; nothing was done."_s};
}

void watchInterrupts() {
    struct sigaction note {};
    note.sa_handler = noteInterrupt;
    sigemptyset(&note.sa_mask);
    // No SA_RESTART: a question waiting on the terminal is answered "end
    // of input" (No), and the run goes on to its next stop.
    ::sigaction(SIGINT, &note, nullptr);
    ::sigaction(SIGTERM, &note, nullptr);
}

int interruptSignal() {
    return askedToStop;
}

void stopIfInterrupted() {
    if (const int signal = askedToStop)
        throw Interrupted{signal};
}

QString interruptedText(int signal) {
    const QString name = signal == SIGINT ? u"SIGINT"_s : u"SIGTERM"_s;
    return u"Stopped by "_s + name +
           u": what was in progress was finished, nothing after it was started."_s;
}

} // namespace cli

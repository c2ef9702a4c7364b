#include "platform/process.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

namespace platform {

ProcessEnd runAndWait(const QString& program, const QStringList& arguments,
                      const QString& workingDir) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDir);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    process.start();
    // The event loop keeps the window painting while the program runs.
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.error() == QProcess::FailedToStart)
        return ProcessEnd::notStarted();
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        return ProcessEnd::crashed();
    return ProcessEnd::exited(process.exitCode());
}

bool startDetached(const QString& program, const QStringList& arguments,
                   const QString& workingDir) {
    return QProcess::startDetached(program, arguments, workingDir);
}

} // namespace platform

#include "support/cli_runner.h"

#include <QElapsedTimer>
#include <QProcess>

namespace testing_support {

QStringList CliRun::outLines() const {
    QStringList lines = out.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

CliRun runCli(const QString& binary, const QStringList& args, const QString& workDir,
              const QByteArray& input) {
    QProcess process;
    process.setWorkingDirectory(workDir);
    QElapsedTimer timer;
    timer.start();
    process.start(binary, args);
    CliRun run;
    if (!process.waitForStarted(30000)) {
        run.err = process.errorString();
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished(5000);
    run.elapsedMs = timer.elapsed();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit)
        run.code = process.exitCode();
    return run;
}

} // namespace testing_support

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

namespace testing_support {

/// How one run of quorvel-cli ended.
struct CliRun {
    int code = -1; ///< exit code; -1 when it did not end by itself
    QString out;   ///< standard output
    QString err;   ///< standard error
    qint64 elapsedMs = 0;
    /// The lines of standard output.
    QStringList outLines() const;
};

/// Runs the real quorvel-cli `binary` with `args` in `workDir`, in this
/// process's environment (HOME as the test set it), `input` on its
/// standard input (a pipe, never a terminal). Waits at most two minutes.
CliRun runCli(const QString& binary, const QStringList& args, const QString& workDir,
              const QByteArray& input = {});

/// The exit code and both outputs of `run`, for a failed expectation.
inline std::string diagnose(const CliRun& run) {
    return (QStringLiteral("exit ") + QString::number(run.code) + QStringLiteral("\nout: ") +
            run.out + QStringLiteral("\nerr: ") + run.err)
        .toStdString();
}

} // namespace testing_support

#define EXPECT_EXIT_CODE(run, expected)                                                            \
    EXPECT_EQ((run).code, expected) << testing_support::diagnose(run)

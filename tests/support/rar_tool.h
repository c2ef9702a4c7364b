#pragma once

#include <QString>
#include <QStringList>

namespace testing_support {

/// The `rar` command (RAR5 archives for tests): its path, empty when it is
/// not installed.
QString rarToolPath();

/// Runs `rar` with `arguments` (command word first) in `workDir`, standard
/// input closed: it must never wait for an answer, so passwords go on the
/// command line (-p..., -hp...) and -y is added. Without `output` its
/// messages are switched off (-idq); with it, its standard output is kept
/// there. Returns its exit code, -1 when it did not run or end.
int runRarTool(const QString& workDir, const QStringList& arguments, QString* output = nullptr);

/// The bare entry names of an archive in stored order (`rar lb`).
QStringList rarToolNames(const QString& archive);

} // namespace testing_support

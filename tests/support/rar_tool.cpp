#include "support/rar_tool.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace testing_support {

QString rarToolPath() {
    return QStandardPaths::findExecutable(QStringLiteral("rar"));
}

int runRarTool(const QString& workDir, const QStringList& arguments, QString* output) {
    const QString program = rarToolPath();
    if (program.isEmpty())
        return -1;
    QProcess rar;
    rar.setWorkingDirectory(workDir);
    rar.setStandardInputFile(QProcess::nullDevice());
    QStringList args = arguments;
    // The command word stays first; switches may follow it anywhere.
    args.insert(1, QStringLiteral("-y"));
    if (output == nullptr)
        args.insert(2, QStringLiteral("-idq"));
    rar.start(program, args);
    if (!rar.waitForFinished(60000) || rar.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output != nullptr)
        *output = QString::fromUtf8(rar.readAllStandardOutput());
    return rar.exitCode();
}

QStringList rarToolNames(const QString& archive) {
    QString text;
    if (runRarTool(QDir::tempPath(), {QStringLiteral("lb"), archive}, &text) != 0)
        return {};
    // The bare listing has no banner; any line ending in spaces is trimmed.
    QStringList names;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QString name = line.trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

} // namespace testing_support

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testing_support {

/// A fake game program: a shell script that, while it "plays", logs its
/// working folder, its arguments and the Demos folder beside its own, and
/// keeps a copy of the exec file it was told to run.
class FakeGame {
public:
    /// Writes the script as `systemDir` + "/" + `name`, executable, ending
    /// with `exitCode` (a negative one: killed by that signal); its log and
    /// exec-file copy go to `workDir`.
    /// `interpreter` other than /bin/sh makes a program that cannot start.
    FakeGame(const QString& systemDir, const QString& workDir,
             const QString& name = QStringLiteral("ut2004-bin"), int exitCode = 0,
             const QByteArray& interpreter = "/bin/sh");

    /// Path of the script.
    QString program() const { return program_; }
    /// One entry per run: "<working folder>|<argument count>|<first argument>".
    QStringList runs() const;
    /// Per run, the names in ../Demos while it ran, sorted.
    QList<QStringList> demosSeen() const;
    /// The exec file's bytes as the last run found them (empty when none).
    QByteArray execFileSeen() const;

private:
    QString program_;
    QString log_;
    QString snapshot_;
};

} // namespace testing_support

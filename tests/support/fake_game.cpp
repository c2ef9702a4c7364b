#include "support/fake_game.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace testing_support {

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

FakeGame::FakeGame(const QString& systemDir, const QString& workDir, const QString& name,
                   int exitCode, const QByteArray& interpreter)
    : program_(systemDir + u'/' + name), log_(workDir + u"/game.log"_s),
      snapshot_(workDir + u"/rundemo.seen"_s) {
    QDir().mkpath(systemDir);
    QDir().mkpath(workDir);
    const QByteArray ending = exitCode < 0 ? "kill -" + QByteArray::number(-exitCode) + " $$\n"
                                           : "exit " + QByteArray::number(exitCode) + "\n";
    const QByteArray script = "#!" + interpreter +
                              "\n"
                              "printf 'run|%s|%s|%s\\n' \"$(pwd -P)\" \"$#\" \"$1\" >> '" +
                              log_.toUtf8() +
                              "'\n"
                              "printf 'demos|%s\\n' \"$(ls ../Demos | tr '\\n' '/')\" >> '" +
                              log_.toUtf8() +
                              "'\n"
                              "cp rundemo.txt '" +
                              snapshot_.toUtf8() + "' 2>/dev/null\n" + ending;
    QFile f(program_);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << program_.toStdString();
    f.write(script);
    f.close();
    QFile::setPermissions(program_, QFile::permissions(program_) | QFile::ExeOwner |
                                        QFile::ExeGroup | QFile::ExeOther);
}

QStringList FakeGame::runs() const {
    QStringList out;
    for (const QString& line : QString::fromUtf8(readAll(log_)).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u"run|"_s))
            out.append(line.mid(4));
    }
    return out;
}

QList<QStringList> FakeGame::demosSeen() const {
    QList<QStringList> out;
    for (const QString& line : QString::fromUtf8(readAll(log_)).split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u"demos|"_s))
            continue;
        QStringList names = line.mid(6).split(u'/', Qt::SkipEmptyParts);
        names.sort();
        out.append(names);
    }
    return out;
}

QByteArray FakeGame::execFileSeen() const {
    return readAll(snapshot_);
}

} // namespace testing_support

#include "support/tree_builder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace testing_support {

TempTree::TempTree() {
    EXPECT_TRUE(dir_.isValid());
}

QString TempTree::path(const QString& relative) const {
    return dir_.path() + u'/' + relative;
}

QString TempTree::file(const QString& relative, const QByteArray& content) {
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << p.toStdString();
    f.write(content);
    return p;
}

QString TempTree::folder(const QString& relative) {
    const QString p = path(relative);
    QDir().mkpath(p);
    return p;
}

QString TempTree::gameFolder(const QString& relative, const QStringList& subFolders) {
    const QStringList subs =
        subFolders.isEmpty()
            ? QStringList{u"System"_s, u"Maps"_s,  u"Textures"_s,   u"StaticMeshes"_s,
                          u"Sounds"_s, u"Music"_s, u"Animations"_s, u"KarmaData"_s,
                          u"Help"_s,   u"Cache"_s}
            : subFolders;
    for (const QString& s : subs)
        folder(relative + u'/' + s);
    return path(relative);
}

QByteArray TempTree::read(const QString& relative) const {
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TempTree::exists(const QString& relative) const {
    return QFileInfo::exists(path(relative));
}

QStringList TempTree::allFiles() const {
    QStringList out;
    QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(dir_.path()).relativeFilePath(it.next()));
    out.sort();
    return out;
}

} // namespace testing_support

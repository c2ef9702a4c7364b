#include "core/temp_folder.h"
#include "install/placement.h"
#include "install/placement_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class FlattenTemp : public testing_support::PlacementFixture {
protected:
    /// Runs passes until one reports done; returns how many it took.
    int flattenAll() {
        int passes = 1;
        while (!core::FlattenTempFolder(ctx()) && passes < 100)
            ++passes;
        return passes;
    }
    QStringList tempEntries() const {
        return QDir(core.state.TempDir)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
};

TEST_F(FlattenTemp, NoSubfolderIsDoneAtOnce) {
    temp(u"Foo.utx"_s);
    EXPECT_TRUE(core::FlattenTempFolder(ctx()));
    EXPECT_EQ(tempEntries(), QStringList{u"Foo.utx"_s});
}

TEST_F(FlattenTemp, NestedFoldersComeUpOneLevelPerPass) {
    temp(u"System/Foo.u"_s, "u");
    temp(u"Textures/Foo.utx"_s, "t");
    temp(u"a/b/c/Deep.ut2"_s, "m");
    temp(u"a/b/.hidden"_s, "h");

    EXPECT_FALSE(core::FlattenTempFolder(ctx()));
    // After one pass: System and Textures emptied and gone; a's child b is up.
    EXPECT_EQ(tempEntries(), (QStringList{u"Foo.u"_s, u"Foo.utx"_s, u"b"_s}));
    EXPECT_FALSE(core::FlattenTempFolder(ctx()));
    EXPECT_FALSE(core::FlattenTempFolder(ctx()));
    EXPECT_TRUE(core::FlattenTempFolder(ctx()));
    EXPECT_EQ(tempEntries(), (QStringList{u".hidden"_s, u"Deep.ut2"_s, u"Foo.u"_s, u"Foo.utx"_s}));
    EXPECT_EQ(tree.read(u"Temp/Foo.u"_s), "u");
    EXPECT_EQ(tree.read(u"Temp/Deep.ut2"_s), "m");
}

TEST_F(FlattenTemp, AtMostTenSubfoldersAPass) {
    for (int i = 0; i < 12; ++i)
        temp(u"d%1/f%1.utx"_s.arg(i, 2, 10, QChar(u'0')));
    EXPECT_FALSE(core::FlattenTempFolder(ctx()));
    // The first ten by name went; d10 and d11 wait.
    QStringList left;
    for (const QString& e : tempEntries()) {
        if (QFileInfo(core.state.TempDir + u'/' + e).isDir())
            left.append(e);
    }
    EXPECT_EQ(left, (QStringList{u"d10"_s, u"d11"_s}));
    EXPECT_FALSE(core::FlattenTempFolder(ctx()));
    EXPECT_TRUE(core::FlattenTempFolder(ctx()));
    EXPECT_EQ(tempEntries().size(), 12);
}

TEST_F(FlattenTemp, NameClashStaysAndEndsThePasses) {
    temp(u"Foo.utx"_s, "top");
    temp(u"sub/foo.UTX"_s, "inner"); // one name on the game's file system
    temp(u"sub/Bar.u"_s, "bar");

    EXPECT_FALSE(core::FlattenTempFolder(ctx())); // Bar.u moved
    EXPECT_TRUE(core::FlattenTempFolder(ctx()));  // nothing more can change
    EXPECT_EQ(tempEntries(), (QStringList{u"Bar.u"_s, u"Foo.utx"_s, u"sub"_s}));
    EXPECT_EQ(tree.read(u"Temp/Foo.utx"_s), "top");
    EXPECT_EQ(tree.read(u"Temp/sub/foo.UTX"_s), "inner");
}

TEST_F(FlattenTemp, FolderHoldingItsOwnNameStays) {
    temp(u"Maps/Maps/DM-A.ut2"_s);
    // Maps/Maps cannot come up beside Maps, so no pass changes anything.
    EXPECT_TRUE(core::FlattenTempFolder(ctx()));
    EXPECT_TRUE(tree.exists(u"Temp/Maps/Maps/DM-A.ut2"_s));
}

TEST_F(FlattenTemp, ReadOnlyEntriesAreMadeWritableAndMoved) {
    const QString inner = temp(u"ro/sub/Foo.utx"_s);
    const QString sub = tree.path(u"Temp/ro/sub"_s);
    const QString ro = tree.path(u"Temp/ro"_s);
    const auto noWrite = [](const QString& p) {
        QFile::setPermissions(p, QFile::permissions(p) & ~QFileDevice::WriteOwner);
    };
    noWrite(inner);
    noWrite(sub);
    noWrite(ro);
    EXPECT_EQ(flattenAll(), 3);
    EXPECT_EQ(tempEntries(), QStringList{u"Foo.utx"_s});
    EXPECT_TRUE(QFile::permissions(tree.path(u"Temp/Foo.utx"_s)) & QFileDevice::WriteOwner);
}

TEST_F(FlattenTemp, KeepsTheFolderIndexCurrent) {
    temp(u"sub/Foo.utx"_s);
    // Listed before the pass: the index must learn of the move.
    EXPECT_FALSE(ctx().folders.exists(core.state.TempDir, u"foo.utx"_s));
    EXPECT_TRUE(ctx().folders.exists(core.state.TempDir, u"SUB"_s));
    flattenAll();
    EXPECT_TRUE(ctx().folders.exists(core.state.TempDir, u"foo.utx"_s));
    EXPECT_FALSE(ctx().folders.exists(core.state.TempDir, u"sub"_s));
}

} // namespace

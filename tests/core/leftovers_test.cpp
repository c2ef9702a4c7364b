#include "core/temp_folder.h"
#include "install/placement.h"
#include "install/placement_fixture.h"
#include "platform/folder_index.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::PlacementFixture;

namespace {

class Leftovers : public PlacementFixture {
protected:
    QString replaceQuestion(const QString& relative) const {
        const QFileInfo from(core.state.TempDir + u'/' + relative);
        return tree.root() + u"/ToBeMoved/"_s + relative +
               u" already exists.\r\rReplace it with "_s + from.fileName() + u" from "_s +
               from.path() + u"?"_s;
    }
};

TEST_F(Leftovers, NothingToMoveIsFalseAndMakesNoFolder) {
    EXPECT_FALSE(core::MoveLeftovers(ctx()));
    EXPECT_FALSE(tree.exists(u"ToBeMoved"_s));
}

TEST_F(Leftovers, FilesAndFoldersMoveWhole) {
    temp(u"odd.dat"_s, "d");
    temp(u"Stuck/Stuck/DM-A.ut2"_s, "m");
    ctx().folders.exists(core.state.TempDir, u"odd.dat"_s); // listed before the move

    EXPECT_TRUE(core::MoveLeftovers(ctx()));

    EXPECT_EQ(filesIn(u"ToBeMoved"_s), (QStringList{u"Stuck/Stuck/DM-A.ut2"_s, u"odd.dat"_s}));
    EXPECT_EQ(tree.read(u"ToBeMoved/odd.dat"_s), "d");
    EXPECT_TRUE(
        QDir(core.state.TempDir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_FALSE(ctx().folders.exists(core.state.TempDir, u"odd.dat"_s));
}

TEST_F(Leftovers, ReplacingAnEarlierLeftoverIsAskedAndMayBeRefused) {
    tree.file(u"ToBeMoved/a.dat"_s, "earlier a");
    tree.file(u"ToBeMoved/b.dat"_s, "earlier b");
    temp(u"a.dat"_s, "new a");
    temp(u"b.dat"_s, "new b");
    dialogs.buttonAnswers = {platform::Yes, platform::No};

    // The last move was refused.
    EXPECT_FALSE(core::MoveLeftovers(ctx()));

    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Confirmation);
    EXPECT_EQ(dialogs.shown[0].text, replaceQuestion(u"a.dat"_s));
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Yes | platform::No);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(50, 125));
    EXPECT_EQ(tree.read(u"ToBeMoved/a.dat"_s), "new a");
    EXPECT_EQ(tree.read(u"ToBeMoved/b.dat"_s), "earlier b");
    EXPECT_EQ(filesIn(u"Temp"_s), QStringList{u"b.dat"_s});
}

TEST_F(Leftovers, FoldersOfTheSameNameAreMergedAskingOnlyAboutClashes) {
    tree.file(u"ToBeMoved/pack/old.txt"_s, "kept");
    tree.file(u"ToBeMoved/pack/same.txt"_s, "earlier");
    temp(u"pack/same.txt"_s, "new");
    temp(u"pack/deep/extra.txt"_s, "x");
    dialogs.buttonAnswers = {platform::Yes};

    EXPECT_TRUE(core::MoveLeftovers(ctx()));

    EXPECT_EQ(dialogs.texts(), QStringList{replaceQuestion(u"pack/same.txt"_s)});
    EXPECT_EQ(filesIn(u"ToBeMoved"_s),
              (QStringList{u"pack/deep/extra.txt"_s, u"pack/old.txt"_s, u"pack/same.txt"_s}));
    EXPECT_EQ(tree.read(u"ToBeMoved/pack/same.txt"_s), "new");
    EXPECT_FALSE(tree.exists(u"Temp/pack"_s));
}

class RecycleBin : public PlacementFixture {
protected:
    RecycleBin() : oldHome_(qgetenv("HOME")) {
        qputenv("HOME", tree.folder(u"home"_s).toLocal8Bit());
    }
    ~RecycleBin() override { qputenv("HOME", oldHome_); }
    /// Files in a trash folder anywhere below the tree.
    QStringList trashed() const {
        QStringList out;
        for (const QString& f : tree.allFiles()) {
            if (f.contains(u"Trash/files/"_s))
                out.append(QFileInfo(f).fileName());
        }
        return out;
    }

private:
    QByteArray oldHome_;
};

TEST_F(RecycleBin, AFileGoesToTheDesktopTrash) {
    const QString archive = tree.file(u"archives/DM-Foo.zip"_s, "zip");
    EXPECT_TRUE(core::MoveToRecycleBin(ctx(), archive));
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(trashed(), QStringList{u"DM-Foo.zip"_s});
}

TEST_F(RecycleBin, AMissingFileIsFalseAndTouchesNoTrash) {
    EXPECT_FALSE(core::MoveToRecycleBin(ctx(), tree.path(u"archives/none.zip"_s)));
    EXPECT_TRUE(trashed().isEmpty());
    EXPECT_FALSE(tree.exists(u"home/.local/share/Trash"_s));
}

} // namespace

// Case-insensitive look-ups answered from one listing per folder.
#include "platform/folder_index.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using platform::FolderIndex;
using testing_support::TempTree;

namespace {

QStringList names(const QList<platform::FileEntry>& entries) {
    QStringList out;
    for (const platform::FileEntry& e : entries)
        out.append(e.name);
    return out;
}

TEST(FolderIndex, FindsIgnoringCaseAndPrefersTheExactName) {
    TempTree tree;
    tree.file(u"Maps/DM-Deck.ut2"_s);
    tree.file(u"Maps/dm-deck.UT2"_s);
    tree.file(u"Maps/.hidden"_s);
    tree.file(u"Maps/Only.txt"_s);
    ASSERT_TRUE(QFile::link(tree.path(u"nowhere"_s), tree.path(u"Maps/Broken"_s)));
    const QString maps = tree.path(u"Maps"_s);
    FolderIndex index;

    EXPECT_EQ(index.find(maps, u"dm-deck.UT2"_s), maps + u"/dm-deck.UT2"_s);
    EXPECT_EQ(index.find(maps + u"/"_s, u"DM-Deck.ut2"_s), maps + u"/DM-Deck.ut2"_s);
    EXPECT_EQ(index.find(maps, u"DM-DECK.ut2"_s), maps + u"/DM-Deck.ut2"_s); // least variant
    EXPECT_EQ(index.find(maps + u"//"_s, u"ONLY.TXT"_s), maps + u"/Only.txt"_s);
    EXPECT_TRUE(index.exists(maps, u".HIDDEN"_s));
    EXPECT_TRUE(index.exists(maps, u"broken"_s)); // a link is listed, not followed
    EXPECT_EQ(index.find(maps, u"DM-Other.ut2"_s), std::nullopt);
    EXPECT_EQ(index.find(maps, QString()), std::nullopt);
    EXPECT_EQ(index.resolve(maps, u"only.TXT"_s), maps + u"/Only.txt"_s);
    EXPECT_EQ(index.resolve(maps + u"/"_s, u"New.ut2"_s), maps + u"/New.ut2"_s);
    EXPECT_EQ(index.findAll(maps, u"DM-DECK.UT2"_s),
              QStringList({maps + u"/DM-Deck.ut2"_s, maps + u"/dm-deck.UT2"_s}));
    EXPECT_EQ(index.findAll(maps, u"only.txt"_s), QStringList({maps + u"/Only.txt"_s}));
    EXPECT_TRUE(index.findAll(maps, u"DM-Other.ut2"_s).isEmpty());

    // A missing folder lists as empty, once.
    const QString missing = tree.path(u"Sounds"_s);
    EXPECT_FALSE(index.exists(missing, u"a.uax"_s));
    EXPECT_EQ(index.resolve(missing, u"a.uax"_s), missing + u"/a.uax"_s);
    EXPECT_TRUE(index.list(missing, u"*.*"_s).isEmpty());
    EXPECT_EQ(index.listingCount(), 2);
}

TEST(FolderIndex, KeptCurrentByTheCallerWithoutRelisting) {
    TempTree tree;
    tree.file(u"Maps/Old.ut2"_s);
    const QString maps = tree.path(u"Maps"_s);
    FolderIndex index;
    ASSERT_TRUE(index.exists(maps, u"old.ut2"_s));

    // Made behind the index's back: not seen until reported.
    tree.file(u"Maps/New.ut2"_s);
    EXPECT_FALSE(index.exists(maps, u"new.UT2"_s));
    index.added(maps + u"/New.ut2"_s);
    EXPECT_EQ(index.find(maps, u"new.UT2"_s), maps + u"/New.ut2"_s);
    index.added(maps + u"/New.ut2"_s); // twice is once
    EXPECT_EQ(names(index.list(maps, u"*.ut2"_s)), (QStringList{u"New.ut2"_s, u"Old.ut2"_s}));

    // Removal is of the exact name only.
    ASSERT_TRUE(QFile::remove(tree.path(u"Maps/Old.ut2"_s)));
    index.removed(maps + u"/OLD.ut2"_s);
    EXPECT_TRUE(index.exists(maps, u"old.ut2"_s));
    index.removed(maps + u"/Old.ut2"_s);
    EXPECT_FALSE(index.exists(maps, u"old.ut2"_s));
    EXPECT_EQ(index.listingCount(), 1);

    // Reports about folders never listed cost nothing and change nothing.
    index.added(tree.path(u"Other/x.txt"_s));
    index.removed(tree.path(u"Other/y.txt"_s));
    EXPECT_EQ(index.listingCount(), 1);

    // A new command starts from the disk.
    tree.file(u"Maps/Behind.ut2"_s);
    index.clear();
    EXPECT_TRUE(index.exists(maps, u"behind.ut2"_s));
    EXPECT_EQ(index.listingCount(), 2);
}

TEST(FolderIndex, FolderAddedOrRemovedIsListedAnew) {
    TempTree tree;
    const QString game = tree.folder(u"game"_s);
    const QString sub = game + u"/Sub"_s;
    FolderIndex index;
    EXPECT_FALSE(index.exists(sub, u"a.txt"_s)); // listed while missing
    EXPECT_FALSE(index.exists(game, u"sub"_s));

    // Moved in whole: the old empty listing must not hide its contents.
    tree.file(u"game/Sub/A.txt"_s);
    index.added(sub);
    EXPECT_EQ(index.find(game, u"SUB"_s), sub);
    EXPECT_EQ(index.find(sub, u"a.txt"_s), sub + u"/A.txt"_s);

    ASSERT_TRUE(QDir(sub).removeRecursively());
    index.removed(sub + u"/"_s);
    EXPECT_FALSE(index.exists(game, u"sub"_s));
    EXPECT_FALSE(index.exists(sub, u"a.txt"_s));
}

TEST(FolderIndex, MasksMatchIgnoringCaseInNameOrder) {
    TempTree tree;
    tree.file(u"c/stem"_s);
    tree.file(u"c/STEM.uxx"_s);
    tree.file(u"c/stem2.ucl"_s);
    tree.file(u"c/other.uxx"_s);
    tree.file(u"c/.dot"_s);
    tree.folder(u"c/Folder"_s);
    const QString c = tree.path(u"c"_s);
    QFile::setPermissions(c + u"/other.uxx"_s, QFileDevice::ReadOwner);
    FolderIndex index;

    struct Case {
        QString mask;
        QStringList expected;
    };
    const Case cases[] = {
        {u"*.*"_s,
         {u".dot"_s, u"Folder"_s, u"other.uxx"_s, u"stem"_s, u"STEM.uxx"_s, u"stem2.ucl"_s}},
        {u"stem*.*"_s, {u"stem"_s, u"STEM.uxx"_s, u"stem2.ucl"_s}},
        {u"Stem.*"_s, {u"stem"_s, u"STEM.uxx"_s}},
        {u"*.UXX"_s, {u"other.uxx"_s, u"STEM.uxx"_s}},
        {u"*.zip"_s, {}},
    };
    for (const Case& t : cases)
        EXPECT_EQ(names(index.list(c, t.mask)), t.expected) << t.mask.toStdString();

    const QList<platform::FileEntry> all = index.list(c + u"/"_s, u"*"_s);
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(all[1].path, c + u"/Folder"_s);
    EXPECT_TRUE(all[1].isDir);
    EXPECT_TRUE(all[2].readOnly);
    EXPECT_FALSE(all[3].isDir || all[3].readOnly);
    EXPECT_EQ(index.listingCount(), 1);
}

} // namespace

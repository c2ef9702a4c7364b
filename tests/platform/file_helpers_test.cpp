#include "core/globals.h"
#include "platform/file_helpers.h"
#include "platform/folder_index.h"
#include "platform/wildcard_mask.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::TempTree;

TEST(Masks, WildcardsIgnoreCaseAndDotStarIsOptional) {
    struct Case {
        QString mask, name;
        bool match;
    };
    // "*" spans folders ("/") and matches nothing at all; "?" is any one
    // character; regular-expression signs are plain characters.
    const Case cases[] = {
        {u"*.*"_s, u"noext"_s, true},
        {u"*.*"_s, u".hidden"_s, true},
        {u"*.zip"_s, u"DM-A.ZIP"_s, true},
        {u"*.zip"_s, u"DM-A.zipx"_s, false},
        {u"DM-A*.*"_s, u"dm-a"_s, true},
        {u"DM-A*.*"_s, u"dm-a.uxx"_s, true},
        {u"DM-A*.*"_s, u"DM-B.uxx"_s, false},
        {u"key*.uxx"_s, u"KEY12.UXX"_s, true},
        {u"a?c"_s, u"abc"_s, true},
        {u"a?c"_s, u"ac"_s, false},
        {u"[x].txt"_s, u"[x].txt"_s, true},
        {u"a+b.*"_s, u"a+b.c"_s, true},
        {u"maps/*"_s, u"Maps/Sub/X.ut2"_s, true},
        {u"*.ut2"_s, u"maps/x.ut2"_s, true},
        {u"a?b"_s, u"a/b"_s, true},
        {u"*"_s, QString(), true},
        {u"*"_s, u"any.thing"_s, true},
        {u"*.*"_s, QString(), true},
        {QString(), QString(), true},
        {QString(), u"x"_s, false},
        {u".*"_s, u"x"_s, false},
        {u".*"_s, u".x"_s, true},
        {u"\u00C4rger*.*"_s, u"\u00E4RGER.txt"_s, true},
        {u"x\\y"_s, u"x\\y"_s, true},
        {u"(a|b)"_s, u"a"_s, false},
        {u"^a$"_s, u"^A$"_s, true},
    };
    for (const Case& c : cases) {
        // One compiled mask for many names answers as the one-off does.
        const platform::WildcardMask compiled(c.mask);
        EXPECT_EQ(compiled.matches(c.name), c.match)
            << c.mask.toStdString() << " vs " << c.name.toStdString();
        EXPECT_EQ(platform::matchesMask(c.mask, c.name), c.match);
        EXPECT_EQ(compiled.matches(c.name), c.match) << "unchanged by use";
    }
}

TEST(CaseInsensitiveNames, ResolveAndList) {
    TempTree tree;
    tree.folder(u"game/Maps"_s);
    tree.file(u"game/Maps/DM-Deck.ut2"_s);
    tree.file(u"game/Maps/readme.TXT"_s);
    const QString game = tree.path(u"game"_s);
    EXPECT_EQ(platform::resolveIgnoringCase(game, u"maps"_s), game + u"/Maps"_s);
    EXPECT_EQ(platform::resolveIgnoringCase(game + u'/', u"maps"_s), game + u"/Maps"_s);
    EXPECT_EQ(platform::resolveIgnoringCase(game, u"Sounds"_s), game + u"/Sounds"_s);
    EXPECT_TRUE(platform::existsIgnoringCase(game + u"/Maps"_s, u"dm-deck.UT2"_s));
    EXPECT_FALSE(platform::existsIgnoringCase(game + u"/Maps"_s, u"dm-other.ut2"_s));
    const auto entries = platform::listByMask(game + u"/Maps"_s, u"*.txt"_s);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].name, u"readme.TXT"_s);
    EXPECT_FALSE(entries[0].isDir);
    tree.file(u"game/Maps/.hidden"_s);
    tree.file(u"game/Maps/noext"_s);
    QStringList all;
    for (const platform::FileEntry& e : platform::listByMask(game + u"/Maps"_s, u"*.*"_s))
        all.append(e.name);
    EXPECT_EQ(all, (QStringList{u".hidden"_s, u"DM-Deck.ut2"_s, u"noext"_s, u"readme.TXT"_s}));
}

TEST(Paths, SlashAndFileName) {
    EXPECT_EQ(platform::withSlash(u"/a/b"_s), u"/a/b/"_s);
    EXPECT_EQ(platform::withSlash(u"/a/b//"_s), u"/a/b/"_s);
    EXPECT_EQ(platform::withSlash(QString()), QString());
    EXPECT_EQ(platform::fileNamePart(u"Maps\\DM-A.ut2"_s), u"DM-A.ut2"_s);
    EXPECT_EQ(platform::fileNamePart(u"a/b/c.txt"_s), u"c.txt"_s);
    EXPECT_EQ(platform::fileNamePart(u"plain"_s), u"plain"_s);
}

TEST(GameSubFolders, ResolvedAgainstExistingChildren) {
    TempTree tree;
    AppState s;
    s.GameDir = tree.gameFolder(u"ut"_s, {u"MAPS"_s, u"System"_s, u"textures"_s});
    s.computeGameSubDirs();
    EXPECT_EQ(s.MapsDir, s.GameDir + u"/MAPS/"_s);
    EXPECT_EQ(s.TexturesDir, s.GameDir + u"/textures/"_s);
    EXPECT_EQ(s.SystemDir, s.GameDir + u"/System/"_s);
    EXPECT_EQ(s.AnimationsDir, s.GameDir + u"/animations/"_s); // missing: specified spelling
    EXPECT_EQ(s.StaticMeshesDir, s.GameDir + u"/StaticMeshes/"_s);
    EXPECT_EQ(s.HelpDir, s.GameDir + u"/help/"_s);
}

TEST(Paths, WorkingFolderChildrenGoByFullPath) {
    // A bare name starting with ":" is a resource to Qt: such a file in the
    // working folder could be neither found nor removed through it.
    TempTree tree;
    tree.file(u"work/:Pkg-tmp.uxx"_s, "x");
    const QString work = tree.path(u"work"_s);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work));
    const QString resolved = platform::resolveIgnoringCase(QString(), u":PKG-TMP.UXX"_s);
    const QList<platform::FileEntry> listed = platform::listByMask(QString(), u"*"_s);
    platform::FolderIndex index;
    const std::optional<QString> found = index.find(QString(), u":pkg-tmp.uxx"_s);
    QDir::setCurrent(before);
    EXPECT_EQ(resolved, work + u"/:Pkg-tmp.uxx"_s);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].path, work + u"/:Pkg-tmp.uxx"_s);
    EXPECT_EQ(found, work + u"/:Pkg-tmp.uxx"_s);
    EXPECT_TRUE(QFile::remove(listed[0].path));
    EXPECT_FALSE(tree.exists(u"work/:Pkg-tmp.uxx"_s));
}

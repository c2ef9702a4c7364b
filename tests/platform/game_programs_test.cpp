#include "platform/game_programs.h"
#include "support/tree_builder.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using testing_support::TempTree;

TEST(GameFolderProbe, FirstCandidateWithSystemFolderWinsIgnoringCase) {
    TempTree tree;
    const QString home = tree.root();
    // Only the candidates below the test's home: the host may have the game.
    QStringList candidates;
    for (const QString& c : platform::gameFolderCandidates(home)) {
        if (c.startsWith(home))
            candidates.append(c);
    }
    ASSERT_EQ(candidates.size(), 4);
    EXPECT_EQ(platform::findGameFolder(candidates), QString());
    tree.folder(u"ut2004/Maps"_s); // no System folder: not a game folder
    tree.folder(u".ut2004/system"_s);
    tree.folder(u".steam/steam/steamapps/common/Unreal Tournament 2004/System"_s);
    EXPECT_EQ(platform::findGameFolder(candidates), home + u"/.ut2004"_s);
    tree.folder(u"ut2004/SYSTEM"_s);
    EXPECT_EQ(platform::findGameFolder(candidates), home + u"/ut2004"_s);
    EXPECT_EQ(platform::findGameFolder({}), QString());
}

TEST(GamePrograms, EachLookUpTakesTheFirstOfItsNamesIgnoringCase) {
    struct Case {
        const char* what;
        QStringList files; // present in System
        QString (*find)(const QString&);
        QString want; // empty: none found
    };
    const Case cases[] = {
        {"game: none", {u"ucc-bin"_s}, platform::findGameExecutable, {}},
        {"game: Windows exe in any case",
         {u"ut2004.EXE"_s},
         platform::findGameExecutable,
         u"ut2004.EXE"_s},
        {"game: Windows exe first",
         {u"ut2004-bin"_s, u"UT2004.exe"_s},
         platform::findGameExecutable,
         u"UT2004.exe"_s},
        {"demo player: native 64-bit first",
         {u"UT2004.exe"_s, u"ut2004-bin"_s, u"ut2004-bin-linux-amd64"_s},
         platform::findDemoPlayer,
         u"ut2004-bin-linux-amd64"_s},
        {"demo player: Windows only", {u"UT2004.exe"_s}, platform::findDemoPlayer, u"UT2004.exe"_s},
        {"tool: ucc before UCC.exe", {u"UCC.exe"_s, u"ucc"_s}, platform::findGameTool, u"ucc"_s},
        {"tool: ucc-bin first", {u"ucc"_s, u"UCC-BIN"_s}, platform::findGameTool, u"UCC-BIN"_s},
        {"tool: none", {u"UT2004.exe"_s}, platform::findGameTool, {}},
        {"game or server: a dedicated server's ucc-bin alone",
         {u"ucc-bin"_s},
         platform::findGameOrServerProgram,
         u"ucc-bin"_s},
        {"game or server: the 64-bit server in any case",
         {u"UCC-BIN-LINUX-AMD64"_s},
         platform::findGameOrServerProgram,
         u"UCC-BIN-LINUX-AMD64"_s},
        {"game or server: the window's program first",
         {u"ucc-bin"_s, u"ut2004-bin-linux-amd64"_s},
         platform::findGameOrServerProgram,
         u"ut2004-bin-linux-amd64"_s},
        {"game or server: a plain ucc or UCC.exe is neither",
         {u"ucc"_s, u"UCC.exe"_s},
         platform::findGameOrServerProgram,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempTree tree;
        const QString system = tree.folder(u"System"_s);
        for (const QString& f : c.files)
            tree.file(u"System/"_s + f, "#!/bin/sh\n");
        const QString got = c.find(system);
        EXPECT_EQ(got, c.want.isEmpty() ? QString() : system + u'/' + c.want);
    }
    // A folder of that name is no program; an empty System folder value finds nothing.
    TempTree tree;
    tree.folder(u"System/ucc"_s);
    EXPECT_EQ(platform::findGameTool(tree.path(u"System"_s)), QString());
    EXPECT_EQ(platform::findGameExecutable(QString()), QString());
}

// The unrar binding, choosing a backend, FileListToProcess and the RAR4
// test writer itself.
#include "archive/rar_archive.h"
#include "archive/unrar_binding.h"
#include "support/rar4_writer.h"
#include "support/rar_fixture.h"
#include "support/rar_tool.h"
#include "support/tree_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;
using archives::RarBackend;
using archives::TdRar3;
using archives::UnrarLibrary;
using testing_support::Rar4Entry;

namespace {

const QString SystemUnrar = u"libunrar.so.5"_s;

TEST(RarFileList, SortedIgnoringCaseWithoutDuplicates) {
    archives::RarFileList list;
    for (const QString& name : {u"maps/b.ut2"_s, u"Readme.txt"_s, u"MAPS/B.UT2"_s, u"a.int"_s,
                                u"Maps\\A.ut2"_s, u"readme.TXT"_s})
        list.add(name);
    EXPECT_EQ(list.items(),
              (QStringList{u"a.int"_s, u"Maps/A.ut2"_s, u"maps/b.ut2"_s, u"Readme.txt"_s}));
    EXPECT_TRUE(list.contains(u"MAPS/a.UT2"_s));
    EXPECT_TRUE(list.contains(u"maps\\B.ut2"_s));
    EXPECT_FALSE(list.contains(u"A.ut2"_s)) << "whole names only";
    EXPECT_FALSE(list.contains(u"maps/b.ut"_s));
    list.clear();
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(list.contains(u"a.int"_s));
}

class ScriptedTarget : public archives::UnrarCallbackTarget {
public:
    std::optional<QByteArray> answer;
    int calls = 0;
    std::optional<QByteArray> unrarNarrowPassword() override {
        ++calls;
        return answer;
    }
};

TEST(UnrarCallback, AnswersEachMessageAsTheLibraryNeeds) {
    ScriptedTarget target;
    target.answer = QByteArray("secret");
    const long user = archives::unrarUserData(&target);
    char buffer[16];
    const auto bufferArg = [&] {
        return static_cast<long>(reinterpret_cast<std::intptr_t>(buffer));
    };

    // Volume changes stop, progress continues, the wide request stays empty.
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_CHANGEVOLUME, user, bufferArg(), 0), -1);
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_CHANGEVOLUMEW, user, bufferArg(), 1), -1);
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_PROCESSDATA, user, bufferArg(), 100), 0);
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_NEEDPASSWORDW, user, bufferArg(), 4), 0);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(target.calls, 0);

    // The narrow request gets the text with its zero, cut to the buffer.
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_NEEDPASSWORD, user, bufferArg(), 16), 0);
    EXPECT_STREQ(buffer, "secret");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_NEEDPASSWORD, user, bufferArg(), 4), 0);
    EXPECT_EQ(QByteArray(buffer, 5), QByteArray("sec\0x", 5));
    EXPECT_EQ(target.calls, 2);

    // A failed handler cancels; no target or no buffer is harmless.
    target.answer.reset();
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_NEEDPASSWORD, user, bufferArg(), 16), -1);
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_NEEDPASSWORD, 0, bufferArg(), 16), 0);
    target.answer = QByteArray("pw");
    EXPECT_EQ(archives::UnrarCallback(archives::UCM_NEEDPASSWORD, user, 0, 16), 0);
}

TEST(UnrarLibrary, PathIsFolderPlusName) {
    EXPECT_EQ(UnrarLibrary::libraryPath({}, {}), u"unrar.dll"_s);
    EXPECT_EQ(UnrarLibrary::libraryPath({}, u"unrar3.dll"_s), u"unrar3.dll"_s);
    EXPECT_EQ(UnrarLibrary::libraryPath(u"/opt/rar"_s, u"libunrar.so.5"_s),
              u"/opt/rar/libunrar.so.5"_s);
    EXPECT_EQ(UnrarLibrary::libraryPath(u"/opt/rar/"_s, {}), u"/opt/rar/unrar.dll"_s);
}

TEST(UnrarLibrary, LoadsOnlyWithAllEightEntryPoints) {
    UnrarLibrary lib;
    ASSERT_TRUE(lib.LoadUnrarLibrary({}, SystemUnrar));
    EXPECT_TRUE(lib.RAROpenArchive && lib.RARCloseArchive && lib.RARReadHeader &&
                lib.RARReadHeaderEx && lib.RARProcessFile && lib.RARSetPassword &&
                lib.RARGetDllVersion && lib.RARSetCallback);
    EXPECT_TRUE(lib.LoadUnrarLibrary(u"/nowhere"_s, u"none.so"_s)) << "already loaded";
    lib.UnloadUnrarLibrary();
    EXPECT_FALSE(lib.isLoaded());
    EXPECT_EQ(lib.RAROpenArchive, nullptr);

    EXPECT_FALSE(lib.LoadUnrarLibrary({}, u"libunrar-absent.so.5"_s));
    // A real library without the entry points is not taken either.
    EXPECT_FALSE(lib.LoadUnrarLibrary({}, u"libz.so.1"_s));
    EXPECT_FALSE(lib.isLoaded());
}

TEST(UnrarLibrary, FallsBackToTheUnversionedName) {
    UnrarLibrary probe;
    ASSERT_TRUE(probe.LoadUnrarLibrary({}, SystemUnrar));
    probe.UnloadUnrarLibrary();
    testing_support::TempTree tree;
    // Only "libunrar.so" in the folder, as a build from source installs it.
    const QString real =
        QFileInfo(u"/usr/lib/x86_64-linux-gnu/libunrar.so.5"_s).canonicalFilePath();
    if (real.isEmpty())
        GTEST_SKIP() << "the library is not in Debian's place on this machine";
    ASSERT_TRUE(QFile::link(real, tree.path(u"libunrar.so"_s)));
    UnrarLibrary lib;
    EXPECT_TRUE(lib.LoadUnrarLibrary(tree.root(), SystemUnrar));
    lib.UnloadUnrarLibrary();
    EXPECT_FALSE(lib.LoadUnrarLibrary(tree.root(), u"libunrar.so.6"_s)) << "only for .so.5";
}

class RarBackendChoice : public ::testing::Test {
protected:
    void SetUp() override {
        archive = tree.path(u"pack.rar"_s);
        ASSERT_TRUE(testing_support::writeRar4Archive(
            archive, {Rar4Entry::file("Maps\\DM-Choice.ut2", "map"),
                      Rar4Entry::file("Readme.txt", "text")}));
        original = tree.read(u"pack.rar"_s);
        rar.ArchiveFileName = archive;
        rar.TargetDirectory = tree.path(u"out"_s);
        rar.OnFileAboutToBeListed = [this](const QString& n) { events.append(n); };
        rar.OnFileAboutToBeExtracted = [this](const QString& n) { events.append(n); };
    }

    testing_support::TempTree tree;
    TdRar3 rar;
    QString archive;
    QByteArray original;
    QStringList events;
};

// The unrar route is missing when the library cannot be loaded or lacks
// an entry point, or when its helper program cannot be started.
struct MissingUnrar {
    const char* what;
    QString library;
    QString helper;
    QString text;
};

class RarWithoutUnrar : public RarBackendChoice,
                        public ::testing::WithParamInterface<MissingUnrar> {};

TEST_P(RarWithoutUnrar, UnrarOnlyGivesMinus111AndTouchesNothing) {
    rar.Backend = RarBackend::UnrarOnly;
    rar.NameofUnrarDll = GetParam().library;
    rar.UnrarHelper = GetParam().helper;
    EXPECT_EQ(rar.List(), archives::rarcode::UnrarNotAvailable);
    EXPECT_EQ(rar.LastErrorText(), GetParam().text);
    EXPECT_EQ(rar.Extract(), -111);
    EXPECT_EQ(rar.LastErrorText(), GetParam().text);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::None);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(rar.TargetDirectory));
    EXPECT_EQ(tree.read(u"pack.rar"_s), original);
}

TEST_P(RarWithoutUnrar, AutoFallsBackToLibarchive) {
    rar.NameofUnrarDll = GetParam().library;
    rar.UnrarHelper = GetParam().helper;
    EXPECT_EQ(rar.Backend, RarBackend::Auto);
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Libarchive);
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Libarchive);
    EXPECT_TRUE(rar.LastErrorText().isEmpty());
    EXPECT_EQ(events, (QStringList{u"Maps/DM-Choice.ut2"_s, u"Readme.txt"_s,
                                   u"Maps/DM-Choice.ut2"_s, u"Readme.txt"_s}));
    EXPECT_EQ(tree.read(u"out/Maps/DM-Choice.ut2"_s), "map");

    // A damaged archive: what libarchive read before the failure.
    const QByteArray sound = testing_support::rar4Archive(
        {Rar4Entry::file("first.txt", "1"), Rar4Entry::file("second.txt", QByteArray(100, '2'))});
    rar.ArchiveFileName = tree.file(u"cut.rar"_s, sound.left(sound.size() - 140));
    events.clear();
    EXPECT_EQ(rar.List(), archives::rarcode::BadArchive);
    EXPECT_EQ(events, QStringList{u"first.txt"_s});
    EXPECT_EQ(rar.LastErrorText(),
              rar.ArchiveFileName + u"\ris not a rar archive, or it is damaged."_s);
}

const QString NoLibraryText = u"The unrar library cannot be loaded."_s;
INSTANTIATE_TEST_SUITE_P(
    Missing, RarWithoutUnrar,
    ::testing::Values(MissingUnrar{"absent", u"libunrar-absent.so.5"_s, {}, NoLibraryText},
                      MissingUnrar{"incomplete", u"libz.so.1"_s, {}, NoLibraryText},
                      MissingUnrar{"helper", SystemUnrar, u"/nowhere/quorvel-unrar"_s,
                                   u"The unrar helper\r/nowhere/quorvel-unrar\rcannot be "
                                   u"started."_s}),
    [](const ::testing::TestParamInfo<MissingUnrar>& p) { return p.param.what; });

TEST_F(RarBackendChoice, AutoListsInProcessAndLeavesTheRestToTheLibrary) {
    rar.NameofUnrarDll = SystemUnrar;
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Libarchive) << "no helper for a sound rar";
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Unrar);
    rar.Backend = RarBackend::LibarchiveOnly;
    EXPECT_EQ(rar.Extract(), 10);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Libarchive);
    EXPECT_EQ(TdRar3().NameofUnrarDll, u"libunrar.so.5"_s);

    // What libarchive cannot read goes to the library, whose names alone
    // arrive: encrypted headers, and an archive the library crashes on.
    tree.file(u"src/Maps/DM-Locked.ut2"_s, "locked");
    const QString locked = tree.path(u"locked.rar"_s);
    ASSERT_EQ(testing_support::runRarTool(tree.path(u"src"_s),
                                          {u"a"_s, u"-r"_s, u"-hpk"_s, locked, u"Maps"_s}),
              0);
    rar.Backend = RarBackend::Auto;
    rar.ArchiveFileName = locked;
    rar.OnReqPassword = [] { return std::optional<QString>(u"k"_s); };
    events.clear();
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Unrar);
    EXPECT_EQ(events, (QStringList{u"Maps/DM-Locked.ut2"_s, u"Maps"_s})) << "as stored, once";

    rar.ArchiveFileName = tree.file(u"crash.rar"_s, testing_support::crashingRar5());
    events.clear();
    EXPECT_EQ(rar.List(), archives::rarcode::BadArchive);
    EXPECT_EQ(rar.usedBackend(), TdRar3::UsedBackend::Unrar);
    EXPECT_EQ(rar.LastErrorText(),
              rar.ArchiveFileName + u"\ris damaged: reading it made the unrar library fail."_s);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(RarBackendChoice, AFailingPasswordHandlerEndsTheLibraryRunCleanly) {
    tree.file(u"src/a.txt"_s, "a");
    const QString locked = tree.path(u"locked.rar"_s);
    ASSERT_EQ(
        testing_support::runRarTool(tree.path(u"src"_s), {u"a"_s, u"-hpk"_s, locked, u"a.txt"_s}),
        0);
    rar.ArchiveFileName = locked;
    rar.NameofUnrarDll = SystemUnrar;
    rar.Backend = RarBackend::UnrarOnly;
    // The handler runs inside the library: its exception must come out
    // after the library returned, with the archive closed.
    rar.OnReqPassword = []() -> std::optional<QString> { throw std::runtime_error("dialog"); };
    EXPECT_THROW(rar.List(), std::runtime_error);
    rar.OnReqPassword = [] { return std::optional<QString>(u"k"_s); };
    EXPECT_EQ(rar.List(), 10);
    EXPECT_EQ(events, QStringList{u"a.txt"_s});
}

TEST_F(RarBackendChoice, AnEmptyTargetMeansTheWorkingFolder) {
    const QString previous = QDir::currentPath();
    const QString work = tree.folder(u"work"_s);
    ASSERT_TRUE(QDir::setCurrent(work));
    rar.TargetDirectory.clear();
    for (const RarBackend backend : {RarBackend::UnrarOnly, RarBackend::LibarchiveOnly}) {
        rar.NameofUnrarDll = SystemUnrar;
        rar.Backend = backend;
        QDir(work + u"/Maps"_s).removeRecursively();
        QFile::remove(work + u"/Readme.txt"_s);
        EXPECT_EQ(rar.Extract(), 10);
        EXPECT_EQ(tree.read(u"work/Maps/DM-Choice.ut2"_s), "map");
        EXPECT_EQ(tree.read(u"work/Readme.txt"_s), "text");
    }
    QDir::setCurrent(previous);
}

TEST(Rar4Writer, BlocksCarryTheFormatsChecksums) {
    const QByteArray empty = testing_support::rar4Archive({});
    // Marker, the usual main header and end block as rar itself writes them.
    EXPECT_EQ(empty.toHex(), QByteArray("526172211a0700"
                                        "cf907300000d00000000000000"
                                        "c43d7b00400700"));
    EXPECT_EQ(testing_support::rarCrc32("123456789"), 0xCBF43926u);
}

TEST(Rar4Writer, RarItselfTestsTheArchivesClean) {
    ASSERT_FALSE(testing_support::rarToolPath().isEmpty());
    testing_support::TempTree tree;
    Rar4Entry unicode = Rar4Entry::file("Sk?ns\\Caf?.utx", QByteArray(70000, 'c'));
    unicode.unicodeName = u"Sk\u00EEns\\Caf\u00E9.utx"_s;
    const QString archive = tree.path(u"w.rar"_s);
    ASSERT_TRUE(testing_support::writeRar4Archive(
        archive, {Rar4Entry::dir("Maps"), Rar4Entry::file("Maps\\DM-W.ut2", "map data"),
                  Rar4Entry::file("empty.txt", ""), unicode}));
    EXPECT_EQ(testing_support::runRarTool(tree.root(), {u"t"_s, archive}), 0);
    Rar4Entry bad = Rar4Entry::file("bad.txt", "data");
    bad.badCrc = true;
    ASSERT_TRUE(testing_support::writeRar4Archive(tree.path(u"bad.rar"_s), {bad}));
    EXPECT_NE(testing_support::runRarTool(tree.root(), {u"t"_s, tree.path(u"bad.rar"_s)}), 0);
}

} // namespace

// cache.ini: how its lines are split, read and written back, which lines a
// listing keeps, and which lines RemoveCacheEntries takes away.
#include "cache/cache_index.h"
#include "core/content_db.h"
#include "platform/errors.h"
#include "support/cache_fixture.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace cache;
using testing_support::CacheEntry;
using testing_support::cacheKey;

namespace {

class CacheIndexTest : public testing_support::CacheFixture {};

/// The bytes of a literal, zero bytes included.
template <std::size_t N> QByteArray raw(const char (&text)[N]) {
    return QByteArray(text, qsizetype(N) - 1);
}

} // namespace

TEST(CacheLineTest, SplitsAtTheFirstEqualsSignAndTakesOnlyPlainNamesAsPackages) {
    struct Case {
        QString line;
        bool split;
        QString key, name;
        bool package;
    };
    const QString k = cacheKey(1);
    const QList<Case> cases = {
        {u"[Cache]"_s, false, {}, {}, false},
        {k + u"=DM-Foo.ut2"_s, true, k, u"DM-Foo.ut2"_s, true},
        {k + u"=a=b.utx"_s, true, k, u"a=b.utx"_s, true},
        {u"=Foo.utx"_s, true, {}, u"Foo.utx"_s, false},
        {k + u"="_s, true, k, {}, false},
        {k + u"=../../System/UT2004.ini"_s, true, k, u"../../System/UT2004.ini"_s, false},
        {k + u"=..\\Foo.u"_s, true, k, u"..\\Foo.u"_s, false},
        {k + u"=.."_s, true, k, u".."_s, false},
        {k + u"="_s + QString(300, u'x'), true, k, QString(255, u'x'), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const std::optional<CacheLine> split = splitCacheLine(c.line);
        ASSERT_EQ(split.has_value(), c.split);
        if (split) {
            EXPECT_EQ(split->key, c.key);
            EXPECT_EQ(split->fileName, c.name);
        }
        EXPECT_EQ(cachedPackage(c.line).has_value(), c.package);
    }
    EXPECT_EQ(packageBase(u"FooTex.utx"_s), u"FooTex"_s);
    EXPECT_EQ(packageBase(u"Foo.big.utx"_s), u"Foo"_s);
    EXPECT_EQ(packageBase(u"Foo"_s), u"Foo"_s);
}

TEST(CacheIniTest, RewritesKeepTheBytesOfEveryKeptLineAndEndThemWithCrLf) {
    struct Case {
        const char* what;
        QByteArray in;
        QStringList texts;
        QByteArray out;
    };
    const QByteArray utf16 = raw("\xFF\xFE[\0C\0]\0\n\0K\0=\0\x16\x04.\0u\0");
    const QList<Case> cases = {
        {"LF alone, no ending at the end",
         "[Cache]\nK=A.utx",
         {u"[Cache]"_s, u"K=A.utx"_s},
         "[Cache]\r\nK=A.utx\r\n"},
        {"CR LF", "[Cache]\r\nK=A.utx\r\n", {u"[Cache]"_s, u"K=A.utx"_s}, "[Cache]\r\nK=A.utx\r\n"},
        {"empty lines stay",
         "[Cache]\r\n\r\nK=A.utx\r\n",
         {u"[Cache]"_s, {}, u"K=A.utx"_s},
         "[Cache]\r\n\r\nK=A.utx\r\n"},
        {"8-bit names as the game writes them",
         "K=Caf\xE9.utx\r\n",
         {u"K=Caf\u00E9.utx"_s},
         "K=Caf\xE9.utx\r\n"},
        {"UTF-8", "K=Caf\xC3\xA9.utx\n", {u"K=Caf\u00E9.utx"_s}, "K=Caf\xC3\xA9.utx\r\n"},
        {"UTF-8 mark", "\xEF\xBB\xBF[Cache]\n", {u"[Cache]"_s}, "\xEF\xBB\xBF[Cache]\r\n"},
        {"UTF-8 marks, two",
         "\xEF\xBB\xBF\xEF\xBB\xBF[Cache]\n",
         {u"[Cache]"_s},
         "\xEF\xBB\xBF\xEF\xBB\xBF[Cache]\r\n"},
        {"UTF-16 marks after the file's own",
         raw("\xFF\xFE\xFF\xFE\xFF\xFE\xFF\xFEK\0=\0a\0\n\0"),
         {u"K=a"_s},
         raw("\xFF\xFEK\0=\0a\0\r\0\n\0")},
        {"UTF-16",
         utf16,
         {u"[C]"_s, u"K=\u0416.u"_s},
         raw("\xFF\xFE[\0C\0]\0\r\0\n\0K\0=\0\x16\x04.\0u\0\r\0\n\0")},
        {"empty", "", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CacheIni ini = CacheIni::fromBytes(c.in);
        EXPECT_EQ(ini.texts(), c.texts);
        EXPECT_EQ(ini.toBytes(), c.out);
        EXPECT_EQ(CacheIni::fromBytes(ini.toBytes()).toBytes(), c.out) << "stable";
    }

    // A tidy that leaves an 8-bit line beginning like UTF-16 first: the
    // texts stay, in UTF-16.
    CacheIni ini = CacheIni::fromBytes("K=a.u\r\n\xFF\xFEx\r\n");
    ini.keepOnly([](const QString& text) { return text != u"K=a.u"_s; });
    EXPECT_EQ(ini.toBytes(), raw("\xFF\xFE\xFF\0\xFE\0x\0\r\0\n\0"));
    EXPECT_EQ(CacheIni::fromBytes(ini.toBytes()).texts(), QStringList{u"\u00FF\u00FEx"_s});
}

TEST(CacheFilesTest, KeysAreLiteralPrefixesIgnoringCase) {
    const QString k = cacheKey(1);
    const CacheFiles files({k.toLower() + u".UXX"_s, cacheKey(2) + u"0.uxx"_s,
                            cacheKey(3) + u".tmp"_s, u"a.uxx"_s, u"cache.ini"_s});
    EXPECT_TRUE(files.hasPackage(k)) << "case is ignored";
    EXPECT_EQ(files.first(k), k.toLower() + u".UXX"_s);
    EXPECT_TRUE(files.hasPackage(cacheKey(2))) << "key + \"*.uxx\"";
    EXPECT_FALSE(files.hasPackage(cacheKey(3))) << "no .uxx";
    EXPECT_EQ(files.first(cacheKey(3)), cacheKey(3) + u".tmp"_s) << "key + \"*.*\"";
    EXPECT_FALSE(files.hasPackage(u"a.uxx"_s)) << "the ending follows the key";
    EXPECT_FALSE(files.hasPackage(QString())) << "an empty key names no file";
    EXPECT_TRUE(files.first(QString()).isEmpty());
    EXPECT_FALSE(files.hasPackage(u"*"_s)) << "never a wildcard";
    EXPECT_TRUE(files.first(u"?"_s).isEmpty());
    EXPECT_TRUE(files.first(u"../"_s).isEmpty());
}

TEST_F(CacheIndexTest, ListingShowsMapsOnlyWhenAskedAndDropsLinesWhoseFileIsGone) {
    const QString a = cacheKey(0xA1), b = cacheKey(0xB2), gone = cacheKey(0xC3);
    cache({{a, u"DM-Foo.ut2"_s}, {b, u"FooTex.utx"_s}, {gone, u"Gone.utx"_s, {}, false}});
    // A line that is no package stays in the file and is not listed.
    QFile ini(core.state.CacheDir + u"cache.ini"_s);
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("; comment\n" + (cacheKey(0xB2) + u"=../Evil.u\n"_s).toUtf8());
    ini.close();

    const std::optional<QStringList> maps = ListCache(ctx(), true);
    ASSERT_TRUE(maps.has_value());
    EXPECT_EQ(*maps, QStringList{u"DM-Foo.ut2"_s});
    EXPECT_EQ(status.status(), u"  1 files listed in Cache"_s);
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, a + u"=DM-Foo.ut2"_s, b + u"=FooTex.utx"_s,
                                       u"; comment"_s, b + u"=../Evil.u"_s}));

    EXPECT_EQ(ListCache(ctx(), false), (QStringList{u"DM-Foo.ut2"_s, u"FooTex.utx"_s}));
    EXPECT_EQ(status.status(), u"  2 files listed in Cache"_s);

    // Every file gone: only the lines without "=" are left.
    QFile::remove(core.state.CacheDir + a + u".uxx"_s);
    QFile::remove(core.state.CacheDir + b + u".uxx"_s);
    EXPECT_EQ(ListCache(ctx(), false), QStringList());
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, u"; comment"_s}));
    EXPECT_EQ(status.status(), u"  0 files listed in Cache"_s);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CacheIndexTest, AMissingIndexIsReportedWithTheGameFolder) {
    EXPECT_FALSE(ListCache(ctx(), false).has_value());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, platform::MsgKind::Warning);
    EXPECT_EQ(dialogs.shown[0].text, u"Cache folder is empty or the specified folder\r"_s +
                                         core.state.GameDir +
                                         u"\ris not the UT2k4 main directory."_s);
    EXPECT_EQ(dialogs.shown[0].buttons, platform::Ok);
    EXPECT_EQ(dialogs.shown[0].offset, QPoint(125, 125));

    // No game configured: the same warning, and the working folder is
    // never taken for the cache.
    core.state.setGameDir(QString());
    tree.file(u"prog/cache.ini"_s, "[Cache]\r\n");
    EXPECT_FALSE(ListCache(ctx(), false).has_value());
}

TEST_F(CacheIndexTest, AnOversizedIndexIsRefusedBeforeItIsRead) {
    QFile ini(core.state.CacheDir + u"cache.ini"_s);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ASSERT_TRUE(ini.resize(MaxCacheIniSize + 1));
    ini.close();
    try {
        ListCache(ctx(), false);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.text().contains(u"too large"_s)) << e.text().toStdString();
    }
    EXPECT_EQ(QFileInfo(ini).size(), MaxCacheIniSize + 1) << "left as it was";
}

TEST_F(CacheIndexTest, RemoveCacheEntriesComparesWholeFileNames) {
    const QString foo = cacheKey(1), big = cacheKey(2), twice = cacheKey(3), other = cacheKey(4);
    cache({{foo, u"Foo.utx"_s},
           {big, u"BigFoo.utx"_s},
           {twice, u"Foo.utx"_s},
           {other, u"DM-Foo.ut2"_s},
           {cacheKey(5), u"Foo.utx.bak"_s}});
    TContentRecord rec;
    rec.Files = {u"Foo.utx"_s, u"DM-Foo.ut2"_s};
    rec.FileCount = 1; // only Files[0] counts
    RemoveCacheEntries(ctx(), rec);
    EXPECT_EQ(iniLines(), (QStringList{u"[Cache]"_s, big + u"=BigFoo.utx"_s,
                                       other + u"=DM-Foo.ut2"_s, cacheKey(5) + u"=Foo.utx.bak"_s}));
}

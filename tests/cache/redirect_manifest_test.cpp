// The redirect folder's manifest: what the writer writes reads back, and
// anything else, found in a folder anyone can write, is not read at all.
#include "cache/redirect_manifest.h"

#include "support/tree_builder.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using cache::ManifestRead;
using cache::RedirectEntry;
using cache::RedirectManifest;
using testing_support::TempTree;

namespace {

TEST(RedirectManifest, WritesEveryNameSoThatItReadsBackExactly) {
    RedirectManifest m;
    const QList<RedirectEntry> entries = {
        {u"DM-Plain.ut2.uz2"_s, 1200, u"/game/Maps/DM-Plain.ut2"_s, 5000, 1718000000123456789},
        {u"Tab\tand\nbreak%20.utx.uz2"_s, 0, u"/g a/Tex tures/Tab\tand\nbreak%20.utx"_s, 0, -5},
        {u"Ünïcödé.U.UZ2"_s, 7, u"/game/System/Ünïcödé.U"_s, 9, 0},
    };
    for (const RedirectEntry& e : entries)
        ASSERT_TRUE(m.put(e));
    const QByteArray bytes = m.toBytes();
    EXPECT_TRUE(bytes.startsWith("quorvel-redirect 1\nDM-Plain.ut2.uz2\t1200\t5000\t"
                                 "1718000000123456789\t/game/Maps/DM-Plain.ut2\n"));
    EXPECT_EQ(bytes.count('\n'), 4) << "a name's line break is encoded";
    const ManifestRead back = RedirectManifest::fromBytes(bytes);
    ASSERT_TRUE(back) << back.problem.toStdString();
    EXPECT_EQ(back.manifest, m);
    EXPECT_EQ(back.manifest.find(u"Tab\tand\nbreak%20.utx.uz2"_s)->sourceTime, -5);
    EXPECT_EQ(back.manifest.find(u"dm-plain.ut2.uz2"_s), nullptr) << "names are exact";

    // What cannot be written is not taken.
    EXPECT_FALSE(m.put({u"../x.uz2"_s, 1, u"/a"_s, 1, 1}));
    EXPECT_FALSE(m.put({u"x.utx"_s, 1, u"/a"_s, 1, 1}));
    EXPECT_FALSE(m.put({u"x.uz2"_s, -1, u"/a"_s, 1, 1}));
    EXPECT_FALSE(m.put({u"x.uz2"_s, 1, u"relative/a"_s, 1, 1}));
    EXPECT_FALSE(m.put({QString(252, u'a') + u".uz2"_s, 1, u"/a"_s, 1, 1}));
    EXPECT_EQ(m.size(), 3);
    EXPECT_TRUE(m.remove(u"DM-Plain.ut2.uz2"_s));
    EXPECT_FALSE(m.remove(u"DM-Plain.ut2.uz2"_s));
}

TEST(RedirectManifest, RefusesWhateverTheWriterWouldNotWrite) {
    const QByteArray head = "quorvel-redirect 1\n";
    const QByteArray good = "a.uz2\t1\t2\t3\t/g/a\n";
    ASSERT_TRUE(RedirectManifest::fromBytes(head));
    ASSERT_TRUE(RedirectManifest::fromBytes(head + good));
    const QList<QByteArray> refused = {
        "",
        "quorvel-redirect 2\n",
        head + "a.uz2\t1\t2\t3\t/g/a",         // cut short
        head + "a.uz2\t1\t2\t3\t/g/a\r\n",     // CR LF
        head + "a.uz2\t1\t2\t3\n",             // four fields
        head + "a.uz2\t1\t2\t3\t/g/a\tmore\n", // six
        head + "a.uz2\t+1\t2\t3\t/g/a\n",      // a number spelt two ways
        head + "a.uz2\t01\t2\t3\t/g/a\n",      //
        head + "a.uz2\t1\t2\t99999999999999999999\t/g/a\n",
        head + "a.uz2\t-1\t2\t3\t/g/a\n",         // negative size
        head + "a.uz2\t1\t2\t3\tg/a\n",           // relative source
        head + "a.utx\t1\t2\t3\t/g/a\n",          // not a .uz2
        head + ".uz2\t1\t2\t3\t/g/a\n",           //
        head + "..%2Fa.uz2\t1\t2\t3\t/g/a\n",     // a path, encoded
        head + "%2Fetc%2Fa.uz2\t1\t2\t3\t/g/a\n", //
        head + "a%00.uz2\t1\t2\t3\t/g/a\n",       // NUL
        head + "%c3%a4.uz2\t1\t2\t3\t/g/a\n",     // lower-case escapes
        head + "%FF.uz2\t1\t2\t3\t/g/a\n",        // not UTF-8
        head + "a b.uz2\t1\t2\t3\t/g/a\n",        // a blank not encoded
        head + good + good,                       // twice
        head + "b.uz2\t1\t2\t3\t/g/b\n" + good,   // out of order
    };
    for (const QByteArray& bytes : refused) {
        const ManifestRead read = RedirectManifest::fromBytes(bytes);
        EXPECT_FALSE(read) << bytes.toStdString();
        EXPECT_FALSE(read.problem.isEmpty()) << bytes.toStdString();
        EXPECT_EQ(read.manifest.size(), 0) << "a refused manifest holds nothing";
    }
}

TEST(RedirectManifest, ReadsOnlyAPlainFileOfItsFolder) {
    TempTree tree;
    const QString dir = tree.folder(u"redirect"_s);
    const QString outside = tree.file(u"outside.txt"_s, "quorvel-redirect 1\n");
    const QString path = dir + u'/' + RedirectManifest::fileName();
    QString problem = u"stale"_s;
    EXPECT_EQ(cache::readRedirectManifest(dir, problem).size(), 0);
    EXPECT_TRUE(problem.isEmpty()) << "none there is no problem";

    RedirectManifest m;
    ASSERT_TRUE(m.put({u"a.uz2"_s, 1, u"/g/a"_s, 2, 3}));
    cache::writeRedirectManifest(dir, m);
    EXPECT_EQ(cache::readRedirectManifest(dir, problem), m);
    EXPECT_TRUE(problem.isEmpty());

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::link(outside, path));
    EXPECT_EQ(cache::readRedirectManifest(dir, problem).size(), 0);
    EXPECT_EQ(problem, u"it is a link"_s);
    cache::writeRedirectManifest(dir, m); // replaces the link
    EXPECT_EQ(tree.read(u"outside.txt"_s), "quorvel-redirect 1\n");
    EXPECT_EQ(cache::readRedirectManifest(dir, problem), m);

    // A FIFO does not hold the reader up; a huge file is not read.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(cache::readRedirectManifest(dir, problem).size(), 0);
    EXPECT_EQ(problem, u"it is not a plain file"_s);
    ASSERT_TRUE(QFile::remove(path));
    QFile huge(path);
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(RedirectManifest::MaxSize + 1));
    huge.close();
    EXPECT_EQ(cache::readRedirectManifest(dir, problem).size(), 0);
    EXPECT_TRUE(problem.contains(u"larger"_s)) << problem.toStdString();
}

} // namespace

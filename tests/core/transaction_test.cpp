// The transaction of an install or uninstall run: its log read back
// whole or up to a torn entry, a run undone when it did not commit (by
// itself, or by the next start), and the index of the game's own files
// that installs overwrote.
#include "core/kept_originals.h"
#include "core/transaction.h"

#include "platform/atomic_file.h"
#include "support/tree_builder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using txn::Op;

namespace {

struct Bed {
    Bed() {
        state.ProgramDir = tree.folder(u"prog"_s);
        tree.file(u"game/Textures/Stock.utx"_s, "stock");
        tree.file(u"prog/mapdata.dat"_s, "old records");
    }
    QString game(const QString& rel) const { return tree.path(u"game/"_s + rel); }
    testing_support::TempTree tree;
    AppState state;
};

/// A run that replaces the stock texture and creates a map: the steps as
/// an install logs them.
QList<Op> installStep(Bed& bed, txn::Transaction& t) {
    const QString backup = t.newBackupPath();
    EXPECT_TRUE(txn::keepBytes(bed.game(u"Textures/Stock.utx"_s), backup));
    const QList<Op> ops = {{Op::Kept, bed.game(u"Textures/Stock.utx"_s), backup},
                           {Op::Created, bed.game(u"Maps/DM-New.ut2"_s), {}}};
    t.log(ops);
    bed.tree.file(u"game/Maps/DM-New.ut2"_s, "map");
    QFile::remove(bed.game(u"Textures/Stock.utx"_s));
    bed.tree.file(u"game/Textures/Stock.utx"_s, "archive's");
    return ops;
}

} // namespace

TEST(TxnLog, ReadsWholeEntriesAndStopsAtTheFirstThatIsNot) {
    const QList<Op> a = {{Op::Kept, u"/g/System/Engine.u"_s, u"/p/Transaction/1"_s},
                         {Op::Created, u"/g/Maps/DM-Ä.ut2"_s, {}}};
    const QList<Op> b = {{Op::Created, u"/g/Textures/T.utx"_s, {}}};
    const QByteArray whole = txn::logHeader() + txn::stepEntry(a) + txn::stepEntry(b);
    struct Case {
        const char* what;
        QByteArray bytes;
        qsizetype steps;
        bool committed;
    };
    QByteArray flipped = whole;
    flipped[flipped.size() - 12] = char(flipped[flipped.size() - 12] ^ 1);
    const QList<Case> cases = {
        {"two steps", whole, 2, false},
        {"committed", whole + txn::commitEntry(), 2, true},
        {"entries after the commit are not the run's",
         whole + txn::commitEntry() + txn::stepEntry(b), 2, true},
        {"second entry cut short", whole.chopped(5), 1, false},
        {"commit cut short", whole + txn::commitEntry().chopped(1), 2, false},
        {"a flipped bit in the second step", flipped, 1, false},
        {"no header", whole.mid(3), 0, false},
        {"a length far beyond the bytes", txn::logHeader() + QByteArray("\xff\xff\xff\x00", 4), 0,
         false},
        {"empty", QByteArray(), 0, false},
    };
    for (const Case& c : cases) {
        const txn::LogContent log = txn::parseLog(c.bytes);
        EXPECT_EQ(log.steps.size(), c.steps) << c.what;
        EXPECT_EQ(log.committed, c.committed) << c.what;
        if (c.steps > 0) {
            EXPECT_EQ(log.steps.first(), a) << c.what;
        }
    }
}

TEST(Transaction, AnUncommittedRunIsUndoneByItselfOrByTheNextStart) {
    for (const bool killed : {false, true}) {
        Bed bed;
        QByteArray left;
        {
            txn::Transaction t(bed.state);
            installStep(bed, t);
            EXPECT_EQ(bed.tree.read(u"game/Textures/Stock.utx"_s), "archive's");
            if (killed) {
                // What a kill leaves: the log and the kept bytes as they are.
                QFile log(txn::logPath(bed.state));
                ASSERT_TRUE(log.open(QIODevice::ReadOnly));
                left = log.readAll();
            }
        }
        if (killed) {
            bed.tree.file(u"game/Maps/DM-New.ut2"_s, "map");
            bed.tree.file(u"game/Textures/Stock.utx"_s, "archive's");
            bed.tree.file(u"prog/Transaction/1"_s, "stock");
            bed.tree.file(u"prog/transaction.log"_s, left);
            const txn::Recovery r = txn::Recover(bed.state);
            EXPECT_EQ(r.outcome, txn::RecoveryOutcome::RolledBack);
            EXPECT_EQ(r.steps, 1);
            EXPECT_EQ(r.changed, 2);
        }
        EXPECT_EQ(bed.tree.read(u"game/Textures/Stock.utx"_s), "stock") << killed;
        EXPECT_FALSE(bed.tree.exists(u"game/Maps/DM-New.ut2"_s)) << killed;
        EXPECT_FALSE(bed.tree.exists(u"prog/transaction.log"_s)) << killed;
        EXPECT_FALSE(bed.tree.exists(u"prog/Transaction"_s)) << killed;
        EXPECT_EQ(txn::Recover(bed.state).outcome, txn::RecoveryOutcome::NothingPending);
    }
}

TEST(Transaction, ACommitRewritesTheDataFilesOnceAndDropsWhatWasKept) {
    Bed bed;
    {
        txn::Transaction t(bed.state);
        installStep(bed, t);
        t.commit({{bed.state.mapDataPath(),
                   [](platform::AtomicFile& out) { out.writeAll(QByteArray("new records")); }},
                  {bed.state.sharedDataPath(),
                   [](platform::AtomicFile& out) { out.writeAll(QByteArray("counts")); }}});
        EXPECT_TRUE(t.committed());
    }
    EXPECT_EQ(bed.tree.read(u"prog/mapdata.dat"_s), "new records");
    EXPECT_EQ(bed.tree.read(u"prog/sharedfiles.dat"_s), "counts");
    EXPECT_EQ(bed.tree.read(u"game/Textures/Stock.utx"_s), "archive's");
    EXPECT_TRUE(bed.tree.exists(u"game/Maps/DM-New.ut2"_s));
    EXPECT_FALSE(bed.tree.exists(u"prog/transaction.log"_s));
    EXPECT_FALSE(bed.tree.exists(u"prog/Transaction"_s));

    // A commit that fails half-way (a data file that cannot be replaced)
    // undoes the run and the data files already rewritten.
    Bed failing;
    failing.tree.folder(u"prog/sharedfiles.dat/in-the-way"_s);
    txn::Transaction t(failing.state);
    installStep(failing, t);
    EXPECT_THROW(
        t.commit({{failing.state.mapDataPath(),
                   [](platform::AtomicFile& out) { out.writeAll(QByteArray("new records")); }},
                  {failing.state.sharedDataPath(),
                   [](platform::AtomicFile& out) { out.writeAll(QByteArray("counts")); }}}),
        platform::Error);
    EXPECT_EQ(failing.tree.read(u"prog/mapdata.dat"_s), "old records");
    EXPECT_EQ(failing.tree.read(u"game/Textures/Stock.utx"_s), "stock");
    EXPECT_FALSE(failing.tree.exists(u"game/Maps/DM-New.ut2"_s));
    EXPECT_FALSE(failing.tree.exists(u"prog/transaction.log"_s));
}

TEST(KeptOriginals, IndexReadsOnlyEntriesOfItsOwn) {
    const QByteArray bytes = "Quorvel kept originals 1\r\n"
                             "1.orig\t/game/System/Engine.u\r\n"
                             "2.orig\t/game/system/ENGINE.U\r\n" // the same file again
                             "3.orig\trelative/path.u\r\n"
                             "../x.orig\t/game/Maps/DM-A.ut2\r\n"
                             "4.orig\t/game/../etc/passwd\r\n"
                             "no tab here\r\n"
                             "12.orig\t/game/Textures/Stock Ä.utx\n";
    const QList<txn::KeptOriginal> expected = {{u"1.orig"_s, u"/game/System/Engine.u"_s},
                                               {u"12.orig"_s, u"/game/Textures/Stock Ä.utx"_s}};
    EXPECT_EQ(txn::KeptOriginals::parse(bytes), expected);
    EXPECT_TRUE(txn::KeptOriginals::parse("something else\r\n1.orig\t/a\r\n").isEmpty());

    Bed bed;
    bed.tree.file(u"prog/kept-originals.txt"_s, bytes);
    txn::KeptOriginals kept = txn::KeptOriginals::load(bed.state);
    EXPECT_EQ(kept.keptFor(u"/GAME/SYSTEM/engine.u"_s),
              bed.state.ProgramDir + u"/Originals/1.orig"_s);
    EXPECT_EQ(kept.reserve(u"/game/Maps/DM-B.ut2"_s),
              bed.state.ProgramDir + u"/Originals/13.orig"_s);
    kept.drop(u"/game/system/engine.u"_s);
    EXPECT_TRUE(kept.changed());
    EXPECT_EQ(txn::KeptOriginals::parse(kept.toBytes()),
              (QList<txn::KeptOriginal>{{u"12.orig"_s, u"/game/Textures/Stock Ä.utx"_s},
                                        {u"13.orig"_s, u"/game/Maps/DM-B.ut2"_s}}));
}

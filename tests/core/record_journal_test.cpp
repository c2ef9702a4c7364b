// The record file and sharedfiles.dat written as one step: a write
// interrupted after the record file is finished at the next start, one
// interrupted before it is dropped, and a journal that is not whole is
// never applied.
#include "core/record_journal.h"

#include "platform/errors.h"
#include "support/tree_builder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using record_journal::Recovery;

namespace {

TContentRecord installed(const QString& archive) {
    TContentRecord r;
    r.ArchiveName = archive;
    r.ArchiveDir = u"/maps/"_s;
    r.Installed = 1;
    r.FileCount = 1;
    r.Files = {u"Shared.utx"_s};
    return r;
}

catalogue::SharedFiles counts(qint32 n) {
    TSharedFileRecord r;
    r.FileName = u"Shared.utx"_s;
    r.RefCount = n;
    return catalogue::SharedFiles({r});
}

QByteArray bytesOf(const catalogue::SharedFiles& shared) {
    QByteArray out;
    for (const TSharedFileRecord& r : shared.records())
        out += r.toBytes();
    return out;
}

struct JournalTest : ::testing::Test {
    testing_support::TempTree tree;
    AppState state;
    QByteArray oldRecords;
    QByteArray oldShared;

    void SetUp() override {
        state.ProgramDir = tree.root();
        oldRecords = installed(u"A.zip"_s).toBytes();
        oldShared = bytesOf(counts(2));
        tree.file(u"mapdata.dat"_s, oldRecords);
        tree.file(u"sharedfiles.dat"_s, oldShared);
    }
    bool journalLeft() const { return QFileInfo::exists(record_journal::journalPath(state)); }
};

} // namespace

TEST_F(JournalTest, AWholeWriteLeavesBothFilesNewAndNoJournal) {
    const QList<TContentRecord> records = {installed(u"A.zip"_s), installed(u"B.zip"_s)};
    record_journal::WriteRecordsAndShared(state, state.mapDataPath(), records, counts(3));
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), oldRecords + installed(u"B.zip"_s).toBytes());
    EXPECT_EQ(tree.read(u"sharedfiles.dat"_s), bytesOf(counts(3)));
    EXPECT_FALSE(journalLeft());
    EXPECT_EQ(record_journal::RecoverInterruptedWrite(state), Recovery::NothingPending);

    // Counts that do not change are not written, and need no journal.
    record_journal::WriteBytesAndShared(state, state.mapDataPath(), oldRecords, std::nullopt);
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), oldRecords);
    EXPECT_EQ(tree.read(u"sharedfiles.dat"_s), bytesOf(counts(3)));
    EXPECT_FALSE(journalLeft());

    EXPECT_THROW(record_journal::WriteBytesAndShared(state, tree.root() + u"/other.dat"_s,
                                                     oldRecords, counts(2)),
                 platform::Error)
        << "only the program's own record files";
}

TEST_F(JournalTest, InterruptedAfterTheRecordsTheNextStartWritesTheCounts) {
    // sharedfiles.dat cannot be replaced: the write stops after the records.
    QFile::remove(state.sharedDataPath());
    tree.folder(u"sharedfiles.dat/blocked"_s);
    const QByteArray newRecords = oldRecords + installed(u"B.zip"_s).toBytes();
    EXPECT_THROW(
        record_journal::WriteBytesAndShared(state, state.mapDataPath(), newRecords, counts(3)),
        platform::Error);
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), newRecords);
    ASSERT_TRUE(journalLeft());

    QDir(state.sharedDataPath()).removeRecursively();
    EXPECT_EQ(record_journal::RecoverInterruptedWrite(state), Recovery::Finished);
    EXPECT_EQ(tree.read(u"sharedfiles.dat"_s), bytesOf(counts(3)));
    EXPECT_FALSE(journalLeft());
}

TEST_F(JournalTest, InterruptedBeforeTheRecordsNothingChanges) {
    // mapdata.dat cannot be replaced: the journal is written, nothing else.
    tree.file(u"somdata.dat"_s);
    QFile::remove(state.modDataPath());
    tree.folder(u"somdata.dat/blocked"_s);
    EXPECT_THROW(record_journal::WriteRecordsAndShared(state, state.modDataPath(),
                                                       {installed(u"M.zip"_s)}, counts(3)),
                 platform::Error);
    ASSERT_TRUE(journalLeft());
    EXPECT_EQ(record_journal::RecoverInterruptedWrite(state), Recovery::Dropped);
    EXPECT_EQ(tree.read(u"sharedfiles.dat"_s), oldShared);
    EXPECT_FALSE(journalLeft());
}

TEST_F(JournalTest, AJournalThatIsNotWholeIsNeverApplied) {
    // A real journal for the records as they are, so only the damage
    // below keeps it from being applied.
    QFile::remove(state.sharedDataPath());
    tree.folder(u"sharedfiles.dat/blocked"_s);
    EXPECT_THROW(
        record_journal::WriteBytesAndShared(state, state.mapDataPath(), oldRecords, counts(7)),
        platform::Error);
    QDir(state.sharedDataPath()).removeRecursively();
    tree.file(u"sharedfiles.dat"_s, oldShared);
    const QByteArray journal = tree.read(u"pairwrite.journal"_s);
    ASSERT_FALSE(journal.isEmpty());

    struct Case {
        const char* what;
        QByteArray bytes;
    };
    QByteArray flipped = journal;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 1);
    // Sealed as the program seals it, but naming a file that is no record
    // file of the program.
    QByteArray otherName = journal.chopped(32);
    otherName.replace("mapdata.dat", "sharedf.dat");
    otherName += QCryptographicHash::hash(otherName, QCryptographicHash::Sha256);
    const QList<Case> cases = {
        {"empty", {}},
        {"cut short", journal.left(journal.size() - 1)},
        {"one bit flipped", flipped},
        {"another file named", otherName},
        {"random bytes", QByteArray(300, '\x5A')},
    };
    for (const Case& c : cases) {
        tree.file(u"pairwrite.journal"_s, c.bytes);
        EXPECT_EQ(record_journal::RecoverInterruptedWrite(state), Recovery::Dropped) << c.what;
        EXPECT_EQ(tree.read(u"sharedfiles.dat"_s), oldShared) << c.what;
        EXPECT_FALSE(journalLeft()) << c.what;
    }
    // The journal as written is applied, which shows the cases above were
    // refused for their damage alone.
    tree.file(u"pairwrite.journal"_s, journal);
    EXPECT_EQ(record_journal::RecoverInterruptedWrite(state), Recovery::Finished);
    EXPECT_EQ(tree.read(u"sharedfiles.dat"_s), bytesOf(counts(7)));
}

TEST_F(JournalTest, StartUpRemovesTheTemporariesOfKilledRewrites) {
    tree.file(u"mapdata.dat.quorvel-a1B2c3"_s, "half");
    tree.file(u"Quorvel.ini.quorvel-XyZ987"_s, "half");
    tree.file(u"keep.quorvel-toolongname"_s, "not ours");
    EXPECT_EQ(record_journal::RecoverInterruptedWrite(state), Recovery::NothingPending);
    EXPECT_FALSE(tree.exists(u"mapdata.dat.quorvel-a1B2c3"_s));
    EXPECT_FALSE(tree.exists(u"Quorvel.ini.quorvel-XyZ987"_s));
    EXPECT_TRUE(tree.exists(u"keep.quorvel-toolongname"_s));
    EXPECT_EQ(tree.read(u"mapdata.dat"_s), oldRecords);
}

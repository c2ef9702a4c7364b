#pragma once

#include "core/content_db.h"
#include "core/namespaces.h"
#include "core/transaction.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace core::catalogue {

/// The counts of sharedfiles.dat: a game file that several installed
/// archives placed stays until its last user is uninstalled. An install
/// registers the files it found already in the game; an uninstall releases
/// the files of its records. Names are compared as they are stored
/// (string[50]), so a longer name still matches its own record, and
/// ignoring case, as the game folders are looked up.
///
/// The one owner of the file: nothing else reads or writes it or names its
/// records, so a new count format changes this class and the codec alone.
class SharedFiles {
public:
    /// The size of one record on disk: the file is a whole number of them.
    static constexpr int RecordSize = TSharedFileRecord::RecordSize;

    /// Reads the whole file (no limit on the number of records); throws
    /// platform::Error when it cannot be read.
    static SharedFiles load(const QString& path);
    /// The same, but a file that is not there reads as no counts.
    static SharedFiles loadIfThere(const QString& path);
    explicit SharedFiles(QList<TSharedFileRecord> records) : records_(std::move(records)) {}

    /// One count as Verify installation shows it.
    struct Count {
        QString fileName;
        qint32 count;
    };
    /// The counts, in file order (a name may stand twice).
    QList<Count> counts() const;
    qsizetype size() const { return records_.size(); }

    /// An install placed files that the game already had: the count of
    /// every record that names one is raised by one; a name without a
    /// record gets a new one at 2 (the file's first user and this one).
    /// Only the records there before the call are raised, so a name given
    /// twice adds two records rather than raising its new one.
    void registerExisting(const QStringList& names);

    /// One user of the game file `fileName` goes: true when the file is to
    /// be deleted. The first record naming it is lowered by one and the
    /// file stays while the lowered count is above 0; without a record the
    /// file goes. Lowered counts carry over to the next call.
    bool release(const QString& fileName);

    /// The count of the first record naming `fileName`; 0 without one.
    qint32 count(const QString& fileName) const;

    /// Every record, in order (what an install writes back).
    const QList<TSharedFileRecord>& records() const { return records_; }
    /// The records still worth keeping, in their order: count above 1. A
    /// record lowered to 1 names a file with a single user left, which
    /// that user's uninstall deletes.
    QList<TSharedFileRecord> kept() const;

    /// Every record as the file holds them.
    QByteArray toBytes() const;
    /// Rewrites `path` with every record (install).
    void writeAll(const QString& path) const;
    /// Rewrites `path` with kept() (uninstall).
    void writeKept(const QString& path) const;
    /// The rewrite of sharedfiles.dat with kept() at a transaction's
    /// commit; it reads this object then, which must live until the commit.
    txn::Transaction::Rewrite commitRewrite(const AppState& state) const;

    /// Verify installation's repair: the count at each index of counts()
    /// in `repaired` set to its value; then every record of a count below
    /// 2 dropped, and `path` rewritten when anything changed. Returns how
    /// many counts changed value.
    int repair(const QHash<qsizetype, qint32>& repaired, const QString& path);

private:
    qsizetype indexOf(const QString& fileName) const;

    QList<TSharedFileRecord> records_;
};

/// The key a game file is known by: its game folder (a value of AppState
/// ending in "/") and its name ignoring case, as the game finds it.
QString gameFileKey(const QString& folder, const QString& fileName);

/// How many installed records list each game file: the records themselves
/// are the evidence that a file is in use, also where sharedfiles.dat has
/// no count for it (two versions of one map in two archives, a map
/// installed from an archive and again from the cache). A file is known by
/// its game folder (the extension table) and its name ignoring case, as the
/// game finds it; a record counts once per file however often it lists it.
class RecordedUses {
public:
    explicit RecordedUses(const AppState& state) : state_(state) {}
    /// Every installed record of `records`.
    void addInstalled(const QList<TContentRecord>& records);
    void add(const TContentRecord& record);
    void remove(const TContentRecord& record);
    /// The records that list the file `fileName` (a placed name) of `folder`.
    int uses(const QString& folder, const QString& fileName) const;

private:
    QStringList keysOf(const TContentRecord& record) const;

    const AppState& state_;
    QHash<QString, int> uses_;
};

} // namespace core::catalogue

#pragma once

#include "core/globals.h"
#include "core/namespaces.h"
#include "core/txn_log.h"
#include "platform/errors.h"

#include <QList>
#include <QString>

#include <functional>

namespace platform {
class AtomicFile;
}

/// One run of installs or uninstalls as a transaction over the game files
/// and the data folder's files (record files, sharedfiles.dat, the index
/// of kept originals).
///
/// Each step that changes game files is first logged and synced in
/// transaction.log: which files it creates, and for each file it replaces
/// or deletes, where the old bytes are kept (a hard link in the data
/// folder, or a copy where the game is on another file system). The data
/// folder's files are rewritten once, at the commit, after their old
/// versions are kept the same way; the commit entry is the moment the run
/// stands. Until then the next start (Recover) undoes every logged step,
/// newest first, so the game files, the records and the counts are all as
/// before the run; after it, what was kept aside is dropped. A run that
/// fails undoes itself the same way.
namespace core::txn {

/// transaction.log in the data folder.
QString logPath(const AppState& state);
/// The folder of the old bytes a run keeps until its end.
QString backupFolder(const AppState& state);

/// Makes `to` hold the bytes of `from`: a hard link where the file system
/// allows, else a copy (synced). `to` must not exist.
platform::Outcome keepBytes(const QString& from, const QString& to);

/// Puts the bytes kept at `backup` back at `path` (a rename, or a copy and
/// delete across file systems). True when `backup` was there and is back.
bool putBack(const QString& backup, const QString& path);

/// Undoes `ops`, the last first; returns how many changed a file.
int undoOps(const QList<Op>& ops);

class Transaction {
public:
    /// Starts a run: a log left by an earlier one is recovered first, then
    /// a new log is made. Throws platform::Error when it cannot be written.
    explicit Transaction(const AppState& state);
    /// Rolls back when the run did not commit.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// A new, unused path in the backup folder.
    QString newBackupPath();
    /// Logs `ops` as one step and syncs the log. Kept backups must be in
    /// place already; the changes they guard are made after this returns.
    /// Throws platform::Error (the step must then not be done).
    void log(const QList<Op>& ops);
    /// Undoes a logged step at once (it failed half-way). Returns how many
    /// files it put back or removed.
    int undo(const QList<Op>& ops);

    /// A file of the data folder the commit rewrites whole.
    struct Rewrite {
        QString path;
        std::function<void(platform::AtomicFile&)> write;
    };
    /// Keeps the old versions of `files`, logs that, rewrites each one
    /// atomically, logs the commit and drops everything kept aside. On a
    /// failure before the commit entry the whole run is rolled back and
    /// platform::Error thrown.
    void commit(const QList<Rewrite>& files);
    /// Undoes every logged step, newest first, and ends the log.
    void rollback();
    bool committed() const { return committed_; }

private:
    void append(const QByteArray& bytes);
    void finish();

    const AppState& state_;
    int fd_ = -1;
    int next_ = 0;
    bool committed_ = false;
    bool ended_ = false;
    QList<QList<Op>> steps_;
};

/// What the start-up found.
enum class RecoveryOutcome {
    NothingPending, ///< no log
    Committed,      ///< the run had committed: its kept bytes were dropped
    RolledBack,     ///< the run had not: every step was undone
};
struct Recovery {
    RecoveryOutcome outcome = RecoveryOutcome::NothingPending;
    int steps = 0;   ///< steps in the log
    int changed = 0; ///< files put back or removed
};

/// At start-up, before anything reads the record files: ends what a
/// killed run left (see above). Throws platform::Error when the log cannot
/// be read or removed; it then stays for the next start.
Recovery Recover(const AppState& state);

} // namespace core::txn

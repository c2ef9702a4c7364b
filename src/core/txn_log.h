#pragma once

#include "core/namespaces.h"
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

/// The bytes of the transaction log (transaction.log in the data folder):
/// what an install or uninstall run is about to do to files, written and
/// synced before it is done, so that the next start can undo a run that
/// did not reach its commit. Encoding and decoding only; the log's owner
/// is core/transaction.h.
namespace core::txn {

/// One undoable step on a file.
struct Op {
    enum Kind : quint8 {
        /// `backup` holds the bytes `path` had (a hard link or a copy made
        /// before `path` was replaced or deleted): undo puts them back.
        Kept = 1,
        /// `path` did not exist: undo removes it.
        Created = 2,
    };
    Kind kind = Created;
    QString path;
    QString backup; ///< Kept only
    bool operator==(const Op&) const = default;
};

/// The log read back.
struct LogContent {
    /// The steps in the order they were logged, each a list of ops.
    QList<QList<Op>> steps;
    /// The run's commit was logged: every step stands.
    bool committed = false;
    /// Bytes after the last whole entry (a write cut off by a kill).
    qint64 tornBytes = 0;
};

/// The first bytes of every log.
QByteArray logHeader();
/// One entry holding a step.
QByteArray stepEntry(const QList<Op>& ops);
/// The entry that commits the run.
QByteArray commitEntry();

/// Reads a log. Entries are read up to the first one that is not whole
/// (its length, kind and checksum all checked before anything is taken
/// from it); nothing is allocated by a length read from the bytes before
/// the bytes themselves are there. Bytes that do not start with the
/// header give an empty, uncommitted content.
LogContent parseLog(const QByteArray& bytes);

/// Far above any step (a few thousand paths): a larger entry is not ours.
inline constexpr quint32 MaxEntryBytes = 64u << 20;

} // namespace core::txn

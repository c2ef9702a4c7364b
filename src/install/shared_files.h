#pragma once

#include "core/content_db.h"

#include <QList>
#include <QString>

/// The counts of sharedfiles.dat as one uninstall run lowers them: a file
/// that several installed archives placed stays until its last user goes.
namespace install {

class SharedFiles {
public:
    /// Reads the whole file (no limit on the number of records).
    static SharedFiles load(const QString& path);
    explicit SharedFiles(QList<TSharedFileRecord> records) : records_(std::move(records)) {}

    /// One user of the game file `fileName` goes: true when the file is to
    /// be deleted. The first record naming it (compared as it is stored,
    /// case-sensitive) is lowered by one and the file stays while the
    /// lowered count is above 0; without a record the file goes. Lowered
    /// counts carry over to the next call.
    bool release(const QString& fileName);

    /// The records still worth keeping, in their order: count above 1. A
    /// record lowered to 1 names a file with a single user left, which
    /// that user's uninstall deletes.
    QList<TSharedFileRecord> kept() const;
    /// Rewrites `path` with kept().
    void save(const QString& path) const;

    const QList<TSharedFileRecord>& records() const { return records_; }

private:
    QList<TSharedFileRecord> records_;
};

} // namespace install

#pragma once

#include "core/content_db.h"
#include "core/globals.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

/// A record file that did not read cleanly, as the guard found and left it.
struct RecordDamage {
    QString path;     ///< the record file, now holding its clean records only
    QString copyPath; ///< <path>.damaged
    /// The copy holds the file as it was found this time; false when a copy
    /// of an earlier damage in this run stays instead (never replaced
    /// within a run).
    bool copyHoldsIt = true;
    content_db::FileReading reading; ///< what was kept and what was dropped
};

/// Keeps a damaged record file from being cleaned without a word. The
/// readers leave out what does not read cleanly (content_db.h), so any
/// rewrite of a damaged file (a scan, an install, an uninstall, the cache
/// page) would drop it silently. The guard looks at the record files before
/// each command: one that does not read cleanly is copied as it is to
/// <name>.damaged and at once rewritten with its clean records, so the box
/// the user sees says what the file now holds, and is seen once.
class RecordFileGuard {
public:
    /// Start-up settles the record size first (an old layout is upgraded
    /// before anything reads the files with the new size); until then the
    /// window does not call check().
    void start() { started_ = true; }
    bool started() const { return started_; }

    /// Looks at mapdata.dat and somdata.dat (records of `contentRecordSize`
    /// bytes) and sharedfiles.dat, each one that is a file and changed (size
    /// or time) since the guard last looked at it. A damaged one is copied to
    /// <name>.damaged, unless a copy was made earlier in this run, and
    /// rewritten with its clean records; both writes are atomic. Returns the
    /// damage found, in that order. A file that cannot be read is left to the
    /// readers, which say so. Throws platform::Error when the copy or the
    /// rewrite cannot be written; the file is then looked at again next time.
    /// `beforeRepair` runs before a damaged file is copied (the window takes
    /// the data folder lock there; what it throws ends the check, nothing
    /// written); the file is then looked at anew, as another writer may
    /// have replaced it meanwhile.
    QList<RecordDamage> check(const AppState& state,
                              int contentRecordSize = TContentRecord::RecordSize,
                              const std::function<void()>& beforeRepair = {});

private:
    struct Stamp {
        qint64 size = -1;
        QDateTime modified;
        int recordSize = 0;
        bool operator==(const Stamp&) const = default;
    };
    QHash<QString, Stamp> seen_;
    /// The files copied in this run, each as it was when copied.
    QHash<QString, Stamp> copied_;
    bool started_ = false;
};

/// The text of the error box that tells of `damage`.
QString recordDamageText(const RecordDamage& damage);

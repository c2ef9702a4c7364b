#pragma once

#include "core/command_context.h"
#include "core/content_catalogue.h"
#include "core/shared_files.h"
#include "install/verify.h"

#include <QHash>
#include <QList>
#include <QString>

/// What the check and the actions of "Verify installation" both read: the
/// record files and counts, the game folders looked up once, and how a
/// count is judged. Inside the verifying only.
namespace install::verifying {

/// Throws platform::Error when the game folder is not set or not there.
void requireGameFolder(const AppState& s);

/// The records of `path`; none when the file is not there.
QList<TContentRecord> readIfThere(const QString& path);

/// One record file of the kinds and its records.
struct Book {
    catalogue::RecordFileOf file;
    QList<TContentRecord> records;
};

/// Every record file of the kinds (each once, in page order) and who uses
/// which game file, read once.
struct Books {
    explicit Books(const AppState& s);
    QList<Book> files;
    catalogue::SharedFiles shared;
    catalogue::RecordedUses uses;
};

/// Looks files up in the game folders ignoring case: each folder resolved
/// and listed once, however many files are asked for.
class GameLook {
public:
    explicit GameLook(CommandContext& ctx) : ctx_(ctx) {}
    bool exists(const QString& folderValue, const QString& name);

private:
    CommandContext& ctx_;
    QHash<QString, QString> resolved_;
};

/// A count that disagrees, with its place in sharedfiles.dat.
struct IndexedDrift {
    qsizetype index;
    CountDrift drift;
};

/// The counts of sharedfiles.dat that disagree with the records.
QList<IndexedDrift> countDrifts(const AppState& s, const Books& books, GameLook& look);

/// The entry under which the page's list `side` shows records[index].
catalogue::ListEntry entryAt(const QList<TContentRecord>& records, catalogue::ContentKind page,
                             catalogue::ListSide side, qsizetype index);

/// The archive a reinstall would extract; empty when it is gone.
QString reinstallablePath(const TContentRecord& r);

/// The entries of `entries` on `page`, in order.
QList<catalogue::ListEntry> entriesOf(const QList<MissingFiles>& entries,
                                      catalogue::ContentKind page);

inline constexpr const auto& AllPages = catalogue::AllKinds;

} // namespace install::verifying

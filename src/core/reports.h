#pragma once

#include "core/command_context.h"
#include "core/content_db.h"
#include "core/content_kinds.h"
#include "core/file_conflicts.h"
#include "core/namespaces.h"

#include <QList>
#include <QStringList>

#include <array>
#include <functional>

/// "Make List": text reports of what is installed, in three levels.
namespace core::reports {

/// The content lists as they stand (their filter and order).
struct ListsSnapshot {
    /// The two lists of one page.
    struct Page {
        QStringList installed;    ///< LBun, LBunMuts, LBUnskin
        QStringList notInstalled; ///< LBinst, LBMuts, LBSkin
    };
    /// Each kind's page, by ContentKind.
    std::array<Page, catalogue::AllKinds.size()> pages;

    Page& of(catalogue::ContentKind kind) { return pages.at(static_cast<size_t>(kind)); }
    const Page& of(catalogue::ContentKind kind) const {
        return pages.at(static_cast<size_t>(kind));
    }
};

enum Level { Brief = 0, Detailed = 1, Full = 2 };

/// The brief list, from the lists as they stand.
QStringList briefList(const ListsSnapshot& lists);
using file_conflicts::RecordsOf;
/// The detailed or full list, from the records in file order.
QStringList recordList(const RecordsOf& records, bool full);

/// Asks for the file and writes the report of `level` there (WriteReport).
/// A cancelled dialog writes nothing and says "Operation cancelled".
void BriefList1Click(CommandContext& ctx, Level level, const ListsSnapshot& lists);
/// Writes the report of `level` to `file` (atomically, CR LF), with the
/// status texts of each step. Throws platform::Error when a record file
/// cannot be read or the report cannot be written.
void WriteReport(CommandContext& ctx, Level level, const ListsSnapshot& lists, const QString& file);

/// The lists as the pages show them once loaded: no game-type filter,
/// name order. Throws platform::Error (the loaders' text) when a record
/// file cannot be read.
ListsSnapshot listsAsLoaded(const AppState& state);

} // namespace core::reports

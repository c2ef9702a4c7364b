#pragma once

#include "core/command_context.h"
#include "core/content_db.h"
#include "core/namespaces.h"

#include <QList>
#include <QStringList>

/// "Make List": text reports of what is installed, in three levels.
namespace core::reports {

/// The six content lists as they stand (their filter and order).
struct ListsSnapshot {
    QStringList mapsInstalled;     ///< LBun
    QStringList mapsNotInstalled;  ///< LBinst
    QStringList mutatorsInstalled; ///< LBunMuts
    QStringList mutators;          ///< LBMuts
    QStringList skinsInstalled;    ///< LBUnskin
    QStringList skins;             ///< LBSkin
};

enum Level { Brief = 0, Detailed = 1, Full = 2 };

/// The brief list, from the lists as they stand.
QStringList briefList(const ListsSnapshot& lists);
/// The detailed or full list, from the records in file order.
QStringList recordList(const QList<TContentRecord>& maps, const QList<TContentRecord>& mods,
                       bool full);

/// Asks for the file and writes the report of `level` there (WriteReport).
/// A cancelled dialog writes nothing and says "Operation cancelled".
void BriefList1Click(CommandContext& ctx, Level level, const ListsSnapshot& lists);
/// Writes the report of `level` to `file` (atomically, CR LF), with the
/// status texts of each step. Throws platform::Error when a record file
/// cannot be read or the report cannot be written.
void WriteReport(CommandContext& ctx, Level level, const ListsSnapshot& lists, const QString& file);

/// The six lists as the pages show them once loaded: no game-type filter,
/// name order. Throws platform::Error (the loaders' text) when a record
/// file cannot be read.
ListsSnapshot listsAsLoaded(const AppState& state);

} // namespace core::reports

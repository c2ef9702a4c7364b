#pragma once

#include "core/command_context.h"
#include "core/run_progress.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/// The commands of the Cache page: taking packages out of the game's
/// download cache to install them, keep them as a zip or delete them, and
/// emptying the cache.
namespace cache {

class TUTPackage;

/// Where the Cache page's message boxes stand, from the window's corner.
inline constexpr QPoint CacheBoxOffset(50, 125);

/// The four items of "What to do?", by index; None when no item is chosen.
enum class CacheAction {
    None = -1,
    InstallOnly = 0,
    InstallAndZip = 1,
    ZipOnly = 2,
    DeleteFile = 3
};

CacheAction cacheActionAt(int index);
/// The install button's caption for the action: "Install", "Save" or
/// "Delete"; empty for None (the caption stays).
QString cacheButtonCaption(CacheAction action);

/// The queue of a run: map packages (".ut2", compared in lower case) first,
/// then the others, each in list order.
QStringList cacheQueue(const QStringList& selected);

/// A run, once its questions are answered.
struct CachePlan {
    CacheAction action = CacheAction::None;
    QStringList queue;
    /// The zip actions: the folder chosen, as the dialog gave it.
    QString zipFolder;
};

/// The start of "Install": nullopt when no run follows, because TempDir
/// holds a file (the warning says so), nothing is selected, no action is
/// chosen, or the folder dialog of a zip action was cancelled ("Operation
/// cancelled"). A folder chosen becomes LastZipDir. `zipFolder`, when
/// given, is the folder already chosen: the dialog is not shown.
std::optional<CachePlan> PlanCacheRun(CommandContext& ctx, CacheAction action,
                                      const QStringList& selected,
                                      const std::optional<QString>& zipFolder = std::nullopt);

/// What a run leaves for its end (FinishCacheRun).
/// What a cache run came to; its FailedCopies name the packages that could
/// not be copied (they are back in the cache).
struct CacheRunResult : RunProgress {
    int count = 0;
    /// An error ended the run: the error box follows, no final status.
    bool failed = false;
    /// The error's own text, shown below the fixed words of the box.
    QString error;
    /// "Couldn't create " + path + " !" and why, for each zip that could
    /// not be written; under "Install and save as zip" its packages are
    /// installed all the same.
    QStringList zipFailures;
};

/// Works through the queue. Per name: its cache.ini line (the whole text
/// after "="), its file moved into TempDir under the name, then
/// - DeleteFile: deleted;
/// - otherwise the package is read with `reader` and every cached package
///   whose base name equals one of its import names (case-sensitive) is
///   moved along, at most 99 (a message says when more were left); the
///   zip actions make zip folder + stem + ".zip" of them; the install
///   actions place them (PlaceExtractedFiles, empty archive extension) and
///   append one record to mapdata.dat (a ".ut2") or somdata.dat.
/// The names that left the cache for good lose their cache.ini lines and
/// `relist` refreshes the page. Packages of an item whose placement placed
/// nothing, of a "Save as zip only" item whose zip could not be made, and
/// packages the placement did not place, go back into the cache under
/// their old names and keep their lines; a zip that could not be made is
/// named in `zipFailures`. An error ends the run: the current item's packages still in
/// TempDir go back, and the result says `failed`. OverwriteAlways is put
/// back at the end.
/// `recorded` is called right after each record is appended, so the
/// content lists can show it at once.
CacheRunResult RunCacheInstall(CommandContext& ctx, TUTPackage& reader, const CachePlan& plan,
                               const std::function<void()>& relist,
                               const std::function<void()>& recorded = {});

/// The end of a run, once the window is no longer busy: the error box of a
/// failed run, else the status of the action with the count.
void FinishCacheRun(CommandContext& ctx, const CachePlan& plan, const CacheRunResult& result);

/// "Clear cache": the question; true for OK.
bool ConfirmClearCache(CommandContext& ctx);
/// Deletes every file of the Cache folder (cache.ini too; folders stay)
/// and writes cache.ini anew with the single line "[Cache]". Throws
/// platform::Error without a configured game, or when cache.ini cannot
/// be written.
void ClearCache(CommandContext& ctx);

} // namespace cache

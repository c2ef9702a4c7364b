#pragma once

#include "cache/package.h"

#include <QWidget>

#include <functional>

class CommandBoundary;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;
struct CommandContext;

/// The "  Cache   " page: the packages in the game's download cache and
/// what to do with the selected ones.
class CachePage : public QWidget {
    Q_OBJECT
public:
    CachePage(CommandContext& context, CommandBoundary& commands, QWidget* parent = nullptr);

    /// The page was shown: first action chosen, caption "Install", "Show
    /// maps only" unticked, the list filled.
    void TabCacheShow();
    /// Called after an install appended a record: the window reloads the
    /// map and mod lists, as after any change of the records.
    std::function<void()> onRecordsAppended;

private:
    /// Tidies cache.ini and fills LBCache (sorted by name) with the cached
    /// packages' file names, only maps while "Show maps only" is ticked.
    void ListCache();
    /// "Show maps only" clicked: the list again.
    void CacheBoxClick();
    /// An action chosen: the install button's caption follows it.
    void rbCacheClick();
    /// The install button: the chosen action on the selected packages.
    /// Runs its own command boundaries, so the window is enabled again
    /// before the closing message.
    void bInstallCacheClick();
    /// "Clear cache": asks, then empties the cache.
    void ClearCacheClick();

    CommandContext& ctx_;
    CommandBoundary& commands_;
    QListWidget* LBCache = nullptr;
    QPushButton* bInstallCache = nullptr;
    QCheckBox* CacheBox = nullptr;
    QGroupBox* rbCache = nullptr;
    QButtonGroup* rbCacheGroup = nullptr; ///< the four actions, ids 0..3
    QPushButton* ClearCache = nullptr;
    /// The window's one package reader, reused for every package read.
    cache::TUTPackage UTPackage;
};

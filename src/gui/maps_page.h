#pragma once

#include "core/content_catalogue.h"
#include "platform/file_helpers.h"

#include <QWidget>

#include <functional>
#include <optional>

class CommandBoundary;
class ListPair;
class ListSearchBar;
class QCheckBox;
class QComboBox;
class QListWidget;
class QMenu;
class QPushButton;
struct CommandContext;
namespace intake {
class TmFileScan;
}

/// The "  Maps   " page: map archives not installed (left, LBinst) and
/// installed maps (right, LBun), the game-type filter Filter1 and the
/// install controls bInstallMaps, DelZip and bUninstallMaps.
class MapsPage : public QWidget {
    Q_OBJECT
public:
    MapsPage(CommandContext& context, CommandBoundary& commands, QWidget* parent = nullptr);

    /// The window's popups of the left and the right list.
    void setPopups(QMenu* notInstalled, QMenu* installed);
    /// The entries of a list, in list order.
    QStringList entries(catalogue::ListSide side) const;
    /// The selected entries of a list, in list order.
    QList<catalogue::ListEntry> selectedEntries(catalogue::ListSide side) const;

    /// The page was shown: status cleared, DelZip unticked,
    /// lists reloaded.
    void TabMapsShow();
    /// Fills LBinst and LBun from mapdata.dat through the filter and shows
    /// the counts (or the plain box when the file cannot be read).
    void LoadMapLists();
    /// At a command: the lists reloaded, their selections kept, when
    /// mapdata.dat changed on disk since they were read (another Quorvel
    /// wrote it). The status shows the counts only when the page is
    /// `shown`. One stat when nothing changed.
    void reloadIfChanged(bool shown);
    /// Fills Filter1 from "text|mask|text|mask..." and selects the first
    /// pair, without counting as a change.
    void setMapFilter(const QString& filter);
    /// "By Date": both lists to date order, rebuilt from their own entries
    /// so the filter holds.
    void SortByDate();
    /// "By Name": both lists to name order, sorted at once.
    void ByName();
    /// "&Install" (the button, or the popup item with Tag 2): installs the
    /// archives selected in LBinst. Runs its own command boundary: call it
    /// straight from the click, not inside another command, so the window
    /// is enabled again before the closing messages.
    void bInstallMapsClick();
    /// "Uninstall" (the button, or the popup item with Tag 22) and, with
    /// `deleteArchives`, "Uninstall && Delete" (Tag 24) on the maps
    /// selected in LBun. `updateDatabase` runs "Update database" after the
    /// deleting variant, inside the same command.
    void bUninstallMapsClick(bool deleteArchives = false,
                             const std::function<void()>& updateDatabase = {});
    /// "Delete" (Tag 3): the archives selected in LBinst to the trash, then
    /// the map scan through `scan` and the lists reloaded.
    void Delete1Click(intake::TmFileScan& scan);
    /// "Create Zip" (Tag 23): the first map selected in LBun zipped into
    /// CustomMapDir.
    void Createzip1Click();
    /// "Mark as installed" while this page is shown: LBinst's selection.
    void ReinstallFiles1Click();
    /// "Find" (Ctrl+F): the search above the lists, opened.
    void openSearch();

private:
    /// The mask of the selected filter entry ("All" when none).
    QString currentFilterMask() const;
    /// The filter's selection changed: reload the lists (not while starting up).
    void Filter1Change();
    QListWidget* list(catalogue::ListSide side) const;

    CommandContext& ctx_;
    CommandBoundary& commands_;
    QListWidget* LBinst = nullptr; ///< Tag 1: map archives not installed
    QListWidget* LBun = nullptr;   ///< Tag 2: installed maps
    QPushButton* bInstallMaps = nullptr;
    QComboBox* Filter1 = nullptr;
    QCheckBox* DelZip = nullptr;
    QPushButton* bUninstallMaps = nullptr; ///< Tag 1
    /// The mouse-down handling and sort mode of LBinst and LBun.
    ListPair* Lists = nullptr;
    /// The search above both lists, hidden until opened.
    ListSearchBar* Search = nullptr;
    /// mapdata.dat as it was when the lists were read (none read yet: empty).
    std::optional<platform::FileStamp> readStamp_;
};

#pragma once

#include "core/content_catalogue.h"
#include "core/content_lists.h"
#include "platform/file_helpers.h"

#include <QWidget>

#include <functional>
#include <optional>

class CommandBoundary;
class ListPair;
class ListSearchBar;
class QCheckBox;
class QListWidget;
class QMenu;
class QPushButton;
struct CommandContext;
namespace intake {
class TmFileScan;
}

/// The "  Mutators   " and "  Skins   " pages, which differ only in their
/// texts, Tags and the kind of record they list. The controls carry the
/// names of their page as object names: LBMuts, LBunMuts, bInstMuts,
/// delMut, bUninstMuts on Mutators; LBSkin, LBUnskin, bInstSkin, delSkin,
/// bUninstSkin on Skins.
class ModPage : public QWidget {
    Q_OBJECT
public:
    enum Kind { Mutators, Skins };

    ModPage(Kind kind, CommandContext& context, CommandBoundary& commands,
            QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    /// The other page of the pair: showing one page unticks both delete
    /// boxes, and either box asks the install to delete.
    void setPartner(ModPage* partner) { partner_ = partner; }
    /// The window's popups of the left and the right list.
    void setPopups(QMenu* notInstalled, QMenu* installed);
    /// The entries of a list, in list order.
    QStringList entries(catalogue::ListSide side) const;
    /// The selected entries of a list, in list order.
    QList<catalogue::ListEntry> selectedEntries(catalogue::ListSide side) const;

    /// The page was shown (TabMutsShow, TabSkinsShow):
    /// both delete boxes unticked, lists reloaded.
    void TabShow();
    /// Fills the four lists of both pages from somdata.dat and shows this
    /// page's counts (or the plain box when the file cannot be read); a
    /// list in date order is sorted by date again.
    void LoadModLists();
    /// At a command: the lists of both pages reloaded, their selections
    /// kept, when somdata.dat changed on disk since they were read (another
    /// Quorvel wrote it). The status shows this page's counts only when it
    /// is `shown`. One stat when nothing changed.
    void reloadIfChanged(bool shown);
    /// "By Date": both lists to date order, rebuilt from all records.
    void SortByDate();
    /// "By Name": both lists to name order, sorted at once.
    void ByName();
    /// "&Install" of this page's kind: the button, or the popup item with
    /// Tag 32 (mutators) or 52 (skins). Runs its own command boundary: call
    /// it straight from the click, not inside another command, so the
    /// window is enabled again before the closing messages.
    void bInstMutsClick();
    /// "Uninstall" (the button, or the popup item with Tag 42 or 62) and,
    /// with `deleteArchives`, "Uninstall && Delete" (Tag 44 or 64) on the
    /// entries selected in the right list. `updateDatabase` runs "Update
    /// database" after the deleting variant, inside the same command.
    void bUninstallMapsClick(bool deleteArchives = false,
                             const std::function<void()>& updateDatabase = {});
    /// "Delete" (Tag 33 or 53): the archives selected in the left list to
    /// the trash, then the mutator scan (on both pages) and the lists
    /// reloaded.
    void Delete2Click(intake::TmFileScan& scan);
    /// "Create Zip" (Tag 43 or 63): the first entry selected in the right
    /// list zipped into MutatorDir or CustomSkinDir.
    void Createzip1Click();
    /// "Find" (Ctrl+F): the search above the lists, opened.
    void openSearch();
    /// "Mark as installed" while this page is shown: the left list's selection.
    void ReinstallFiles1Click();

private:
    /// This page's two lists from `lists`, re-sorted by date when in date order.
    void fill(const ModLists& lists);
    catalogue::ContentKind contentKind() const;
    QListWidget* list(catalogue::ListSide side) const;

    Kind kind_;
    CommandContext& ctx_;
    CommandBoundary& commands_;
    ModPage* partner_ = nullptr;
    QListWidget* NotInstalled = nullptr; ///< LBMuts / LBSkin, Tag 1
    QListWidget* Installed = nullptr;    ///< LBunMuts / LBUnskin, Tag 2
    QPushButton* bInstall = nullptr;     ///< bInstMuts / bInstSkin
    QCheckBox* DelBox = nullptr;         ///< delMut / delSkin
    QPushButton* bUninstall = nullptr;   ///< bUninstMuts (Tag 2) / bUninstSkin (Tag 3)
    /// The mouse-down handling (LBMutsMouseDown, LBSkinMouseDown) and sort mode.
    ListPair* Lists = nullptr;
    /// The search above both lists, hidden until opened.
    ListSearchBar* Search = nullptr;
    /// somdata.dat as it was when the lists were read (none read yet: empty).
    std::optional<platform::FileStamp> readStamp_;
};

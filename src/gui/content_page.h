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
class QHBoxLayout;
class QListWidget;
class QMenu;
class QPushButton;
struct CommandContext;
namespace intake {
class TmFileScan;
}

/// The names and texts a content page's controls carry: the names they
/// have always had, which the tests find them by.
struct ContentPageNames {
    QString page;             ///< the page widget: "TabMaps"
    QString notInstalled;     ///< the left list: "LBinst"
    QString installed;        ///< the right list: "LBun"
    QString notInstalledHead; ///< the left list's heading: "Maplist"
    QString installedHead;    ///< the right list's heading: "Installed maps"
    QString install;          ///< the "&Install" button: "bInstallMaps"
    QString deleteBox;        ///< "Delete file after installation": "DelZip"
    QString uninstall;        ///< the "Uninstall" button: "bUninstallMaps"
    int uninstallTag;         ///< the Tag of the "Uninstall" button
};

/// A page of one kind of content (Maps, Mutators, Skins): archives not
/// installed on the left, installed content on the right, the install
/// controls below. The pages differ in their names, in the filter a kind's
/// row may give them (the maps' game type, which the subclass draws) and in
/// the partner pages that share their record file.
class ContentPage : public QWidget {
    Q_OBJECT
public:
    /// A page of `kind` whose controls carry `names`. `besideInstall` is
    /// drawn beside the "&Install" button (the maps' filter); none: space.
    ContentPage(catalogue::ContentKind kind, const ContentPageNames& names, CommandContext& context,
                CommandBoundary& commands, QWidget* besideInstall = nullptr,
                QWidget* parent = nullptr);

    catalogue::ContentKind contentKind() const { return kind_; }
    /// A page that shares this page's record file (Mutators and Skins):
    /// its lists follow when this page reads the file, and either page's
    /// delete box asks the install to delete.
    void setPartner(ContentPage* partner) { partner_ = partner; }
    /// The window's popups of the left and the right list.
    void setPopups(QMenu* notInstalled, QMenu* installed);
    /// The entries of a list, in list order.
    QStringList entries(catalogue::ListSide side) const;
    /// The selected entries of a list, in list order.
    QList<catalogue::ListEntry> selectedEntries(catalogue::ListSide side) const;

    /// The page was shown: the delete boxes (this page's and its
    /// partner's) unticked, lists reloaded.
    virtual void TabShow();
    /// Fills the lists from the record file and shows the counts (or the
    /// plain box when the file cannot be read).
    void loadLists();
    /// At a command: the lists reloaded, their selections kept, when the
    /// record file changed on disk since they were read (another Quorvel
    /// wrote it). The status shows the counts only when the page is
    /// `shown`. One stat when nothing changed.
    void reloadIfChanged(bool shown);
    /// "By Date": both lists to date order.
    void SortByDate();
    /// "By Name": both lists to name order, sorted at once.
    void ByName();
    /// "&Install" (the button, or the popup item): installs the archives
    /// selected in the left list. Runs its own command boundary: call it
    /// straight from the click, not inside another command, so the window
    /// is enabled again before the closing messages.
    void bInstallClick();
    /// "Uninstall" (the button, or the popup item) and, with
    /// `deleteArchives`, "Uninstall && Delete" on the entries selected in
    /// the right list. `updateDatabase` runs "Update database" after the
    /// deleting variant, inside the same command.
    void bUninstallClick(bool deleteArchives = false,
                         const std::function<void()>& updateDatabase = {});
    /// "Delete": the archives selected in the left list to the trash, then
    /// the scan through `scan` and the lists reloaded.
    void DeleteClick(intake::TmFileScan& scan);
    /// "Create Zip": the first entry selected in the right list zipped
    /// into the kind's archive folder.
    void Createzip1Click();
    /// "Mark as installed" while this page is shown: the left list's selection.
    void ReinstallFiles1Click();
    /// "Find" (Ctrl+F): the search above the lists, opened.
    void openSearch();
    /// Archives dropped onto the page: copied into the kind's folder, then
    /// `updateDatabase`; what was refused is named. True when any was
    /// copied. Runs inside the caller's command (the window's drop).
    bool DropArchives(const QStringList& paths, const std::function<void()>& updateDatabase);

protected:
    /// The hook of a page with a filter: the mask its lists are read
    /// through ("All": none).
    virtual QString filterMask() const { return QStringLiteral("All"); }

    QPushButton* installButton() const { return bInstall; }
    bool inDateOrder() const;

    CommandContext& ctx_;
    CommandBoundary& commands_;

private:
    QListWidget* list(catalogue::ListSide side) const;
    /// Puts the entries into the page's two lists.
    void showLists(const QStringList& notInstalled, const QStringList& installed);
    /// The pages that show the record file: this one and its partner.
    QList<ContentPage*> sharing();

    catalogue::ContentKind kind_;
    ContentPage* partner_ = nullptr;
    QListWidget* NotInstalled = nullptr; ///< Tag 1: archives not installed
    QListWidget* Installed = nullptr;    ///< Tag 2: installed content
    QPushButton* bInstall = nullptr;
    QCheckBox* DelBox = nullptr;
    QPushButton* bUninstall = nullptr;
    /// The mouse-down handling and sort mode of both lists.
    ListPair* Lists = nullptr;
    /// The search above both lists, hidden until opened.
    ListSearchBar* Search = nullptr;
    /// The record file as it was when the lists were read (none read yet: empty).
    std::optional<platform::FileStamp> readStamp_;
};

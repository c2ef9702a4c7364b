#pragma once

#include "core/app_core.h"
#include "core/command_boundary.h"
#include "core/content_catalogue.h"
#include "core/reports.h"
#include "core/settings_file.h"
#include "intake/folder_search.h"
#include "platform/status_sink.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class CachePage;
class ConfigPage;
class DemosPage;
class DesktopOpener;
class HelpWindow;
class ContentPage;
class QLabel;
class QMenu;
class QProgressBar;
class QTabWidget;
class TAboutBox;
class TForm2;
class ThemeEngine;
class Uz2Page;
enum class PopupTag;
namespace cache {
class ImportsCache;
}

/// The main window: the page control PC1 with its seven pages, the status
/// bar StatusBar1, the menus and popup menus with their Tag dispatch, the
/// busy state, the general error handler, the drop receiver and the About
/// box. It owns the program's core; the pages own their controls and
/// handlers, and the work lives in core code. Controls and menu items
/// carry their names as object names.
class TForm1 : public QMainWindow, public platform::StatusSink {
    Q_OBJECT
public:
    /// Page indexes of PC1: the content pages by ContentKind, then the others.
    enum Page {
        MapsTab = int(catalogue::ContentKind::Maps),
        MutatorsTab = int(catalogue::ContentKind::Mutators),
        SkinsTab = int(catalogue::ContentKind::Skins),
        CacheTab = int(catalogue::AllKinds.size()),
        Uz2Tab,
        DemosTab,
        ConfigTab
    };

    /// Runs the start-up sequence in the data folder `dataDir` (absolute;
    /// data_folder::ChosenFolder), made when missing and made the working
    /// folder, so relative names mean there what they mean to quorvel-cli.
    /// `dialogs` replaces the Qt dialogs (tests; not owned); `gameFolders`
    /// replaces the places probed for the game on a first run.
    explicit TForm1(const QString& dataDir, platform::Dialogs* dialogs = nullptr,
                    std::optional<QStringList> gameFolders = std::nullopt,
                    QWidget* parent = nullptr);
    ~TForm1() override;
    /// The data folder could not be made or entered, or another Quorvel
    /// kept it all the time the start-up waited: the box has said so,
    /// nothing was read or written, and the program ends without showing
    /// the window.
    bool startRefused() const { return startRefused_; }

    AppState& state() { return core_->state; }
    CommandContext& context() { return core_->context(); }
    platform::Dialogs& dialogs() { return *dialogs_; }
    ThemeEngine& themes() { return *themes_; }

    void setStatus(const QString& text) override;
    QString status() const override;
    /// A small bar at the right of the status bar; hidden for total 0.
    void setProgress(int done, int total) override;

    /// The command boundary: `command` runs to its end or its error goes to
    /// the general error handler; a Long command holds the busy state, and
    /// nothing else starts while it runs; a writer holds the data folder lock.
    bool runCommand(CommandBoundary::Kind kind, CommandBoundary::Access access,
                    const std::function<void()>& command);
    /// The general error handler: an error box with the error's text.
    void showError(const QString& text);
    /// Shows a page and runs its show handler.
    void showPage(Page page);

    /// Size of the client area below the menu bar.
    static constexpr int ClientWidth = 488;
    static constexpr int ClientHeight = 362;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    /// Dropped files go to the .uz2 page, or as archives to the Maps,
    /// Mutators or Skins page shown, through the command boundary.
    void dropEvent(QDropEvent* event) override;

private:
    void buildWindow();
    /// One page per kind of content, as its row says, in page order.
    void buildContentPages();
    void buildMenus();
    void buildPopupMenus();
    void FormCreate();
    void firstRun();
    void pageChanged(int index);
    /// The content lists whose record file changed on disk, read again.
    void reloadChangedLists();
    /// The lists of the page shown, when it is a content page, read again.
    void reloadShownLists();
    std::function<void()> enterBusy();

    /// Reads Quorvel.ini and applies it; the layout lines only at start-up.
    void LoadSettings(bool AtStartUp);
    void applyLayout(const settings_file::LayoutValues& layout);
    void settingsDamaged(const settings_file::DamagedSettings& kept);
    /// Writes error.log from a scan's `lines` and offers to show it.
    void ReportUnsupportedFiles(const QStringList& lines);
    void ShowErrorLog();
    /// Shut-down: stores the layout in the settings file and removes Temp.
    void CloseDown();
    /// "Game Over": CloseDown, then the program ends without the close query.
    void GameOver1Click();

    /// "Update database": folders rescanned, error.log offered, lists
    /// reloaded. Returns the archive names the scans recorded anew.
    QStringList Updatedatabase1Click();
    /// Content of the archives the scans recorded anew (or of any archive,
    /// when `all`) that the game already holds: said once, and marked
    /// installed on Yes; No leaves the records as they are.
    void offerFoundContent(const QStringList& recorded, bool all);
    /// "Verify installation": the check as a long command, then its dialog,
    /// whose actions reload the lists of the page shown.
    void Verifyinstallation1Click();
    /// "Sort list": the lists of the page shown to date or name order.
    void Bydate1Click();
    void ByName1Click();
    /// A menu item that acts on the content page shown ("Mark as
    /// installed", "Find"): its handler there; any other page: nothing.
    void forShownPage(void (ContentPage::*handler)());
    /// "Make List" at the item's level.
    void BriefList1Click(reports::Level level);
    /// Theme menu: a built-in theme (0..3), a theme file.
    void chooseBuiltInTheme(int index);
    void LoadTheme1Click();
    /// "Contents" (F1): the help window, in front.
    void Contents1Click();
    void About1Click();
    HelpWindow* helpWindow(); ///< made at its first use

    /// A popup item: dispatched by its Tag to the page's handler.
    void popupItemClick(PopupTag tag);
    /// "File info" of a list popup: the first selected entry in the viewer.
    void MapInfoClick(PopupTag tag);
    /// The Maps, Mutators or Skins page when shown, else null.
    ContentPage* shownContentPage() const;
    ContentPage* contentPage(catalogue::ContentKind kind) const;
    /// One content page per record file, in page order: `shown` where it
    /// is one of a file's pages, else the file's first page.
    QList<ContentPage*> recordFilePages(ContentPage* shown) const;

    std::unique_ptr<platform::Dialogs> ownDialogs_;
    platform::Dialogs* dialogs_ = nullptr;
    std::unique_ptr<AppCore> core_;
    /// The folder search of the scans and the demos page.
    intake::TmFileScan fScan;
    std::unique_ptr<CommandBoundary> commands_;
    /// The packages' imports read for File info and install, kept while
    /// the files are unchanged.
    std::shared_ptr<cache::ImportsCache> imports_;
    std::unique_ptr<ThemeEngine> themes_;
    std::optional<QStringList> gameFolders_;
    QString dataDir_;

    QTabWidget* PC1 = nullptr;
    /// The content pages (TabMaps, TabMuts, TabSkins), by ContentKind.
    QList<ContentPage*> contentPages_;
    CachePage* TabCache = nullptr;
    Uz2Page* TabUZ = nullptr;
    DemosPage* TabDemos = nullptr;
    ConfigPage* TabConfig = nullptr;
    QLabel* statusLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    /// "System", "Change Theme", "Sort list", "Help": disabled while busy.
    QList<QMenu*> mainMenus_;
    TAboutBox* AboutBox = nullptr;
    TForm2* Form2 = nullptr; ///< the archive content viewer
    HelpWindow* Help = nullptr;
    /// Hands error.log and the help's outside links to the desktop.
    DesktopOpener* opener_ = nullptr;
    /// Files may be dropped onto the window (the .uz2 page is shown).
    bool dropEnabled_ = false;
    bool closedDown_ = false;
    bool startRefused_ = false;
};

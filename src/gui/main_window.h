#pragma once

#include "core/app_core.h"
#include "core/command_boundary.h"
#include "intake/folder_search.h"
#include "platform/status_sink.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class CachePage;
class ConfigPage;
class DemosPage;
class MapsPage;
class ModPage;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTabWidget;
class TAboutBox;
class TForm2;
class ThemeEngine;
class Uz2Page;

/// The main window: the page control with its seven pages, the status bar,
/// the menus and popup menus, the busy state, the general error handler,
/// the drop receiver and the About box. It owns the program's core; the
/// pages own their controls and handlers, and the work lives in core code.
class TForm1 : public QMainWindow, public platform::StatusSink {
    Q_OBJECT
public:
    /// Page indexes of PC1.
    enum Page { MapsTab, MutatorsTab, SkinsTab, CacheTab, Uz2Tab, DemosTab, ConfigTab };

    /// Runs the start-up sequence in the current working directory.
    /// `dialogs` replaces the Qt dialogs (tests; not owned); `gameFolders`
    /// replaces the places probed for the game on a first run.
    explicit TForm1(platform::Dialogs* dialogs = nullptr,
                    std::optional<QStringList> gameFolders = std::nullopt,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    AppState& state() { return core_->state; }
    CommandContext& context() { return core_->context(); }
    platform::Dialogs& dialogs() { return *dialogs_; }
    ThemeEngine& themes() { return *themes_; }

    void setStatus(const QString& text) override;
    QString status() const override;
    /// A small bar at the right of the status bar; hidden for total 0.
    void setProgress(int done, int total) override;

    /// The command boundary: `command` runs to its end or its error goes to
    /// the general error handler; a Long command holds the busy state.
    bool runCommand(CommandBoundary::Kind kind, const std::function<void()>& command);
    /// The general error handler: an error box with the error's text.
    void showError(const QString& text);

    /// Shows a page and runs its show handler.
    void showPage(Page page);
    /// Reads Quorvel.ini and applies it; the layout lines only at start-up.
    void LoadSettings(bool AtStartUp);
    void ReportUnsupportedFiles();
    void ShowErrorLog();
    /// Shut-down: stores the layout in the settings file and removes Temp.
    void CloseDown();
    /// "Game Over": CloseDown, then the program ends without the close query.
    void GameOver1Click();
    /// Theme menu: a built-in theme (0..3), a theme file, on/off.
    void chooseBuiltInTheme(int index);
    void LoadTheme1Click();
    /// "Update database": folders rescanned, error.log offered, lists reloaded.
    void Updatedatabase1Click();
    /// "Sort list": the lists of the page shown to date or name order.
    void Bydate1Click();
    void ByName1Click();
    /// "Make List": the report level is the item's Tag.
    void BriefList1Click(const QAction* sender);
    /// "File info" of a list popup: the first selected entry in the viewer.
    void MapInfoClick(const QAction* sender);

    /// Whether files may be dropped onto the window now (.uz2 page shown).
    bool dropEnabled() const { return dropEnabled_; }
    /// Files dropped onto the window: their paths go to ListBox3. False
    /// when the drop was refused (another page shown, or busy).
    bool receiveDrop(const QStringList& paths);

    QTabWidget* PC1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    MapsPage* TabMaps = nullptr;
    ModPage* TabMuts = nullptr;
    ModPage* TabSkins = nullptr;
    CachePage* TabCache = nullptr;
    Uz2Page* TabUZ = nullptr;
    DemosPage* TabDemos = nullptr;
    ConfigPage* TabConfig = nullptr;

    QMenu *SystemMenu = nullptr, *ThemeMenu = nullptr, *SortMenu = nullptr, *HelpMenu = nullptr;
    QAction *Updatedatabase1 = nullptr, *ReinstallFiles1 = nullptr, *BriefList1 = nullptr,
            *DetailedList1 = nullptr, *FullList1 = nullptr, *GameOver1 = nullptr;
    QAction *ToggleTheme1 = nullptr, *LoadTheme1 = nullptr;
    QList<QAction*> ThemeItems; ///< the four built-in themes
    QAction *Bydate1 = nullptr, *ByName1 = nullptr, *Contents1 = nullptr, *About1 = nullptr;
    /// The list popups; items carry their names (Install1, Delete1, ...).
    QMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr, *PopupMenu3 = nullptr,
          *PopupMenu4 = nullptr, *PopupMenu5 = nullptr, *PopupMenu6 = nullptr;
    TAboutBox* AboutBox = nullptr;
    TForm2* Form2 = nullptr; ///< the archive content viewer

    /// The zip and rar components (owned by the core).
    archives::TZipMaster* ZipMaster1 = nullptr;
    archives::TdRar3* dRar31 = nullptr;

    /// Size of the client area below the menu bar.
    static constexpr int ClientWidth = 488;
    static constexpr int ClientHeight = 362;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void buildPopupMenus();
    /// A popup item: dispatched by its Tag to the page's handler.
    void popupItemClick(const QAction* sender);
    ModPage* shownModPage() const; ///< Mutators or Skins when shown, else null
    void FormCreate();
    void firstRun();
    void pageChanged(int index);
    void applyLayout(const QStringList& lines);
    void settingsDamaged();
    std::function<void()> enterBusy();
    void Contents1Click();
    void About1Click();

    std::unique_ptr<platform::Dialogs> ownDialogs_;
    platform::Dialogs* dialogs_ = nullptr;
    std::unique_ptr<AppCore> core_;
    /// The folder search of the scans and the demos page.
    intake::TmFileScan fScan;
    std::unique_ptr<CommandBoundary> commands_;
    std::unique_ptr<ThemeEngine> themes_;
    std::optional<QStringList> gameFolders_;
    QLabel* statusLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    bool dropEnabled_ = false;
    bool closedDown_ = false;
};

#pragma once

#include "app/globals.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QStatusBar;
class QAction;
class TAboutBox;
class ThemeEngine;
class ValueListEditor;
namespace intake {
class TZipMaster;
class TdRar3;
} // namespace intake

/// The main window: owner of the program state, the pages and menus, and
/// dispatcher of every command. The work itself lives in the core folders.
class TForm1 : public QMainWindow, public platform::StatusSink {
    Q_OBJECT
public:
    /// Page indexes of PageControl1.
    enum Page { MapsPage, MutatorsPage, SkinsPage, CachePage, Uz2Page, DemosPage, ConfigPage };

    /// Runs the start-up sequence in the current working directory.
    /// `dialogs` replaces the Qt dialogs (tests); the window does not own it.
    explicit TForm1(platform::Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    AppState& state() { return state_; }
    platform::Dialogs& dialogs() { return *dialogs_; }
    ThemeEngine& themes() { return *themes_; }

    void setStatus(const QString& text) override;
    QString status() const override;

    /// Shut-down: stores the layout in the settings file and removes Temp.
    void CloseDown();
    /// "Game Over": CloseDown, then the program ends without the close query.
    void GameOver1Click();
    void ShowErrorLog();
    void ReportUnsupportedFiles();
    /// Shows a page and runs its show handler.
    void showPage(Page page);
    /// Busy state of long commands: cursor, page control and menus.
    void setBusy(bool busy);
    /// Whether files may be dropped onto the window now.
    bool dropEnabled() const { return dropEnabled_; }
    /// Files dropped onto the window (the drop receiver's own work).
    void receiveDrop(const QStringList& paths);
    /// The general error handler: an error box with the error's text.
    void showError(const QString& text);
    /// Fills Filter1 from "text|mask|text|mask..." and selects the first pair.
    void setMapFilter(const QString& filter);

    /// Reads Quorvel.ini and applies it; the layout lines only at start-up.
    void LoadSettings(bool AtStartUp);
    /// "Save" on the Configure page.
    void bConfigSaveClick();
    /// The ellipsis button of rows 1 to 5 of the editor.
    void VLEEditButtonClick();
    /// Theme menu: a built-in theme (0..3), a theme file, on/off.
    void chooseBuiltInTheme(int index);
    void LoadTheme1Click();
    void ToggleTheme1Click();
    /// Initial folder of the open dialog (the map folder once configured).
    QString OpenDialog1Folder;

    // Page control and status bar.
    QTabWidget* PageControl1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QWidget* TabMaps = nullptr;
    QWidget* TabMuts = nullptr;
    QWidget* TabSkins = nullptr;
    QWidget* TabCache = nullptr;
    QWidget* TabUZ = nullptr;
    QWidget* TabDemos = nullptr;
    QWidget* TabConfig = nullptr;

    // Maps page.
    QListWidget* LBinst = nullptr;
    QListWidget* LBun = nullptr;
    QPushButton* bInstallMaps = nullptr;
    QComboBox* Filter1 = nullptr;
    QCheckBox* DelZip = nullptr;
    QPushButton* bUninstallMaps = nullptr;
    QListWidget* ListBox1 = nullptr;
    // Mutators page.
    QListWidget* LBMuts = nullptr;
    QListWidget* LBunMuts = nullptr;
    QPushButton* bInstMuts = nullptr;
    QCheckBox* delMut = nullptr;
    QPushButton* bUninstallMuts = nullptr;
    // Skins page.
    QListWidget* LBSkin = nullptr;
    QListWidget* LBUnskin = nullptr;
    QPushButton* bInstSkins = nullptr;
    QCheckBox* delSkin = nullptr;
    QPushButton* bUninstallSkins = nullptr;
    // Cache page.
    QListWidget* LBCache = nullptr;
    QPushButton* bInstallCache = nullptr;
    QCheckBox* CacheBox = nullptr;
    QGroupBox* rbCache = nullptr;
    QButtonGroup* rbCacheGroup = nullptr;
    QPushButton* bClearCache = nullptr;
    QListWidget* ListBox2 = nullptr;
    QListWidget* ListBox4 = nullptr;
    // .uz2 page.
    QListWidget* LBUz = nullptr;
    QPushButton* bOpenUz2 = nullptr;
    QGroupBox* rbUzAction = nullptr;
    QButtonGroup* rbUzActionGroup = nullptr;
    QCheckBox* cbUzDelete = nullptr;
    QPushButton* bGo = nullptr;
    QListWidget* ListBox3 = nullptr;
    // Demos page.
    QComboBox* DirBox = nullptr;
    QListWidget* DemoList = nullptr;
    QPushButton* bLaunch = nullptr;
    QPushButton* bDeleteDemo = nullptr;
    QLabel* NameBar = nullptr;
    QLabel* LocationBar = nullptr;
    QFrame* WarningPanel = nullptr;
    // Configure page.
    ValueListEditor* VLE = nullptr;
    QPushButton* bConfigSave = nullptr;

    // Menus.
    QMenu* SystemMenu = nullptr;
    QMenu* ThemeMenu = nullptr;
    QMenu* SortMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* Updatedatabase1 = nullptr;
    QAction* ReinstallFiles1 = nullptr;
    QAction* BriefList1 = nullptr;
    QAction* DetailedList1 = nullptr;
    QAction* FullList1 = nullptr;
    QAction* GameOver1 = nullptr;
    QAction* ToggleTheme1 = nullptr;
    QList<QAction*> ThemeItems; ///< the four built-in themes
    QAction* LoadTheme1 = nullptr;
    QAction* Bydate1 = nullptr;
    QAction* ByName1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* About1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QMenu* PopupMenu3 = nullptr;
    QMenu* PopupMenu4 = nullptr;
    QMenu* PopupMenu5 = nullptr;
    QMenu* PopupMenu6 = nullptr;

    TAboutBox* AboutBox = nullptr;

    /// The zip and rar components every archive operation goes through.
    std::unique_ptr<intake::TZipMaster> ZipMaster1;
    std::unique_ptr<intake::TdRar3> dRar31;
    void ZipMaster1ItemProgress(const QString& item, qint64 totalSize, int perCent);
    void dRar31FileAboutToBeListed(const QString& entryName);
    void dRar31FileAboutToBeExtractedEX(const QString& entryName);
    std::optional<QString> dRar31ReqPassword();

    /// Size of the client area below the menu bar.
    static constexpr int ClientWidth = 488;
    static constexpr int ClientHeight = 362;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void buildWindow();
    void buildMapsPage();
    void buildModPage(bool skins);
    void buildCachePage();
    void buildUz2Page();
    void buildDemosPage();
    void buildConfigPage();
    void buildArchiveComponents();
    void buildMenus();
    void buildPopupMenus();
    void prepareConfigEditor();
    void firstRun();

    void pageChanged(int index);
    void TabMapsShow();
    void TabMutsShow();
    void TabSkinsShow();
    void TabCacheShow();
    void TabUZShow();
    void TabDemosShow();
    void TabConfigShow();
    void loadModLists(bool forSkins);
    void Filter1Change();
    QString currentFilterMask() const;

    void applyLayout(const QStringList& lines);
    void settingsDamaged();
    /// The help document installed with the program (empty when missing).
    static QString helpDocumentPath();
    void Contents1Click();
    void About1Click();

    AppState state_;
    std::unique_ptr<platform::Dialogs> ownDialogs_;
    platform::Dialogs* dialogs_ = nullptr;
    std::unique_ptr<ThemeEngine> themes_;
    QLabel* statusLabel_ = nullptr;
    bool dropEnabled_ = false;
    bool closedDown_ = false;
};

/// The Tag of a widget or action (0 when none was set).
int tagOf(const QObject* object);
void setTag(QObject* object, int tag);

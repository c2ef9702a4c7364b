#include "gui/main_window.h"

#include "cache/missing_packages.h"
#include "core/data_folder.h"
#include "core/lifecycle.h"
#include "core/settings_file.h"
#include "gui/about_box.h"
#include "gui/cache_page.h"
#include "gui/config_page.h"
#include "gui/content_page_rows.h"
#include "gui/cut_text_tips.h"
#include "gui/demos_page.h"
#include "gui/desktop_opener.h"
#include "gui/help_window.h"
#include "gui/list_pair.h"
#include "gui/maps_page.h"
#include "gui/qt_dialogs.h"
#include "gui/theme_engine.h"
#include "gui/uz2_page.h"
#include "gui/viewer_window.h"
#include "install/placement.h"
#include "platform/game_programs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

TForm1::TForm1(const QString& dataDir, platform::Dialogs* dialogs,
               std::optional<QStringList> gameFolders, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), themes_(std::make_unique<ThemeEngine>()),
      gameFolders_(std::move(gameFolders)), dataDir_(dataDir) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<platform::QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    core_ = std::make_unique<AppCore>(*dialogs_, *this);
    commands_ = std::make_unique<CommandBoundary>(core_->state,
                                                  [this](const QString& text) { showError(text); });
    commands_->enterBusy = [this] { return enterBusy(); };
    commands_->beginCommand = [this] { core_->beginCommand(); };
    commands_->status = this;
    // Before an archive is installed, what it needs and the game lacks.
    imports_ = std::make_shared<cache::ImportsCache>();
    cache::AskBeforeInstall(core_->context(), imports_);
    // A reader that must write after all takes the lock there.
    core_->context().beforeWriting = [this] { commands_->writeFromHere(); };
    // Before each command, so a damaged record file is kept and named
    // before anything rewrites it, and the command sees the records another
    // Quorvel wrote meanwhile.
    commands_->beforeCommand = [this] {
        if (core_->recordGuard.started())
            core_->checkRecordFiles();
        reloadChangedLists();
    };
    buildWindow();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildContentPages() {
    for (const catalogue::ContentKind kind : catalogue::AllKinds)
        contentPages_.append(makeContentPage(kind, context(), *commands_));
    // Pages that keep one record file show it together.
    for (ContentPage* page : std::as_const(contentPages_)) {
        const catalogue::ContentKind kind = page->contentKind();
        for (const catalogue::ContentKind other :
             catalogue::kindsOf(catalogue::describe(kind).recordFile)) {
            if (other != kind)
                page->setPartner(contentPage(other));
        }
    }
}

void TForm1::buildWindow() {
    setWindowTitle(u"Quorvel"_s);
    // The window's fixed size was drawn for an 11-pixel interface font; a
    // style rule keeps that size under every theme's style sheet.
    setStyleSheet(u"QWidget { font-size: 11px; }"_s);
    ThemeEngine::installBaseStyle();
    // Fixed border with the system menu and a minimise box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    PC1 = new QTabWidget;
    PC1->setObjectName(u"PC1"_s);
    PC1->setUsesScrollButtons(false);
    PC1->setDocumentMode(false);
    CommandContext& ctx = context();
    buildContentPages();
    TabCache = new CachePage(ctx, *commands_);
    TabCache->onRecordsAppended = [this] {
        for (ContentPage* page : recordFilePages(nullptr))
            page->loadLists();
    };
    TabUZ = new Uz2Page(ctx, *commands_);
    TabDemos = new DemosPage(ctx, *commands_, fScan);
    TabConfig = new ConfigPage(ctx, *commands_);
    QList<std::pair<QWidget*, QString>> pages;
    for (ContentPage* page : std::as_const(contentPages_))
        pages.append({page, contentPageRow(page->contentKind()).caption});
    pages += {{TabCache, u"  Cache   "_s},
              {TabUZ, u" .uz2-files "_s},
              {TabDemos, u"  Demos  "_s},
              {TabConfig, u" Configure  "_s}};
    for (const auto& [page, caption] : std::as_const(pages)) {
        const int index = PC1->addTab(page, caption);
        // The blanks space the captions on the screen; a screen reader
        // says the name alone.
        PC1->tabBar()->setAccessibleTabName(index, caption.trimmed());
        page->setAccessibleName(caption.trimmed());
    }
    setCentralWidget(PC1);

    auto* StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName(u"StatusBar1"_s);
    StatusBar1->setSizeGripEnabled(false);
    statusLabel_ = new QLabel;
    statusLabel_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(statusLabel_, 1);
    // Narrow and lower than the text, so the status line keeps its room
    // and height while a run shows its progress.
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName(u"ProgressBar1"_s);
    progressBar_->setFixedSize(60, 10);
    progressBar_->setTextVisible(false);
    progressBar_->hide();
    StatusBar1->addPermanentWidget(progressBar_);
    setStatusBar(StatusBar1);

    buildMenus();
    buildPopupMenus();
    connect(PC1, &QTabWidget::currentChanged, this, &TForm1::pageChanged);
    connect(TabConfig, &ConfigPage::saved, this, [this] { LoadSettings(false); });

    // The client area below the menu bar is fixed at 488 x 362.
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(ClientWidth, ClientHeight + menuHeight);
    setAcceptDrops(true);
    // The pages' texts; the viewer watches its own.
    CutTextTips::install(this);
    AboutBox = new TAboutBox(this);
    connect(AboutBox, &TAboutBox::webPageRequested, this,
            [this] { helpWindow()->showTopic(u"about"_s); });
    Form2 = new TForm2(ctx, *commands_, this);
    opener_ = new DesktopOpener(*dialogs_, *commands_, this);
}

// Start-up steps 3 to 13. An error in a step is shown by the general error
// handler and the steps after it are skipped; the program goes on.
void TForm1::FormCreate() {
    // The working folder too: a relative folder in the settings then means
    // what it means to quorvel-cli, which works in the data folder as well.
    if (!QDir().mkpath(dataDir_) || !QDir::setCurrent(dataDir_)) {
        dialogs_->message(platform::MsgKind::Error,
                          u"Quorvel cannot make or open its data folder "_s + dataDir_ +
                              u"\r\rMake the folder writable for you, or start Quorvel with "_s
                              u"--data and a folder of your own."_s,
                          platform::Ok, QPoint(50, 125));
        startRefused_ = closedDown_ = true;
        return;
    }
    // Known before the first command, which takes the lock in it.
    state().ProgramDir = dataDir_;
    const bool started = runCommand(CommandBoundary::Quick, CommandBoundary::Writes, [this] {
        AppState& s = state();
        TabConfig->prepareConfigEditor();
        data_folder::Prepare(s, dataDir_);
        if (data_folder::HasSettings(s)) {
            LoadSettings(true);
            install::RemoveInterruptedCopies(core_->context());
        } else {
            firstRun();
        }
        s.DemosListed = false;
    });
    // A window that read no settings would write its defaults over them at
    // the first command or at closing: it ends, as the command-line program
    // does.
    if (!started && commands_->refusedAsBusy()) {
        startRefused_ = closedDown_ = true;
        return;
    }
    // Also when a step above failed before the settings were read.
    core_->recordGuard.start();
}

void TForm1::firstRun() {
    TabConfig->showFirstRunDefaults(gameFolders_
                                        ? platform::findGameFolder(*gameFolders_)
                                        : data_folder::FirstRunGameFolder(QDir::homePath()));
    themes_->selectBuiltIn(1);
    themes_->setEnabled(true);
    state().ThemeIndex = 1;
    // Without settings there is no old layout: the record files are of the
    // new size, and the page shown next looks at them.
    core_->recordGuard.start();
    showPage(ConfigTab);
}

bool TForm1::runCommand(CommandBoundary::Kind kind, CommandBoundary::Access access,
                        const std::function<void()>& command) {
    return commands_->run(kind, access, command);
}

void TForm1::showError(const QString& text) {
    dialogs_->errorMessage(text);
}

void TForm1::setStatus(const QString& text) {
    statusLabel_->setText(text);
}

QString TForm1::status() const {
    return statusLabel_->text();
}

void TForm1::setProgress(int done, int total) {
    if (total <= 0) {
        progressBar_->hide();
        return;
    }
    progressBar_->setRange(0, total);
    progressBar_->setValue(qBound(0, done, total));
    progressBar_->show();
}

std::function<void()> TForm1::enterBusy() {
    // Remember what was enabled, so a command inside another leaves the
    // window as busy as it found it.
    const bool pagesEnabled = PC1->isEnabled();
    QList<std::pair<QAction*, bool>> menus;
    for (QMenu* menu : std::as_const(mainMenus_)) {
        menus.append({menu->menuAction(), menu->menuAction()->isEnabled()});
        menu->menuAction()->setEnabled(false);
    }
    PC1->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return [this, pagesEnabled, menus] {
        QApplication::restoreOverrideCursor();
        PC1->setEnabled(pagesEnabled);
        for (const auto& [action, enabled] : menus)
            action->setEnabled(enabled);
    };
}

void TForm1::reloadChangedLists() {
    // Every content page, shown or not: "Make List" reports them all.
    // One look per record file: somdata.dat through the shown one of its
    // two pages.
    ContentPage* shown = shownContentPage();
    for (ContentPage* page : recordFilePages(shown))
        page->reloadIfChanged(page == shown);
}

QList<ContentPage*> TForm1::recordFilePages(ContentPage* shown) const {
    QList<ContentPage*> pages;
    for (ContentPage* page : contentPages_) {
        const catalogue::RecordFileOf file = catalogue::describe(page->contentKind()).recordFile;
        const auto same = std::find_if(pages.begin(), pages.end(), [file](const ContentPage* p) {
            return catalogue::describe(p->contentKind()).recordFile == file;
        });
        if (same == pages.end())
            pages.append(page);
        else if (page == shown)
            *same = page;
    }
    return pages;
}

void TForm1::showPage(Page page) {
    if (PC1->currentIndex() == page)
        pageChanged(page);
    else
        PC1->setCurrentIndex(page);
}

void TForm1::pageChanged(int index) {
    // Files may be dropped onto the window only while the .uz2 page shows.
    dropEnabled_ = index == Uz2Tab;
    runCommand(CommandBoundary::Quick, CommandBoundary::Reads, [this, index] {
        if (auto* page = qobject_cast<ContentPage*>(PC1->widget(index))) {
            page->TabShow();
            return;
        }
        switch (index) {
        case CacheTab:
            TabCache->TabCacheShow();
            break;
        case Uz2Tab:
            TabUZ->TabUZShow();
            break;
        case DemosTab:
            TabDemos->TabDemosShow();
            break;
        case ConfigTab:
            TabConfig->TabConfigShow();
            break;
        default:
            break;
        }
    });
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (closedDown_) {
        event->accept();
        return;
    }
    if (!state().CanClose) {
        event->ignore();
        return;
    }
    // The shut-down writes the settings and removes Temp: while another
    // Quorvel writes, the window stays open and says so. Any other failure
    // has had its box; the window closes all the same, or it never could.
    if (!runCommand(CommandBoundary::Quick, CommandBoundary::Writes, [this] { CloseDown(); }) &&
        commands_->refusedAsBusy()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::CloseDown() {
    settings_file::LayoutValues layout;
    layout.ThemeIndex = state().ThemeIndex;
    layout.ThemeFile = state().ThemeFile;
    layout.ThemeOn = themes_->enabled();
    layout.WindowPos = pos();
    layout.LastZipDir = state().LastZipDir;
    layout.LastUz2Dir = state().LastUz2Dir;
    settings_file::storeLayout(state().settingsPath(), layout);
    if (!lifecycle::removeTempDir(state()))
        dialogs_->message(platform::MsgKind::Error, lifecycle::couldNotRemoveTempText(state()),
                          platform::Ok, QPoint(50, 125));
    closedDown_ = true;
}

void TForm1::GameOver1Click() {
    CloseDown();
    close();
    QCoreApplication::exit(0);
}

void TForm1::ShowErrorLog() {
    opener_->open(state().errorLogPath(), u"Open it with a text editor of your choice."_s);
}

void TForm1::ReportUnsupportedFiles(const QStringList& lines) {
    if (lifecycle::ReportUnsupportedFiles(state(), lines, *dialogs_))
        ShowErrorLog();
}

HelpWindow* TForm1::helpWindow() {
    if (!Help)
        Help = new HelpWindow(*opener_, this);
    return Help;
}

void TForm1::Contents1Click() {
    helpWindow()->showTopic();
}

void TForm1::About1Click() {
    AboutBox->move(pos() + QPoint(125, 114));
    AboutBox->exec();
}

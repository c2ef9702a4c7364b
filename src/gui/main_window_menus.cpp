// The main menu and the six popup menus with their captions, names and
// Tags, and the dispatch of the popup items by their Tags.
#include "cache/missing_packages.h"
#include "core/reports.h"
#include "gui/content_page_rows.h"
#include "gui/demos_page.h"
#include "gui/main_window.h"
#include "gui/maps_page.h"
#include "gui/tags.h"
#include "gui/theme_engine.h"
#include "gui/verify_dialog.h"
#include "install/verify.h"
#include "intake/database_update.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
QAction* item(QMenu* menu, const QString& caption, int tag, const QString& name) {
    QAction* action = menu->addAction(caption);
    setTag(action, tag);
    action->setObjectName(name);
    return action;
}

QMenu* mainMenu(QMenuBar* bar, const QString& caption, const QString& name) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}
} // namespace

void TForm1::buildMenus() {
    // Every item runs through the command boundary, so none starts while a
    // long command runs.
    auto quick = [this](QAction* action, CommandBoundary::Access access,
                        const std::function<void()>& handler) {
        connect(action, &QAction::triggered, this,
                [this, access, handler] { runCommand(CommandBoundary::Quick, access, handler); });
    };
    using enum CommandBoundary::Access;
    QMenu* system = mainMenu(menuBar(), u"System"_s, u"SystemMenu"_s);
    QAction* update = item(system, u"Update database"_s, 0, u"Updatedatabase1"_s);
    connect(update, &QAction::triggered, this, [this] {
        QStringList recorded;
        if (runCommand(CommandBoundary::Long, Writes,
                       [this, &recorded] { recorded = Updatedatabase1Click(); }))
            offerFoundContent(recorded, false);
    });
    QAction* verify = item(system, u"Verify installation"_s, 0, u"Verifyinstallation1"_s);
    connect(verify, &QAction::triggered, this, [this] { Verifyinstallation1Click(); });
    QAction* mark = item(system, u"Mark as installed"_s,
                         static_cast<int>(PopupTag::SystemMarkAsInstalled), u"ReinstallFiles1"_s);
    connect(mark, &QAction::triggered, this,
            [this] { forShownPage(&ContentPage::ReinstallFiles1Click); });
    QMenu* makeList = system->addMenu(u"Make List"_s);
    makeList->setObjectName(u"MakeList1"_s);
    quick(item(makeList, u"Brief List"_s, reports::Brief, u"BriefList1"_s), Writes,
          [this] { BriefList1Click(reports::Brief); });
    quick(item(makeList, u"Detailed List"_s, reports::Detailed, u"DetailedList1"_s), Writes,
          [this] { BriefList1Click(reports::Detailed); });
    quick(item(makeList, u"Full List"_s, reports::Full, u"FullList1"_s), Writes,
          [this] { BriefList1Click(reports::Full); });
    system->addSeparator();
    QAction* gameOver = item(system, u"Game Over"_s, 1, u"GameOver1"_s);
    gameOver->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quick(gameOver, Writes, [this] { GameOver1Click(); });

    QMenu* theme = mainMenu(menuBar(), u"Change Theme"_s, u"ThemeMenu"_s);
    QAction* toggle = item(theme, u"Toggle On/Off"_s, 0, u"ToggleTheme1"_s);
    quick(toggle, Reads, [this] { themes_->toggle(); });
    theme->addSeparator();
    const QStringList themes = ThemeEngine::builtInNames();
    const QStringList names = {u"DeepBlue1"_s, u"SoftGrey1"_s, u"Crystal1"_s, u"Sand1"_s};
    QList<QAction*> builtIn;
    for (int i = 0; i < themes.size(); ++i) {
        builtIn.append(item(theme, themes[i], i, names[i]));
        quick(builtIn.last(), Reads, [this, i] { chooseBuiltInTheme(i); });
    }
    theme->addSeparator();
    QAction* load = item(theme, u"Load theme .."_s, 0, u"LoadTheme1"_s);
    quick(load, Reads, [this] { LoadTheme1Click(); });
    // The menu shows which look is in use whenever it opens.
    toggle->setCheckable(true);
    for (QAction* a : std::as_const(builtIn))
        a->setCheckable(true);
    load->setCheckable(true);
    connect(theme, &QMenu::aboutToShow, this, [this, toggle, builtIn, load] {
        toggle->setChecked(themes_->enabled());
        for (int i = 0; i < builtIn.size(); ++i)
            builtIn[i]->setChecked(themes_->index() == i);
        load->setChecked(themes_->index() == -1);
    });

    QMenu* sort = mainMenu(menuBar(), u"Sort list"_s, u"SortMenu"_s);
    quick(item(sort, u"By Date"_s, 0, u"Bydate1"_s), Reads, [this] { Bydate1Click(); });
    quick(item(sort, u"By Name"_s, 0, u"ByName1"_s), Reads, [this] { ByName1Click(); });
    // No Edit menu: finding an entry belongs with the lists' order.
    sort->addSeparator();
    QAction* find = item(sort, u"Find"_s, 0, u"Find1"_s);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    quick(find, Reads, [this] { forShownPage(&ContentPage::openSearch); });

    QMenu* help = mainMenu(menuBar(), u"Help"_s, u"HelpMenu"_s);
    QAction* contents = item(help, u"Contents"_s, 0, u"Contents1"_s);
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    quick(contents, Reads, [this] { Contents1Click(); });
    quick(item(help, u"About"_s, 0, u"About1"_s), Reads, [this] { About1Click(); });
    mainMenus_ = {system, theme, sort, help};
}

void TForm1::buildPopupMenus() {
    /// An item's object name and Tag.
    struct Item {
        QString name;
        PopupTag tag;
    };
    auto popup = [this](const QString& name,
                        std::initializer_list<std::pair<QString, Item>> items) {
        auto* menu = new QMenu(this);
        menu->setObjectName(name);
        for (const auto& [caption, i] : items) {
            QAction* action = item(menu, caption, static_cast<int>(i.tag), i.name);
            connect(action, &QAction::triggered, this,
                    [this, tag = i.tag] { popupItemClick(tag); });
        }
        return menu;
    };
    // Each kind's two popups, named as its row says; an item's Tag is the
    // popup's tens digit and the item's command ("Mark as installed": 0).
    for (ContentPage* page : std::as_const(contentPages_)) {
        const ContentPageRow& row = contentPageRow(page->contentKind());
        auto tagged = [](const PopupNames& names, int index, int command) {
            return Item{names.items.at(size_t(index)), PopupTag(names.tens * 10 + command)};
        };
        const PopupNames& left = row.notInstalledPopup;
        const PopupNames& right = row.installedPopup;
        page->setPopups(
            popup(left.menu,
                  {{u"File info"_s, tagged(left, 0, int(PopupCommand::Info))},
                   {u"Install"_s, tagged(left, 1, int(PopupCommand::Install))},
                   {u"Delete"_s, tagged(left, 2, int(PopupCommand::Delete))},
                   {u"Mark as installed"_s, {left.items[3], PopupTag::MarkAsInstalled}}}),
            popup(right.menu,
                  {{u"File info"_s, tagged(right, 0, int(InstalledCommand::Info))},
                   {u"Uninstall"_s, tagged(right, 1, int(InstalledCommand::Uninstall))},
                   {u"Create Zip"_s, tagged(right, 2, int(InstalledCommand::CreateZip))},
                   {u"Uninstall && Delete"_s,
                    tagged(right, 3, int(InstalledCommand::UninstallDelete))}}));
    }
}

void TForm1::popupItemClick(PopupTag tag) {
    // "Uninstall && Delete" runs "Update database" inside its own command.
    const auto updateDatabase = [this] { Updatedatabase1Click(); };
    if (const std::optional<UninstallRequest> request = uninstallRequestOf(tag)) {
        contentPage(request->kind)->bUninstallClick(request->deleteArchives, updateDatabase);
        return;
    }
    if (fileInfoListOf(tag)) {
        runCommand(CommandBoundary::Quick, CommandBoundary::Reads,
                   [this, tag] { MapInfoClick(tag); });
        return;
    }
    // The page handlers run through the boundary themselves.
    if (tag == PopupTag::MarkAsInstalled) {
        forShownPage(&ContentPage::ReinstallFiles1Click);
        return;
    }
    const std::optional<PopupItem> item = popupItemOf(tag);
    if (!item)
        return;
    ContentPage* page = contentPage(item->kind);
    if (item->side == catalogue::ListSide::NotInstalled) {
        if (item->command == int(PopupCommand::Install))
            page->bInstallClick();
        else if (item->command == int(PopupCommand::Delete))
            page->DeleteClick(fScan);
    } else if (item->command == int(InstalledCommand::CreateZip)) {
        page->Createzip1Click();
    }
}

ContentPage* TForm1::contentPage(catalogue::ContentKind kind) const {
    return contentPages_.at(static_cast<qsizetype>(kind));
}

ContentPage* TForm1::shownContentPage() const {
    return qobject_cast<ContentPage*>(PC1->currentWidget());
}

void TForm1::forShownPage(void (ContentPage::*handler)()) {
    if (ContentPage* page = shownContentPage())
        (page->*handler)();
}

QStringList TForm1::Updatedatabase1Click() {
    const intake::ScanResult scanned = ScanConfiguredFolders(context(), fScan);
    ReportUnsupportedFiles(scanned.ErrorLogLines);
    TabDemos->refreshDemoList();
    reloadShownLists();
    return scanned.recorded;
}

void TForm1::Verifyinstallation1Click() {
    install::VerifyReport report;
    QList<cache::InstalledNeeds> needs;
    // The check itself changes nothing; each action the dialog offers
    // writes and takes the lock for itself.
    if (!runCommand(CommandBoundary::Long, CommandBoundary::Reads, [this, &report, &needs] {
            report = install::VerifyInstallation(context());
            needs = cache::InstalledWithMissingImports(context(), *imports_);
            setStatus(install::summaryText(report));
        }))
        return;
    // The dialog's actions are commands of their own.
    VerifyDialog dialog(
        context(),
        [this](CommandBoundary::Kind kind, const std::function<void()>& command) {
            return runCommand(kind, CommandBoundary::Writes, command);
        },
        [this] { reloadShownLists(); }, this);
    dialog.showReport(report);
    dialog.showNeeds(needs);
    dialog.exec();
}

void TForm1::reloadShownLists() {
    if (ContentPage* page = shownContentPage())
        page->loadLists();
}

void TForm1::Bydate1Click() {
    forShownPage(&ContentPage::SortByDate);
}

void TForm1::ByName1Click() {
    forShownPage(&ContentPage::ByName);
}

void TForm1::BriefList1Click(reports::Level level) {
    using catalogue::ListSide;
    reports::ListsSnapshot lists;
    for (const catalogue::ContentKind kind : catalogue::AllKinds) {
        const ContentPage* page = contentPage(kind);
        lists.of(kind) = {page->entries(ListSide::Installed),
                          page->entries(ListSide::NotInstalled)};
    }
    reports::BriefList1Click(context(), level, lists);
}

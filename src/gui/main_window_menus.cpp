// The main menu and the six popup menus with their captions, names and Tags.
#include "core/reports.h"
#include "gui/demos_page.h"
#include "gui/list_pair.h"
#include "gui/main_window.h"
#include "gui/maps_page.h"
#include "gui/mod_page.h"
#include "gui/page_parts.h"
#include "gui/theme_engine.h"
#include "intake/database_update.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

namespace {
/// "Mark as installed" acts on the page shown; any other page: nothing.
void markShownPageInstalled(TForm1& w) {
    switch (w.PC1->currentIndex()) {
    case TForm1::MapsTab:
        w.TabMaps->ReinstallFiles1Click();
        break;
    case TForm1::MutatorsTab:
        w.TabMuts->ReinstallFiles1Click();
        break;
    case TForm1::SkinsTab:
        w.TabSkins->ReinstallFiles1Click();
        break;
    default:
        break;
    }
}

QAction* item(QMenu* menu, const QString& caption, int tag, const QString& name = {}) {
    QAction* action = menu->addAction(caption);
    setTag(action, tag);
    if (!name.isEmpty())
        action->setObjectName(name);
    return action;
}
} // namespace

void TForm1::buildMenus() {
    SystemMenu = menuBar()->addMenu(u"System"_s);
    Updatedatabase1 = item(SystemMenu, u"Update database"_s, 0, u"Updatedatabase1"_s);
    connect(Updatedatabase1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Long, [this] { Updatedatabase1Click(); }); });
    ReinstallFiles1 = item(SystemMenu, u"Mark as installed"_s, 75, u"ReinstallFiles1"_s);
    connect(ReinstallFiles1, &QAction::triggered, this, [this] { markShownPageInstalled(*this); });
    QMenu* makeList = SystemMenu->addMenu(u"Make List"_s);
    BriefList1 = item(makeList, u"Brief List"_s, 0, u"BriefList1"_s);
    DetailedList1 = item(makeList, u"Detailed List"_s, 1, u"DetailedList1"_s);
    FullList1 = item(makeList, u"Full List"_s, 2, u"FullList1"_s);
    for (QAction* level : {BriefList1, DetailedList1, FullList1}) {
        connect(level, &QAction::triggered, this, [this, level] {
            runCommand(CommandBoundary::Quick, [this, level] { BriefList1Click(level); });
        });
    }
    SystemMenu->addSeparator();
    GameOver1 = item(SystemMenu, u"Game Over"_s, 1, u"GameOver1"_s);
    connect(GameOver1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { GameOver1Click(); }); });

    ThemeMenu = menuBar()->addMenu(u"Change Theme"_s);
    ToggleTheme1 = item(ThemeMenu, u"Toggle On/Off"_s, 0, u"ToggleTheme1"_s);
    ThemeMenu->addSeparator();
    const QStringList themes = {u"Deep Blue"_s, u"Soft Grey"_s, u"Crystal"_s, u"Sand"_s};
    for (int i = 0; i < themes.size(); ++i) {
        ThemeItems.append(item(ThemeMenu, themes[i], i));
        connect(ThemeItems.last(), &QAction::triggered, this, [this, i] {
            runCommand(CommandBoundary::Quick, [this, i] { chooseBuiltInTheme(i); });
        });
    }
    ThemeMenu->addSeparator();
    LoadTheme1 = item(ThemeMenu, u"Load theme .."_s, 0, u"LoadTheme1"_s);
    connect(ToggleTheme1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { themes_->toggle(); }); });
    // The menu shows which look is in use whenever it opens.
    ToggleTheme1->setCheckable(true);
    for (QAction* a : std::as_const(ThemeItems))
        a->setCheckable(true);
    LoadTheme1->setCheckable(true);
    connect(ThemeMenu, &QMenu::aboutToShow, this, [this] {
        ToggleTheme1->setChecked(themes_->enabled());
        for (int i = 0; i < ThemeItems.size(); ++i)
            ThemeItems[i]->setChecked(themes_->index() == i);
        LoadTheme1->setChecked(themes_->index() == -1);
    });
    connect(LoadTheme1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { LoadTheme1Click(); }); });

    SortMenu = menuBar()->addMenu(u"Sort list"_s);
    Bydate1 = item(SortMenu, u"By Date"_s, 0, u"Bydate1"_s);
    ByName1 = item(SortMenu, u"By Name"_s, 0, u"ByName1"_s);
    connect(Bydate1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { Bydate1Click(); }); });
    connect(ByName1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { ByName1Click(); }); });

    HelpMenu = menuBar()->addMenu(u"Help"_s);
    Contents1 = item(HelpMenu, u"Contents"_s, 0, u"Contents1"_s);
    About1 = item(HelpMenu, u"About"_s, 0, u"About1"_s);
    connect(Contents1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { Contents1Click(); }); });
    connect(About1, &QAction::triggered, this,
            [this] { runCommand(CommandBoundary::Quick, [this] { About1Click(); }); });
}

void TForm1::buildPopupMenus() {
    struct Item {
        const char16_t* caption;
        int tag;
        const char16_t* name;
    };
    auto popup = [this](const char16_t* name, std::initializer_list<Item> items) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromUtf16(name));
        for (const Item& i : items)
            item(menu, QString::fromUtf16(i.caption), i.tag, QString::fromUtf16(i.name));
        return menu;
    };
    PopupMenu1 = popup(u"PopupMenu1", {{u"File info", 1, u"FileInfo1"},
                                       {u"Install", 2, u"Install1"},
                                       {u"Delete", 3, u"Delete1"},
                                       {u"Mark as installed", 0, u"Markasinstalled1"}});
    PopupMenu2 = popup(u"PopupMenu2", {{u"File info", 21, u"FileInfo2"},
                                       {u"Uninstall", 22, u"Uninstall1"},
                                       {u"Create Zip", 23, u"Createzip1"},
                                       {u"Uninstall && Delete", 24, u"UninstallDelete1"}});
    PopupMenu3 = popup(u"PopupMenu3", {{u"File info", 31, u"FileInfo3"},
                                       {u"Install", 32, u"Install2"},
                                       {u"Delete", 33, u"Delete2"},
                                       {u"Mark as installed", 0, u"Markasinstalled2"}});
    PopupMenu4 = popup(u"PopupMenu4", {{u"File info", 41, u"FileInfo4"},
                                       {u"Uninstall", 42, u"Uninstall2"},
                                       {u"Create Zip", 43, u"CreateZip2"},
                                       {u"Uninstall && Delete", 44, u"Remove1"}});
    PopupMenu5 = popup(u"PopupMenu5", {{u"File info", 51, u"FileInfo5"},
                                       {u"Install", 52, u"Install3"},
                                       {u"Delete", 53, u"Delete3"},
                                       {u"Mark as installed", 0, u"Markasinstalled3"}});
    PopupMenu6 = popup(u"PopupMenu6", {{u"File info", 61, u"FileInfo6"},
                                       {u"Uninstall", 62, u"Uninstall3"},
                                       {u"Create Zip", 63, u"CreateZip3"},
                                       {u"Uninstall && Delete", 64, u"UninstallDelete2"}});
    // Every item goes to the one dispatcher; a Tag without a command yet
    // does nothing there.
    for (QMenu* menu : {PopupMenu1, PopupMenu2, PopupMenu3, PopupMenu4, PopupMenu5, PopupMenu6}) {
        for (QAction* action : menu->actions())
            connect(action, &QAction::triggered, this, [this, action] { popupItemClick(action); });
    }
}

void TForm1::popupItemClick(const QAction* sender) {
    // The shared handlers tell their callers apart by the item's Tag.
    switch (tagOf(sender)) {
    case 1:
    case 21:
    case 31:
    case 41:
    case 51:
    case 61:
        runCommand(CommandBoundary::Quick, [this, sender] { MapInfoClick(sender); });
        break;
    case 2:
        TabMaps->bInstallMapsClick(sender);
        break;
    case 32:
        TabMuts->bInstMutsClick(sender);
        break;
    case 52:
        TabSkins->bInstMutsClick(sender);
        break;
    case 0: // the three "Mark as installed" items
        markShownPageInstalled(*this);
        break;
    case 3:
        TabMaps->Delete1Click(fScan);
        break;
    case 33:
    case 53:
        (tagOf(sender) == 33 ? TabMuts : TabSkins)->Delete2Click(sender, fScan);
        break;
    case 22:
    case 24:
        TabMaps->bUninstallMapsClick(sender, [this] { Updatedatabase1Click(); });
        break;
    case 42:
    case 44:
    case 62:
    case 64:
        (tagOf(sender) < 60 ? TabMuts : TabSkins)->bUninstallMapsClick(sender, [this] {
            Updatedatabase1Click();
        });
        break;
    case 23:
        TabMaps->Createzip1Click();
        break;
    case 43:
    case 63:
        (tagOf(sender) == 43 ? TabMuts : TabSkins)->Createzip1Click(sender);
        break;
    default:
        break;
    }
}

ModPage* TForm1::shownModPage() const {
    switch (PC1->currentIndex()) {
    case MutatorsTab:
        return TabMuts;
    case SkinsTab:
        return TabSkins;
    default:
        return nullptr;
    }
}

void TForm1::Updatedatabase1Click() {
    ScanConfiguredFolders(context(), fScan);
    ReportUnsupportedFiles();
    TabDemos->refreshDemoList();
    if (PC1->currentIndex() == MapsTab)
        TabMaps->LoadMapLists();
    else if (ModPage* page = shownModPage())
        page->LoadModLists();
}

void TForm1::Bydate1Click() {
    if (PC1->currentIndex() == MapsTab)
        TabMaps->SortByDate();
    else if (ModPage* page = shownModPage())
        page->SortByDate();
}

void TForm1::ByName1Click() {
    if (PC1->currentIndex() == MapsTab)
        TabMaps->ByName();
    else if (ModPage* page = shownModPage())
        page->ByName();
}

void TForm1::BriefList1Click(const QAction* sender) {
    reports::ListsSnapshot lists;
    lists.mapsInstalled = TabMaps->Lists->rightEntries();
    lists.mapsNotInstalled = TabMaps->Lists->leftEntries();
    lists.mutatorsInstalled = TabMuts->Lists->rightEntries();
    lists.mutators = TabMuts->Lists->leftEntries();
    lists.skinsInstalled = TabSkins->Lists->rightEntries();
    lists.skins = TabSkins->Lists->leftEntries();
    reports::BriefList1Click(context(), tagOf(sender), lists);
}

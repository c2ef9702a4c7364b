// The main menu and the six popup menus with their captions and Tags.
#include "app/main_window.h"
#include "app/theme_engine.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

namespace {
QAction* item(QMenu* menu, const QString& caption, int tag) {
    QAction* action = menu->addAction(caption);
    setTag(action, tag);
    return action;
}
} // namespace

void TForm1::buildMenus() {
    SystemMenu = menuBar()->addMenu(u"System"_s);
    Updatedatabase1 = item(SystemMenu, u"Update database"_s, 0);
    ReinstallFiles1 = item(SystemMenu, u"Mark as installed"_s, 75);
    QMenu* makeList = SystemMenu->addMenu(u"Make List"_s);
    BriefList1 = item(makeList, u"Brief List"_s, 0);
    DetailedList1 = item(makeList, u"Detailed List"_s, 1);
    FullList1 = item(makeList, u"Full List"_s, 2);
    SystemMenu->addSeparator();
    GameOver1 = item(SystemMenu, u"Game Over"_s, 1);
    connect(GameOver1, &QAction::triggered, this, &TForm1::GameOver1Click);

    ThemeMenu = menuBar()->addMenu(u"Change Theme"_s);
    ToggleTheme1 = item(ThemeMenu, u"Toggle On/Off"_s, 0);
    ThemeMenu->addSeparator();
    const QStringList themes = {u"Deep Blue"_s, u"Soft Grey"_s, u"Crystal"_s, u"Sand"_s};
    for (int i = 0; i < themes.size(); ++i) {
        ThemeItems.append(item(ThemeMenu, themes[i], i));
        connect(ThemeItems.last(), &QAction::triggered, this, [this, i] { chooseBuiltInTheme(i); });
    }
    ThemeMenu->addSeparator();
    LoadTheme1 = item(ThemeMenu, u"Load theme .."_s, 0);
    connect(ToggleTheme1, &QAction::triggered, this, &TForm1::ToggleTheme1Click);
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
    connect(LoadTheme1, &QAction::triggered, this, &TForm1::LoadTheme1Click);

    SortMenu = menuBar()->addMenu(u"Sort list"_s);
    Bydate1 = item(SortMenu, u"By Date"_s, 0);
    ByName1 = item(SortMenu, u"By Name"_s, 0);

    HelpMenu = menuBar()->addMenu(u"Help"_s);
    Contents1 = item(HelpMenu, u"Contents"_s, 0);
    About1 = item(HelpMenu, u"About"_s, 0);
    connect(Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
}

void TForm1::buildPopupMenus() {
    struct Item {
        const char16_t* caption;
        int tag;
    };
    auto popup = [this](std::initializer_list<Item> items) {
        auto* menu = new QMenu(this);
        for (const Item& i : items)
            item(menu, QString::fromUtf16(i.caption), i.tag);
        return menu;
    };
    PopupMenu1 =
        popup({{u"File info", 1}, {u"Install", 2}, {u"Delete", 3}, {u"Mark as installed", 0}});
    PopupMenu2 = popup({{u"File info", 21},
                        {u"Uninstall", 22},
                        {u"Create Zip", 23},
                        {u"Uninstall && Delete", 24}});
    PopupMenu3 =
        popup({{u"File info", 31}, {u"Install", 32}, {u"Delete", 33}, {u"Mark as installed", 0}});
    PopupMenu4 = popup({{u"File info", 41},
                        {u"Uninstall", 42},
                        {u"Create Zip", 43},
                        {u"Uninstall && Delete", 44}});
    PopupMenu5 =
        popup({{u"File info", 51}, {u"Install", 52}, {u"Delete", 53}, {u"Mark as installed", 0}});
    PopupMenu6 = popup({{u"File info", 61},
                        {u"Uninstall", 62},
                        {u"Create Zip", 63},
                        {u"Uninstall && Delete", 64}});
}

// Builds the seven pages of the main window. Layouts rather than fixed
// coordinates, so the default Linux fonts never clip a caption.
#include "app/main_window.h"
#include "app/value_list_editor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QListWidget* contentList(int tag) {
    auto* list = new QListWidget;
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::PreventContextMenu);
    setTag(list, tag);
    return list;
}

QListWidget* hiddenList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->hide();
    return list;
}

QWidget* headedList(const QString& heading, QListWidget* list) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(heading);
    label->setObjectName(u"heading"_s);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    return box;
}

QGroupBox* radioGroup(const QString& title, const QStringList& items, QButtonGroup*& group) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(1);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i]);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    group->button(0)->setChecked(true);
    return box;
}

const QString DeleteHint =
    u"Tick this box if you want to delete the zip-files when the maps are installed"_s;

} // namespace

void TForm1::buildMapsPage() {
    TabMaps = new QWidget;
    auto* grid = new QGridLayout(TabMaps);
    grid->setContentsMargins(6, 6, 6, 6);
    LBinst = contentList(1);
    LBinst->setObjectName(u"LBinst"_s);
    LBun = contentList(2);
    LBun->setObjectName(u"LBun"_s);
    grid->addWidget(headedList(u"Maplist"_s, LBinst), 0, 0);
    grid->addWidget(headedList(u"Installed maps"_s, LBun), 0, 1);

    auto* left = new QHBoxLayout;
    bInstallMaps = new QPushButton(u"&Install"_s);
    Filter1 = new QComboBox;
    Filter1->setObjectName(u"Filter1"_s);
    left->addWidget(bInstallMaps);
    left->addWidget(Filter1, 1);
    auto* right = new QHBoxLayout;
    DelZip = new QCheckBox(u"Delete file after installation"_s);
    DelZip->setToolTip(DeleteHint);
    bUninstallMaps = new QPushButton(u"Uninstall"_s);
    setTag(bUninstallMaps, 1);
    right->addWidget(DelZip, 1);
    right->addWidget(bUninstallMaps);
    grid->addLayout(left, 1, 0);
    grid->addLayout(right, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    ListBox1 = hiddenList(TabMaps);
    PageControl1->addTab(TabMaps, u"  Maps   "_s);
}

void TForm1::buildModPage(bool skins) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    QListWidget* left = contentList(1);
    QListWidget* right = contentList(2);
    grid->addWidget(headedList(skins ? u"Skins"_s : u"Mutators"_s, left), 0, 0);
    grid->addWidget(headedList(skins ? u"Installed Skins"_s : u"Installed mutators"_s, right), 0,
                    1);
    auto* install = new QPushButton(u"&Install"_s);
    auto* del = new QCheckBox(u"Delete file after installation"_s);
    del->setToolTip(DeleteHint);
    auto* uninstall = new QPushButton(u"Uninstall"_s);
    setTag(uninstall, skins ? 3 : 2);
    auto* leftRow = new QHBoxLayout;
    leftRow->addWidget(install);
    leftRow->addStretch(1);
    auto* rightRow = new QHBoxLayout;
    rightRow->addWidget(del, 1);
    rightRow->addWidget(uninstall);
    grid->addLayout(leftRow, 1, 0);
    grid->addLayout(rightRow, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    if (skins) {
        TabSkins = page;
        LBSkin = left;
        LBUnskin = right;
        bInstSkins = install;
        delSkin = del;
        bUninstallSkins = uninstall;
        PageControl1->addTab(page, u"  Skins   "_s);
    } else {
        TabMuts = page;
        LBMuts = left;
        LBunMuts = right;
        bInstMuts = install;
        delMut = del;
        bUninstallMuts = uninstall;
        PageControl1->addTab(page, u"  Mutators   "_s);
    }
}

namespace {
/// A page of a list on the left and a column of controls on the right.
QVBoxLayout* listAndColumn(QWidget* page, QWidget* list) {
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(6, 6, 6, 6);
    row->addWidget(list, 3);
    auto* column = new QVBoxLayout;
    row->addLayout(column, 2);
    return column;
}
} // namespace

void TForm1::buildCachePage() {
    TabCache = new QWidget;
    LBCache = new QListWidget;
    LBCache->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QVBoxLayout* column =
        listAndColumn(TabCache, headedList(u"Files in your ..\\Cache"_s, LBCache));
    bInstallCache = new QPushButton(u"&Install"_s);
    bInstallCache->setToolTip(u"Install selected file(s)"_s);
    CacheBox = new QCheckBox(u"Show maps only"_s);
    rbCache = radioGroup(
        u"What to do?"_s,
        {u"Install only"_s, u"Install and save as zip"_s, u"Save as zip only"_s, u"Delete file"_s},
        rbCacheGroup);
    bClearCache = new QPushButton(u"Clear cache"_s);
    column->addSpacing(16);
    column->addWidget(CacheBox);
    column->addWidget(rbCache);
    column->addWidget(bInstallCache);
    column->addStretch(1);
    column->addWidget(bClearCache);
    ListBox2 = hiddenList(TabCache);
    ListBox4 = hiddenList(TabCache);
    PageControl1->addTab(TabCache, u"  Cache   "_s);
}

void TForm1::buildUz2Page() {
    TabUZ = new QWidget;
    LBUz = new QListWidget;
    LBUz->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(u"Compress / Decompress uz2"_s);
    title->setObjectName(u"heading"_s);
    leftLayout->addWidget(title);
    leftLayout->addWidget(headedList(u"Select your file(s)"_s, LBUz), 1);
    QVBoxLayout* column = listAndColumn(TabUZ, left);
    bOpenUz2 = new QPushButton(u"Open..."_s);
    rbUzAction = radioGroup(u"Choose action"_s, {u"Decompress .uz2"_s, u"Compress to .uz2"_s},
                            rbUzActionGroup);
    cbUzDelete = new QCheckBox(u"Delete input file(s) after action?"_s);
    bGo = new QPushButton(u"Go"_s);
    column->addSpacing(16);
    column->addWidget(bOpenUz2);
    column->addWidget(rbUzAction);
    column->addWidget(cbUzDelete);
    column->addStretch(1);
    column->addWidget(bGo);
    ListBox3 = hiddenList(TabUZ);
    PageControl1->addTab(TabUZ, u" .uz2-files "_s);
}

void TForm1::buildDemosPage() {
    TabDemos = new QWidget;
    auto* grid = new QGridLayout(TabDemos);
    grid->setContentsMargins(6, 6, 6, 6);
    DirBox = new QComboBox;
    DirBox->addItem(u"Show all"_s);
    DemoList = new QListWidget;
    DemoList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    bLaunch = new QPushButton(u"Launch"_s);
    bDeleteDemo = new QPushButton(u"Delete"_s);
    NameBar = new QLabel(u"  Name: "_s);
    LocationBar = new QLabel(u"  Location: "_s);
    for (QLabel* bar : {NameBar, LocationBar}) {
        bar->setFrameShape(QFrame::StyledPanel);
        bar->setFrameShadow(QFrame::Sunken);
        bar->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    WarningPanel = new QFrame;
    WarningPanel->setObjectName(u"WarningPanel"_s);
    WarningPanel->setFrameShape(QFrame::StyledPanel);
    auto* warn = new QVBoxLayout(WarningPanel);
    for (const QString& line : {u"Warning !!"_s, u"Running a UT2004 demo"_s,
                                u"Quit UT2004 before you"_s, u"continue."_s}) {
        auto* label = new QLabel(line);
        label->setAlignment(Qt::AlignCenter);
        warn->addWidget(label);
    }
    WarningPanel->hide();
    grid->addWidget(DirBox, 0, 0);
    grid->addWidget(DemoList, 1, 0, 3, 1);
    grid->addWidget(bLaunch, 1, 1);
    grid->addWidget(bDeleteDemo, 2, 1);
    grid->addWidget(WarningPanel, 3, 1);
    grid->addWidget(NameBar, 4, 0, 1, 2);
    grid->addWidget(LocationBar, 5, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    PageControl1->addTab(TabDemos, u"  Demos  "_s);
}

void TForm1::buildConfigPage() {
    TabConfig = new QWidget;
    auto* layout = new QVBoxLayout(TabConfig);
    layout->setContentsMargins(4, 6, 4, 6);
    VLE = new ValueListEditor;
    VLE->setObjectName(u"VLE"_s);
    VLE->setKeys({u"Game Directory"_s, u"Custom Map Directory"_s, u"Custom Skin Directory"_s,
                  u"Mutator Directory"_s, u"Demos Directory"_s, u"Search files in subdirs"_s,
                  u"Overwrite files"_s, u"Install extra files"_s, u"Additional games"_s});
    VLE->setFixedHeight(20 * 10 + 4);
    layout->addWidget(VLE);
    auto* bottom = new QHBoxLayout;
    auto* notes = new QVBoxLayout;
    notes->addWidget(new QLabel(u"Read more in the help-file about the options."_s));
    notes->addWidget(new QLabel(u"Don't mess up with the directory settings"_s));
    bottom->addLayout(notes, 1);
    bConfigSave = new QPushButton(u"Save"_s);
    bottom->addWidget(bConfigSave, 0, Qt::AlignTop);
    layout->addLayout(bottom);
    layout->addStretch(1);
    PageControl1->addTab(TabConfig, u" Configure  "_s);
}

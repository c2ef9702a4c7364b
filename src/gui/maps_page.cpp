#include "gui/maps_page.h"

#include "core/command_boundary.h"
#include "core/command_context.h"
#include "core/content_db.h"
#include "core/content_lists.h"
#include "gui/list_pair.h"
#include "gui/list_search_bar.h"
#include "gui/page_parts.h"
#include "install/install.h"
#include "install/maintenance.h"
#include "install/uninstall.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

MapsPage::MapsPage(CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : QWidget(parent), ctx_(context), commands_(commands) {
    setObjectName(u"TabMaps"_s);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    LBinst = page_parts::contentList(u"LBinst"_s, tags::NotInstalledList);
    LBun = page_parts::contentList(u"LBun"_s, tags::InstalledList);
    Search = new ListSearchBar(catalogue::ContentKind::Maps, LBinst, LBun, ctx_.status);
    grid->addWidget(Search, 0, 0, 1, 2);
    grid->addWidget(page_parts::headedList(u"Maplist"_s, LBinst), 1, 0);
    grid->addWidget(page_parts::headedList(u"Installed maps"_s, LBun), 1, 1);

    auto* left = new QHBoxLayout;
    bInstallMaps = new QPushButton(u"&Install"_s);
    bInstallMaps->setObjectName(u"bInstallMaps"_s);
    Filter1 = new QComboBox;
    Filter1->setObjectName(u"Filter1"_s);
    // On Linux a screen reader gives a combo box's value as its name; the
    // description says what it is for.
    Filter1->setAccessibleName(u"Game type filter"_s);
    Filter1->setAccessibleDescription(u"Game type filter"_s);
    left->addWidget(bInstallMaps);
    left->addWidget(Filter1, 1);
    auto* right = new QHBoxLayout;
    DelZip = new QCheckBox(u"Delete file after installation"_s);
    DelZip->setObjectName(u"DelZip"_s);
    DelZip->setToolTip(page_parts::deleteHint());
    bUninstallMaps = new QPushButton(u"Uninstall"_s);
    bUninstallMaps->setObjectName(u"bUninstallMaps"_s);
    setTag(bUninstallMaps, tags::UninstallMaps);
    right->addWidget(DelZip, 1);
    right->addWidget(bUninstallMaps);
    grid->addLayout(left, 2, 0);
    grid->addLayout(right, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    Lists = new ListPair(LBinst, LBun, this);

    // Until the settings are loaded the filter holds its initial pairs.
    setMapFilter(u"All files|All|CTF|CTF|DM|DM|BR|BR|AS|AS|ONS|ONS"_s);
    connect(Filter1, &QComboBox::currentIndexChanged, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads, [this] { Filter1Change(); });
    });
    connect(bInstallMaps, &QPushButton::clicked, this, [this] { bInstallMapsClick(); });
    connect(bUninstallMaps, &QPushButton::clicked, this, [this] { bUninstallMapsClick(); });
}

void MapsPage::setPopups(QMenu* notInstalled, QMenu* installed) {
    Lists->setPopups(notInstalled, installed);
}

QListWidget* MapsPage::list(catalogue::ListSide side) const {
    return side == catalogue::ListSide::Installed ? LBun : LBinst;
}

QStringList MapsPage::entries(catalogue::ListSide side) const {
    return page_parts::entries(list(side));
}

QList<catalogue::ListEntry> MapsPage::selectedEntries(catalogue::ListSide side) const {
    return page_parts::selectedListEntries(list(side));
}

void MapsPage::TabMapsShow() {
    ctx_.status.setStatus(QString());
    DelZip->setChecked(false);
    LoadMapLists();
}

void MapsPage::LoadMapLists() {
    // Taken before reading: a write after it is seen by the next look.
    readStamp_ = platform::FileStamp::of(ctx_.state.mapDataPath());
    const MapLists lists = ::LoadMapLists(ctx_.state, currentFilterMask());
    page_parts::fill(LBun, lists.installed);
    page_parts::fill(LBinst, lists.notInstalled);
    if (!lists.error.isEmpty()) {
        ctx_.dialogs.plainMessage(lists.error);
        return;
    }
    ctx_.status.setStatus(lists.status);
    if (Lists->dateOrder)
        SortByDate();
    Search->showCounts();
}

void MapsPage::openSearch() {
    Search->open();
}

void MapsPage::reloadIfChanged(bool shown) {
    if (!readStamp_ || *readStamp_ == platform::FileStamp::of(ctx_.state.mapDataPath()))
        return;
    const QList<catalogue::ListEntry> notInstalled = page_parts::selectedListEntries(LBinst);
    const QList<catalogue::ListEntry> installed = page_parts::selectedListEntries(LBun);
    const QString status = ctx_.status.status();
    LoadMapLists();
    page_parts::selectListEntries(LBinst, notInstalled);
    page_parts::selectListEntries(LBun, installed);
    if (!shown)
        ctx_.status.setStatus(status);
}

void MapsPage::SortByDate() {
    Lists->dateOrder = true;
    const QList<TContentRecord> records = content_db::ReadAll(ctx_.state.mapDataPath());
    page_parts::fill(LBinst, mapListByDate(page_parts::entries(LBinst), records, false));
    page_parts::fill(LBun, mapListByDate(page_parts::entries(LBun), records, true));
}

void MapsPage::ByName() {
    Lists->dateOrder = false;
    page_parts::fill(LBinst, byName(page_parts::entries(LBinst)));
    page_parts::fill(LBun, byName(page_parts::entries(LBun)));
}

QString MapsPage::currentFilterMask() const {
    const QVariant mask = Filter1->currentData();
    return mask.isValid() ? mask.toString() : u"All"_s;
}

void MapsPage::setMapFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    const QSignalBlocker block(Filter1);
    Filter1->clear();
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        Filter1->addItem(parts[i], parts[i + 1]);
    Filter1->setCurrentIndex(Filter1->count() > 0 ? 0 : -1);
}

void MapsPage::Filter1Change() {
    // The settings loader rebuilds the filter while starting up.
    if (!ctx_.state.StartingUp)
        LoadMapLists();
}

void MapsPage::bInstallMapsClick() {
    install::InstallResult result;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [this, &result] {
        result =
            install::InstallArchives(ctx_, catalogue::ContentKind::Maps,
                                     page_parts::selectedListEntries(LBinst), DelZip->isChecked());
        if (!result.ran)
            return;
        LoadMapLists();
        LBinst->clearSelection();
        DelZip->setChecked(false);
    });
    // The messages and leftovers come after the busy state has ended.
    if (ran && result.ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &result] {
            install::FinishInstall(ctx_, catalogue::ContentKind::Maps, result);
        });
}

void MapsPage::bUninstallMapsClick(bool deleteArchives,
                                   const std::function<void()>& updateDatabase) {
    install::UninstallResult result;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [&] {
        result = install::UninstallArchives(ctx_, catalogue::ContentKind::Maps,
                                            page_parts::selectedListEntries(LBun), deleteArchives);
        if (!result.ran)
            return;
        LoadMapLists();
        ctx_.status.setStatus(result.status);
        if (deleteArchives && updateDatabase)
            updateDatabase();
    });
    // The files that stayed are named once the window is no longer busy.
    if (ran && result.ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                      [&] { install::FinishUninstall(ctx_, result); });
}

void MapsPage::Delete1Click(intake::TmFileScan& scan) {
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &scan] {
        install::DeleteArchives(ctx_, scan, catalogue::ContentKind::Maps,
                                page_parts::selectedListEntries(LBinst));
        // The status keeps the last item's text over the list counts.
        const QString last = ctx_.status.status();
        LoadMapLists();
        ctx_.status.setStatus(last);
    });
}

void MapsPage::Createzip1Click() {
    const QList<catalogue::ListEntry> selected = page_parts::selectedListEntries(LBun);
    if (selected.isEmpty())
        return;
    // Busy only while packing: the CreateZip run holds the guard itself.
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &selected] {
        install::CreateZip(ctx_, catalogue::ContentKind::Maps, selected.first(),
                           ctx_.state.CustomMapDir, commands_.busySection());
    });
}

void MapsPage::ReinstallFiles1Click() {
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this] {
        if (install::MarkAsInstalled(ctx_, catalogue::ContentKind::Maps,
                                     page_parts::selectedListEntries(LBinst)))
            LoadMapLists();
    });
}

#include "gui/content_page.h"

#include "core/command_boundary.h"
#include "core/command_context.h"
#include "core/content_db.h"
#include "core/content_lists.h"
#include "gui/list_pair.h"
#include "gui/list_search_bar.h"
#include "gui/page_parts.h"
#include "install/dropped_archives.h"
#include "install/install.h"
#include "install/maintenance.h"
#include "install/uninstall.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

ContentPage::ContentPage(catalogue::ContentKind kind, const ContentPageNames& names,
                         CommandContext& context, CommandBoundary& commands, QWidget* besideInstall,
                         QWidget* parent)
    : QWidget(parent), ctx_(context), commands_(commands), kind_(kind) {
    setObjectName(names.page);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    NotInstalled = page_parts::contentList(names.notInstalled, tags::NotInstalledList);
    Installed = page_parts::contentList(names.installed, tags::InstalledList);
    Search = new ListSearchBar(kind, NotInstalled, Installed, ctx_.status);
    grid->addWidget(Search, 0, 0, 1, 2);
    grid->addWidget(page_parts::headedList(names.notInstalledHead, NotInstalled), 1, 0);
    grid->addWidget(page_parts::headedList(names.installedHead, Installed), 1, 1);
    bInstall = new QPushButton(u"&Install"_s);
    bInstall->setObjectName(names.install);
    DelBox = new QCheckBox(u"Delete file after installation"_s);
    DelBox->setObjectName(names.deleteBox);
    DelBox->setToolTip(page_parts::deleteHint());
    bUninstall = new QPushButton(u"Uninstall"_s);
    bUninstall->setObjectName(names.uninstall);
    setTag(bUninstall, names.uninstallTag);
    auto* installRow = new QHBoxLayout;
    installRow->addWidget(bInstall);
    if (besideInstall)
        installRow->addWidget(besideInstall, 1);
    else
        installRow->addStretch(1);
    auto* uninstallRow = new QHBoxLayout;
    uninstallRow->addWidget(DelBox, 1);
    uninstallRow->addWidget(bUninstall);
    grid->addLayout(installRow, 2, 0);
    grid->addLayout(uninstallRow, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    Lists = new ListPair(NotInstalled, Installed, this);
    connect(bInstall, &QPushButton::clicked, this, [this] { bInstallClick(); });
    connect(bUninstall, &QPushButton::clicked, this, [this] { bUninstallClick(); });
}

void ContentPage::setPopups(QMenu* notInstalled, QMenu* installed) {
    Lists->setPopups(notInstalled, installed);
}

QListWidget* ContentPage::list(catalogue::ListSide side) const {
    return side == catalogue::ListSide::Installed ? Installed : NotInstalled;
}

QList<ContentPage*> ContentPage::sharing() {
    QList<ContentPage*> pages{this};
    if (partner_)
        pages.append(partner_);
    return pages;
}

bool ContentPage::inDateOrder() const {
    return Lists->dateOrder;
}

QStringList ContentPage::entries(catalogue::ListSide side) const {
    return page_parts::entries(list(side));
}

QList<catalogue::ListEntry> ContentPage::selectedEntries(catalogue::ListSide side) const {
    return page_parts::selectedListEntries(list(side));
}

void ContentPage::showLists(const QStringList& notInstalled, const QStringList& installed) {
    page_parts::fill(Installed, installed);
    page_parts::fill(NotInstalled, notInstalled);
}

void ContentPage::TabShow() {
    for (ContentPage* page : sharing())
        page->DelBox->setChecked(false);
    loadLists();
}

void ContentPage::loadLists() {
    // Taken before reading: a write after it is seen by the next look.
    readStamp_ = platform::FileStamp::of(catalogue::recordFile(ctx_.state, kind_));
    if (partner_)
        partner_->readStamp_ = readStamp_;
    // One read serves the pages that share the record file, so a report
    // from either page is whole.
    const QList<KindLists> read = LoadSharingLists(ctx_.state, kind_, filterMask());
    KindLists own{kind_, {}, {}, {}, {}};
    for (const KindLists& lists : read) {
        for (ContentPage* page : sharing()) {
            if (page->kind_ == lists.kind)
                page->showLists(lists.notInstalled, lists.installed);
        }
        if (lists.kind == kind_)
            own = lists;
    }
    if (!own.error.isEmpty()) {
        ctx_.dialogs.plainMessage(own.error);
        return;
    }
    // A list in date order is sorted by date again.
    for (ContentPage* page : sharing()) {
        if (page->inDateOrder())
            page->SortByDate();
    }
    ctx_.status.setStatus(own.status);
    Search->showCounts();
}

void ContentPage::openSearch() {
    Search->open();
}

void ContentPage::reloadIfChanged(bool shown) {
    if (!readStamp_ ||
        *readStamp_ == platform::FileStamp::of(catalogue::recordFile(ctx_.state, kind_)))
        return;
    QList<QListWidget*> lists;
    for (ContentPage* page : sharing())
        lists << page->NotInstalled << page->Installed;
    QList<QList<catalogue::ListEntry>> selected;
    for (QListWidget* list : lists)
        selected.append(page_parts::selectedListEntries(list));
    const QString status = ctx_.status.status();
    loadLists();
    for (qsizetype i = 0; i < lists.size(); ++i)
        page_parts::selectListEntries(lists[i], selected[i]);
    if (!shown)
        ctx_.status.setStatus(status);
}

void ContentPage::SortByDate() {
    Lists->dateOrder = true;
    const DateLists lists = kindListsByDate(
        kind_,
        {entries(catalogue::ListSide::NotInstalled), entries(catalogue::ListSide::Installed)},
        content_db::ReadAll(catalogue::recordFile(ctx_.state, kind_)));
    showLists(lists.notInstalled, lists.installed);
}

void ContentPage::ByName() {
    Lists->dateOrder = false;
    page_parts::fill(NotInstalled, byName(page_parts::entries(NotInstalled)));
    page_parts::fill(Installed, byName(page_parts::entries(Installed)));
}

void ContentPage::bInstallClick() {
    install::InstallResult result;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [this, &result] {
        // Either page's box asks for the delete; showing a page unticks both.
        bool deleteAfter = false;
        for (ContentPage* page : sharing())
            deleteAfter = deleteAfter || page->DelBox->isChecked();
        result = install::InstallArchives(
            ctx_, kind_, page_parts::selectedListEntries(NotInstalled), deleteAfter);
        if (!result.ran)
            return;
        loadLists();
        for (ContentPage* page : sharing()) {
            page->NotInstalled->clearSelection();
            page->DelBox->setChecked(false);
        }
    });
    // The messages and leftovers come after the busy state has ended.
    if (ran && result.ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Writes,
                      [this, &result] { install::FinishInstall(ctx_, kind_, result); });
}

void ContentPage::bUninstallClick(bool deleteArchives,
                                  const std::function<void()>& updateDatabase) {
    install::UninstallResult result;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [&] {
        result = install::UninstallArchives(ctx_, kind_, page_parts::selectedListEntries(Installed),
                                            deleteArchives);
        if (!result.ran)
            return;
        loadLists();
        ctx_.status.setStatus(result.status);
        if (deleteArchives && updateDatabase)
            updateDatabase();
    });
    // The files that stayed are named once the window is no longer busy.
    if (ran && result.ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                      [&] { install::FinishUninstall(ctx_, result); });
}

void ContentPage::DeleteClick(intake::TmFileScan& scan) {
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &scan] {
        install::DeleteArchives(ctx_, scan, kind_, page_parts::selectedListEntries(NotInstalled));
        // The status keeps the last item's text over the list counts.
        const QString last = ctx_.status.status();
        loadLists();
        ctx_.status.setStatus(last);
    });
}

void ContentPage::Createzip1Click() {
    const QList<catalogue::ListEntry> selected = page_parts::selectedListEntries(Installed);
    if (selected.isEmpty())
        return;
    // Busy only while packing: the CreateZip run holds the guard itself.
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &selected] {
        install::CreateZip(ctx_, kind_, selected.first(),
                           catalogue::archiveFolder(ctx_.state, kind_), commands_.busySection());
    });
}

void ContentPage::ReinstallFiles1Click() {
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this] {
        if (install::MarkAsInstalled(ctx_, kind_, page_parts::selectedListEntries(NotInstalled)))
            loadLists();
    });
}

bool ContentPage::DropArchives(const QStringList& paths,
                               const std::function<void()>& updateDatabase) {
    const install::DropResult result = install::CopyDroppedArchives(ctx_, kind_, paths);
    if (!result.copied.isEmpty())
        updateDatabase();
    install::ReportRefusedDrops(ctx_, result);
    return !result.copied.isEmpty();
}

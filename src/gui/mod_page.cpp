#include "gui/mod_page.h"

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
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

ModPage::ModPage(Kind kind, CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : QWidget(parent), kind_(kind), ctx_(context), commands_(commands) {
    const bool skins = kind == Skins;
    setObjectName(skins ? u"TabSkins"_s : u"TabMuts"_s);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    NotInstalled =
        page_parts::contentList(skins ? u"LBSkin"_s : u"LBMuts"_s, tags::NotInstalledList);
    Installed = page_parts::contentList(skins ? u"LBUnskin"_s : u"LBunMuts"_s, tags::InstalledList);
    Search = new ListSearchBar(contentKind(), NotInstalled, Installed, ctx_.status);
    grid->addWidget(Search, 0, 0, 1, 2);
    grid->addWidget(page_parts::headedList(skins ? u"Skins"_s : u"Mutators"_s, NotInstalled), 1, 0);
    grid->addWidget(
        page_parts::headedList(skins ? u"Installed Skins"_s : u"Installed mutators"_s, Installed),
        1, 1);
    bInstall = new QPushButton(u"&Install"_s);
    bInstall->setObjectName(skins ? u"bInstSkin"_s : u"bInstMuts"_s);
    DelBox = new QCheckBox(u"Delete file after installation"_s);
    DelBox->setObjectName(skins ? u"delSkin"_s : u"delMut"_s);
    DelBox->setToolTip(page_parts::deleteHint());
    bUninstall = new QPushButton(u"Uninstall"_s);
    bUninstall->setObjectName(skins ? u"bUninstSkin"_s : u"bUninstMuts"_s);
    setTag(bUninstall, skins ? tags::UninstallSkins : tags::UninstallMutators);
    auto* leftRow = new QHBoxLayout;
    leftRow->addWidget(bInstall);
    leftRow->addStretch(1);
    auto* rightRow = new QHBoxLayout;
    rightRow->addWidget(DelBox, 1);
    rightRow->addWidget(bUninstall);
    grid->addLayout(leftRow, 2, 0);
    grid->addLayout(rightRow, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    Lists = new ListPair(NotInstalled, Installed, this);
    connect(bInstall, &QPushButton::clicked, this, [this] { bInstMutsClick(); });
    connect(bUninstall, &QPushButton::clicked, this, [this] { bUninstallMapsClick(); });
}

catalogue::ContentKind ModPage::contentKind() const {
    return kind_ == Skins ? catalogue::ContentKind::Skins : catalogue::ContentKind::Mutators;
}

void ModPage::setPopups(QMenu* notInstalled, QMenu* installed) {
    Lists->setPopups(notInstalled, installed);
}

QListWidget* ModPage::list(catalogue::ListSide side) const {
    return side == catalogue::ListSide::Installed ? Installed : NotInstalled;
}

QStringList ModPage::entries(catalogue::ListSide side) const {
    return page_parts::entries(list(side));
}

QList<catalogue::ListEntry> ModPage::selectedEntries(catalogue::ListSide side) const {
    return page_parts::selectedListEntries(list(side));
}

void ModPage::TabShow() {
    DelBox->setChecked(false);
    if (partner_)
        partner_->DelBox->setChecked(false);
    LoadModLists();
}

void ModPage::LoadModLists() {
    // Taken before reading: a write after it is seen by the next look.
    readStamp_ = platform::FileStamp::of(ctx_.state.modDataPath());
    if (partner_)
        partner_->readStamp_ = readStamp_;
    const ModLists lists = ::LoadModLists(ctx_.state, kind_ == Skins);
    fill(lists);
    // One record file serves both pages: the other page's lists follow,
    // so a report from either page is whole.
    if (partner_)
        partner_->fill(lists);
    if (!lists.error.isEmpty()) {
        ctx_.dialogs.plainMessage(lists.error);
        return;
    }
    ctx_.status.setStatus(lists.status);
    Search->showCounts();
}

void ModPage::openSearch() {
    Search->open();
}

void ModPage::reloadIfChanged(bool shown) {
    if (!readStamp_ || *readStamp_ == platform::FileStamp::of(ctx_.state.modDataPath()))
        return;
    QList<QListWidget*> lists = {NotInstalled, Installed};
    if (partner_)
        lists << partner_->NotInstalled << partner_->Installed;
    QList<QList<catalogue::ListEntry>> selected;
    for (QListWidget* list : lists)
        selected.append(page_parts::selectedListEntries(list));
    const QString status = ctx_.status.status();
    LoadModLists();
    for (qsizetype i = 0; i < lists.size(); ++i)
        page_parts::selectListEntries(lists[i], selected[i]);
    if (!shown)
        ctx_.status.setStatus(status);
}

void ModPage::fill(const ModLists& lists) {
    const bool skins = kind_ == Skins;
    page_parts::fill(Installed, skins ? lists.skinsInstalled : lists.mutatorsInstalled);
    page_parts::fill(NotInstalled, skins ? lists.skins : lists.mutators);
    if (lists.error.isEmpty() && Lists->dateOrder)
        SortByDate();
}

void ModPage::SortByDate() {
    Lists->dateOrder = true;
    const ModDateLists lists =
        modListsByDate(content_db::ReadAll(ctx_.state.modDataPath()), kind_ == Skins);
    page_parts::fill(NotInstalled, lists.notInstalled);
    page_parts::fill(Installed, lists.installed);
}

void ModPage::ByName() {
    Lists->dateOrder = false;
    page_parts::fill(NotInstalled, byName(page_parts::entries(NotInstalled)));
    page_parts::fill(Installed, byName(page_parts::entries(Installed)));
}

void ModPage::bInstMutsClick() {
    const catalogue::ContentKind kind = contentKind();
    install::InstallResult result;
    const bool ran =
        commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [this, kind, &result] {
            // Either page's box asks for the delete; showing a page unticks both.
            const bool deleteAfter =
                DelBox->isChecked() || (partner_ && partner_->DelBox->isChecked());
            result = install::InstallArchives(
                ctx_, kind, page_parts::selectedListEntries(NotInstalled), deleteAfter);
            if (!result.ran)
                return;
            LoadModLists();
            for (ModPage* page : {this, partner_}) {
                if (!page)
                    continue;
                page->NotInstalled->clearSelection();
                page->DelBox->setChecked(false);
            }
        });
    // The messages and leftovers come after the busy state has ended.
    if (ran && result.ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Writes,
                      [this, kind, &result] { install::FinishInstall(ctx_, kind, result); });
}

void ModPage::bUninstallMapsClick(bool deleteArchives,
                                  const std::function<void()>& updateDatabase) {
    install::UninstallResult result;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [&] {
        result = install::UninstallArchives(
            ctx_, contentKind(), page_parts::selectedListEntries(Installed), deleteArchives);
        if (!result.ran)
            return;
        LoadModLists();
        ctx_.status.setStatus(result.status);
        if (deleteArchives && updateDatabase)
            updateDatabase();
    });
    // The files that stayed are named once the window is no longer busy.
    if (ran && result.ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                      [&] { install::FinishUninstall(ctx_, result); });
}

void ModPage::Delete2Click(intake::TmFileScan& scan) {
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &scan] {
        install::DeleteArchives(ctx_, scan, contentKind(),
                                page_parts::selectedListEntries(NotInstalled));
        // The status keeps the last item's text over the list counts.
        const QString last = ctx_.status.status();
        LoadModLists();
        ctx_.status.setStatus(last);
    });
}

void ModPage::Createzip1Click() {
    const QList<catalogue::ListEntry> selected = page_parts::selectedListEntries(Installed);
    if (selected.isEmpty())
        return;
    // Busy only while packing: the CreateZip run holds the guard itself.
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this, &selected] {
        install::CreateZip(ctx_, contentKind(), selected.first(),
                           kind_ == Skins ? ctx_.state.CustomSkinDir : ctx_.state.MutatorDir,
                           commands_.busySection());
    });
}

void ModPage::ReinstallFiles1Click() {
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [this] {
        if (install::MarkAsInstalled(ctx_, contentKind(),
                                     page_parts::selectedListEntries(NotInstalled)))
            LoadModLists();
    });
}

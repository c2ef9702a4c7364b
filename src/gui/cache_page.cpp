#include "gui/cache_page.h"

#include "cache/cache_index.h"
#include "cache/cache_install.h"
#include "core/command_boundary.h"
#include "core/command_context.h"
#include "core/content_lists.h"
#include "gui/page_parts.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

CachePage::CachePage(CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : QWidget(parent), ctx_(context), commands_(commands) {
    setObjectName(u"TabCache"_s);
    LBCache = new QListWidget;
    LBCache->setObjectName(u"LBCache"_s);
    LBCache->setSelectionMode(QAbstractItemView::ExtendedSelection);
    page_parts::showFocusFrame(LBCache);
    QVBoxLayout* column = page_parts::listAndColumn(
        this, page_parts::headedList(u"Files in your ..\\Cache"_s, LBCache));
    bInstallCache = new QPushButton(u"&Install"_s);
    bInstallCache->setObjectName(u"bInstallCache"_s);
    bInstallCache->setToolTip(u"Install selected file(s)"_s);
    CacheBox = new QCheckBox(u"Show maps only"_s);
    CacheBox->setObjectName(u"CacheBox"_s);
    rbCache = page_parts::radioGroup(
        u"rbCache"_s, u"What to do?"_s,
        {u"Install only"_s, u"Install and save as zip"_s, u"Save as zip only"_s, u"Delete file"_s},
        rbCacheGroup);
    ClearCache = new QPushButton(u"Clear cache"_s);
    ClearCache->setObjectName(u"ClearCache"_s);
    column->addSpacing(16);
    column->addWidget(CacheBox);
    column->addWidget(rbCache);
    column->addWidget(bInstallCache);
    column->addStretch(1);
    column->addWidget(ClearCache);

    // Clicks only: TabCacheShow unticks the box itself and lists once.
    connect(CacheBox, &QCheckBox::clicked, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads, [this] { CacheBoxClick(); });
    });
    connect(rbCacheGroup, &QButtonGroup::idClicked, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads, [this] { rbCacheClick(); });
    });
    connect(bInstallCache, &QPushButton::clicked, this, [this] { bInstallCacheClick(); });
    connect(ClearCache, &QPushButton::clicked, this, [this] { ClearCacheClick(); });
}

void CachePage::TabCacheShow() {
    rbCacheGroup->button(0)->setChecked(true);
    bInstallCache->setText(u"Install"_s);
    CacheBox->setChecked(false);
    ListCache();
}

void CachePage::ListCache() {
    LBCache->clear();
    if (const std::optional<QStringList> names = cache::ListCache(ctx_, CacheBox->isChecked()))
        page_parts::fill(LBCache, byName(*names));
}

void CachePage::CacheBoxClick() {
    ListCache();
}

void CachePage::rbCacheClick() {
    const QString caption =
        cache::cacheButtonCaption(cache::cacheActionAt(rbCacheGroup->checkedId()));
    if (!caption.isEmpty())
        bInstallCache->setText(caption);
}

void CachePage::bInstallCacheClick() {
    const cache::CacheAction action = cache::cacheActionAt(rbCacheGroup->checkedId());
    std::optional<cache::CachePlan> plan;
    // A writer already: Temp must be found empty by the run that fills it.
    commands_.run(CommandBoundary::Quick, CommandBoundary::Writes, [&] {
        plan = cache::PlanCacheRun(ctx_, action, page_parts::selectedEntries(LBCache));
    });
    if (!plan)
        return;
    cache::CacheRunResult result;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [&] {
        result = cache::RunCacheInstall(
            ctx_, UTPackage, *plan, [this] { ListCache(); }, onRecordsAppended);
    });
    // The closing status or error box comes after the busy state has ended.
    if (ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                      [&] { cache::FinishCacheRun(ctx_, *plan, result); });
}

void CachePage::ClearCacheClick() {
    bool confirmed = false;
    commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                  [&] { confirmed = cache::ConfirmClearCache(ctx_); });
    if (!confirmed)
        return;
    commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [this] {
        cache::ClearCache(ctx_);
        ListCache();
    });
}

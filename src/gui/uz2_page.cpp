#include "gui/uz2_page.h"

#include "cache/uz2.h"
#include "core/command_boundary.h"
#include "core/command_context.h"
#include "gui/page_parts.h"
#include "platform/status_sink.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

Uz2Page::Uz2Page(CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : QWidget(parent), ctx_(context), commands_(commands),
      openFilter_(cache::uz2OpenFilter(cache::Uz2Action::Decompress)) {
    setObjectName(u"TabUZ"_s);
    LBUz = new QListWidget;
    LBUz->setObjectName(u"LBUz"_s);
    LBUz->setSelectionMode(QAbstractItemView::ExtendedSelection);
    page_parts::showFocusFrame(LBUz);
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(u"Compress / Decompress uz2"_s);
    title->setObjectName(u"heading"_s);
    leftLayout->addWidget(title);
    leftLayout->addWidget(page_parts::headedList(u"Select your file(s)"_s, LBUz), 1);
    QVBoxLayout* column = page_parts::listAndColumn(this, left);
    bOpenUz2 = new QPushButton(u"Open..."_s);
    bOpenUz2->setObjectName(u"bOpenUz2"_s);
    rbUzAction =
        page_parts::radioGroup(u"rbUzAction"_s, u"Choose action"_s,
                               {u"Decompress .uz2"_s, u"Compress to .uz2"_s}, rbUzActionGroup);
    cbUzDelete = new QCheckBox(u"Delete input file(s) after action?"_s);
    cbUzDelete->setObjectName(u"cbUzDelete"_s);
    bGoUz2 = new QPushButton(u"Go"_s);
    bGoUz2->setObjectName(u"bGoUz2"_s);
    column->addSpacing(16);
    column->addWidget(bOpenUz2);
    column->addWidget(rbUzAction);
    column->addWidget(cbUzDelete);
    column->addStretch(1);
    column->addWidget(bGoUz2);
    connect(bOpenUz2, &QPushButton::clicked, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads, [this] { bOpenUz2Click(); });
    });
    connect(bGoUz2, &QPushButton::clicked, this, [this] { bGoUz2Click(); });
}

void Uz2Page::TabUZShow() {
    ctx_.state.ListBox3.clear();
    LBUz->clear();
    ctx_.status.setStatus(u"  Handle .uz2-compressed files"_s);
    rbUzActionGroup->button(0)->setChecked(true);
    openFilter_ = cache::uz2OpenFilter(cache::Uz2Action::Decompress);
    cbUzDelete->setChecked(false);
}

void Uz2Page::showNames(const QStringList& names) {
    LBUz->clear();
    LBUz->addItems(names);
}

void Uz2Page::bOpenUz2Click() {
    const cache::Uz2Action action = cache::uz2ActionAt(rbUzActionGroup->checkedId());
    if (const QString filter = cache::uz2OpenFilter(action); !filter.isEmpty())
        openFilter_ = filter;
    if (const std::optional<QStringList> names = cache::chooseUz2Files(ctx_, action, openFilter_))
        showNames(*names);
}

void Uz2Page::dragndropDropFiles(const QStringList& paths) {
    const std::optional<cache::Uz2Drop> drop = cache::dropUz2Files(ctx_, paths);
    if (!drop)
        return;
    showNames(drop->names);
    rbUzActionGroup->button(int(drop->action))->setChecked(true);
}

void Uz2Page::bGoUz2Click() {
    bool selected = false;
    commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                  [this, &selected] { selected = cache::checkUz2Selection(ctx_); });
    if (!selected)
        return;
    const cache::Uz2Action action = cache::uz2ActionAt(rbUzActionGroup->checkedId());
    const bool deleteInputs = cbUzDelete->isChecked();
    cache::Uz2Run run;
    const bool ran = commands_.run(CommandBoundary::Long, CommandBoundary::Writes, [&] {
        run = cache::runUz2(ctx_, action, deleteInputs, page_parts::entries(LBUz),
                            [this](qsizetype i, const QString& line, const QString& reason) {
                                if (QListWidgetItem* item = LBUz->item(int(i))) {
                                    item->setText(line);
                                    item->setToolTip(reason);
                                }
                            });
    });
    // The closing message comes after the busy state has ended.
    if (ran)
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                      [this, &run, deleteInputs] { cache::finishUz2(ctx_, run, deleteInputs); });
}

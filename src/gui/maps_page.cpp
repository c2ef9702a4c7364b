#include "gui/maps_page.h"

#include "core/command_boundary.h"
#include "core/command_context.h"
#include "gui/content_page_rows.h"
#include "platform/status_sink.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {
QComboBox* newFilter() {
    auto* filter = new QComboBox;
    filter->setObjectName(u"Filter1"_s);
    return filter;
}
} // namespace

MapsPage::MapsPage(CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : ContentPage(catalogue::ContentKind::Maps, contentPageRow(catalogue::ContentKind::Maps).names,
                  context, commands, newFilter(), parent) {
    // The base drew the filter beside the install button.
    Filter1 = findChild<QComboBox*>(u"Filter1"_s);
    // On Linux a screen reader gives a combo box's value as its name; the
    // description says what it is for.
    Filter1->setAccessibleName(u"Game type filter"_s);
    Filter1->setAccessibleDescription(u"Game type filter"_s);
    // Tab goes from the button to the filter beside it, then on to the
    // right-hand row.
    setTabOrder(installButton(), Filter1);
    // Until the settings are loaded the filter holds its initial pairs.
    setMapFilter(u"All files|All|CTF|CTF|DM|DM|BR|BR|AS|AS|ONS|ONS"_s);
    connect(Filter1, &QComboBox::currentIndexChanged, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads, [this] { Filter1Change(); });
    });
}

void MapsPage::TabShow() {
    ctx_.status.setStatus(QString());
    ContentPage::TabShow();
}

QString MapsPage::filterMask() const {
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
        loadLists();
}

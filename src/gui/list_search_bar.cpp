#include "gui/list_search_bar.h"

#include "core/list_search.h"
#include "platform/status_sink.h"

#include <QKeyEvent>
#include <QListWidget>

using namespace Qt::Literals::StringLiterals;

ListSearchBar::ListSearchBar(catalogue::ContentKind kind, QListWidget* notInstalled,
                             QListWidget* installed, platform::StatusSink& status, QWidget* parent)
    : QLineEdit(parent), kind_(kind), notInstalled_(notInstalled), installed_(installed),
      status_(status) {
    // Named after the page's left list: SearchLBinst, SearchLBMuts, SearchLBSkin.
    setObjectName(u"Search"_s + notInstalled->objectName());
    setPlaceholderText(u"Find in both lists"_s);
    setAccessibleName(u"Find in both lists"_s);
    setClearButtonEnabled(true);
    hide();
    connect(this, &QLineEdit::textChanged, this, &ListSearchBar::textEdited);
    // A list filled anew (a reload, a sort) is narrowed again at once.
    for (QListWidget* list : {notInstalled_, installed_}) {
        connect(list->model(), &QAbstractItemModel::rowsInserted, this, [this, list] {
            if (active())
                narrow(list);
        });
    }
}

void ListSearchBar::open() {
    show();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void ListSearchBar::closeSearch() {
    const bool was = active();
    {
        const QSignalBlocker quiet(this);
        clear();
    }
    hide();
    narrow(notInstalled_);
    narrow(installed_);
    if (was) {
        setCounts();
        notInstalled_->setFocus();
    }
}

void ListSearchBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        closeSearch();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ListSearchBar::textEdited(const QString& text) {
    if (text.isEmpty()) {
        closeSearch();
        return;
    }
    narrow(notInstalled_);
    narrow(installed_);
    setCounts();
}

void ListSearchBar::narrow(QListWidget* list) {
    const QString wanted = text();
    const int rows = list->count();
    for (int row = 0; row < rows; ++row) {
        QListWidgetItem* entry = list->item(row);
        const bool hide = !list_search::matches(entry->text(), wanted);
        if (list->isRowHidden(row) != hide)
            list->setRowHidden(row, hide);
        if (hide && entry->isSelected())
            entry->setSelected(false);
    }
}

void ListSearchBar::showCounts() {
    if (active())
        setCounts();
}

void ListSearchBar::setCounts() {
    auto shown = [](const QListWidget* list) {
        qsizetype n = 0;
        for (int row = 0; row < list->count(); ++row)
            n += list->isRowHidden(row) ? 0 : 1;
        return n;
    };
    status_.setStatus(list_search::countsText(kind_, shown(installed_), shown(notInstalled_)));
}

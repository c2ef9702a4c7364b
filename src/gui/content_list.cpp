#include "gui/content_list.h"

#include <QApplication>

ContentList::ContentList(QWidget* parent) : QListWidget(parent) {
    // One line of text each: laying out thousands of entries (after each
    // keystroke of the search) need not measure every one.
    setUniformItemSizes(true);
    connect(this, &QListWidget::currentRowChanged, this, [this] {
        if (!moving_)
            typed_.clear();
    });
}

void ContentList::keyboardSearch(const QString& search) {
    if (search.isEmpty() || count() == 0)
        return;
    const bool fresh =
        !lastKey_.isValid() || lastKey_.elapsed() > QApplication::keyboardInputInterval();
    typed_ = fresh ? search : typed_ + search;
    lastKey_.restart();
    // "aaa" typed steps through the entries starting with "a".
    const bool sameKey = typed_.count(typed_.front()) == typed_.size();
    const QString prefix = sameKey ? typed_.left(1) : typed_;
    const int current = currentRow();
    const int from = current < 0 ? 0 : (sameKey ? current + 1 : current);
    const int row = findShown(prefix, from);
    if (row < 0)
        return;
    QListWidgetItem* found = item(row);
    moving_ = true;
    setCurrentItem(found, QItemSelectionModel::ClearAndSelect);
    moving_ = false;
    scrollToItem(found, QAbstractItemView::PositionAtCenter);
}

int ContentList::findShown(const QString& prefix, int from) const {
    const int rows = count();
    for (int step = 0; step < rows; ++step) {
        const int row = (from + step) % rows;
        if (!isRowHidden(row) && item(row)->text().startsWith(prefix, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

#include "gui/list_pair.h"

#include "gui/page_parts.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

ListPair::ListPair(QListWidget* left, QListWidget* right, QObject* parent)
    : QObject(parent), left_(left), right_(right) {
    left_->viewport()->installEventFilter(this);
    right_->viewport()->installEventFilter(this);
}

void ListPair::setPopups(QMenu* left, QMenu* right) {
    leftPopup_ = left;
    rightPopup_ = right;
}

bool ListPair::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return QObject::eventFilter(watched, event);
    QListWidget* list = watched == left_->viewport() ? left_ : right_;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    mouseDown(list, mouse->button(), mouse->globalPosition().toPoint());
    // The right button only opens the menu; the selection stays as it is.
    return mouse->button() == Qt::RightButton;
}

void ListPair::mouseDown(QListWidget* list, Qt::MouseButton button, const QPoint& globalPos) {
    (list == left_ ? right_ : left_)->clearSelection();
    if (button != Qt::RightButton)
        return;
    const qsizetype selected = list->selectedItems().size();
    if (selected == 0)
        return;
    QMenu* popup = list == left_ ? leftPopup_ : rightPopup_;
    if (!popup)
        return;
    const QList<QAction*> items = popup->actions();
    // "File info" needs exactly one entry; so does "Create Zip" on the right.
    if (!items.isEmpty())
        items[0]->setEnabled(selected == 1);
    if (list == right_ && items.size() > 2)
        items[2]->setEnabled(selected == 1);
    popup->popup(globalPos);
}

QStringList ListPair::leftEntries() const {
    return page_parts::entries(left_);
}

QStringList ListPair::rightEntries() const {
    return page_parts::entries(right_);
}

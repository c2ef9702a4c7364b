#include "gui/list_pair.h"

#include "gui/page_parts.h"

#include <QAction>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

ListPair::ListPair(QListWidget* left, QListWidget* right, QObject* parent)
    : QObject(parent), left_(left), right_(right) {
    for (QListWidget* list : {left_, right_}) {
        list->viewport()->installEventFilter(this);
        list->installEventFilter(this);
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list](QListWidgetItem* item) { fileInfo(list, item); });
    }
}

void ListPair::setPopups(QMenu* left, QMenu* right) {
    leftPopup_ = left;
    rightPopup_ = right;
}

bool ListPair::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == left_ || watched == right_))
        return keyPress(static_cast<QListWidget*>(watched), *static_cast<QKeyEvent*>(event));
    if (watched == left_ || watched == right_)
        return QObject::eventFilter(watched, event);
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

bool ListPair::keyPress(QListWidget* list, const QKeyEvent& key) {
    QListWidgetItem* current = list->currentItem();
    if (!current)
        return false;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
        modifiers == Qt::NoModifier) {
        fileInfo(list, current);
        return true;
    }
    if (key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        const QRect at = list->visualItemRect(current);
        mouseDown(list, Qt::RightButton, list->viewport()->mapToGlobal(at.bottomLeft()));
        return true;
    }
    return false;
}

void ListPair::fileInfo(QListWidget* list, QListWidgetItem* item) {
    QMenu* popup = list == left_ ? leftPopup_ : rightPopup_;
    if (!item || !popup || popup->actions().isEmpty())
        return;
    (list == left_ ? right_ : left_)->clearSelection();
    list->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    // The popup's "File info", enabled as it is for one selected entry.
    QAction* info = popup->actions().constFirst();
    info->setEnabled(true);
    info->trigger();
}

QStringList ListPair::leftEntries() const {
    return page_parts::entries(left_);
}

QStringList ListPair::rightEntries() const {
    return page_parts::entries(right_);
}

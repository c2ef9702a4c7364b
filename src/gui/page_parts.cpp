#include "gui/page_parts.h"

#include "gui/content_list.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

class FocusFrameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        const QPalette::ColorGroup group =
            !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (option.state & QStyle::State_Active) ? QPalette::Active
                                                    : QPalette::Inactive;
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(QPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text), 1));
        painter->setBrush(Qt::NoBrush);
        // Inside the item, so the frame lies on the item's own background.
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
};

} // namespace

namespace page_parts {

QListWidget* contentList(const QString& name, int tag) {
    auto* list = new ContentList;
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::PreventContextMenu);
    setTag(list, tag);
    showFocusFrame(list);
    return list;
}

void showFocusFrame(QAbstractItemView* view) {
    view->setItemDelegate(new FocusFrameDelegate(view));
}

QWidget* headedList(const QString& heading, QListWidget* list) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(heading);
    label->setObjectName(u"heading"_s);
    label->setBuddy(list);
    list->setAccessibleName(heading);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    return box;
}

QGroupBox* radioGroup(const QString& name, const QString& title, const QStringList& items,
                      QButtonGroup*& group) {
    auto* box = new QGroupBox(title);
    box->setObjectName(name);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(1);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i]);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    group->button(0)->setChecked(true);
    return box;
}

QVBoxLayout* listAndColumn(QWidget* page, QWidget* list) {
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(6, 6, 6, 6);
    row->addWidget(list, 3);
    auto* column = new QVBoxLayout;
    row->addLayout(column, 2);
    return column;
}

void fill(QListWidget* list, const QStringList& entries) {
    list->clear();
    list->addItems(entries);
}

QStringList entries(const QListWidget* list) {
    QStringList out;
    out.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

QList<catalogue::ListEntry> selectedListEntries(const QListWidget* list) {
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            rows.append(i);
    }
    return catalogue::entriesAt(entries(list), rows);
}

void selectListEntries(QListWidget* list, const QList<catalogue::ListEntry>& entries) {
    QHash<QString, int> seen;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const int occurrence = seen[item->text()]++;
        item->setSelected(entries.contains(catalogue::ListEntry(item->text(), occurrence)));
    }
}

QStringList selectedEntries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            out.append(list->item(i)->text());
    }
    return out;
}

QString deleteHint() {
    return u"Tick this box if you want to delete the zip-files when the maps are installed"_s;
}

} // namespace page_parts

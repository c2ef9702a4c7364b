#include "gui/value_list_editor.h"

#include "gui/cut_text_tips.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {
QLineEdit* lineEditOf(QWidget* w) {
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit;
    return w ? w->findChild<QLineEdit*>() : nullptr;
}
} // namespace

ValueListEditor::ValueListEditor(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(2);
    setHorizontalHeaderLabels({u"Key"_s, u"Value"_s});
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setFixedHeight(20);
    setColumnWidth(0, 141);
    setColumnWidth(1, 333);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    // Keyboard moves (Up/Down out of a text row) take the editor along.
    connect(this, &QTableWidget::currentCellChanged, this, [this](int current) {
        QWidget* w = cellWidget(current, 1);
        if (!w || w->hasFocus() || (w->focusWidget() && w->focusWidget()->hasFocus()))
            return;
        if (QLineEdit* edit = lineEditOf(w))
            edit->setFocus();
        else
            w->setFocus();
    });
}

void ValueListEditor::setKeys(const QStringList& keys) {
    clearContents();
    setRowCount(int(keys.size()));
    styles_.clear();
    for (int i = 0; i < keys.size(); ++i) {
        auto* keyItem = new QTableWidgetItem(keys[i]);
        keyItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(i, 0, keyItem);
        styles_.append(EditStyle::Text);
        setEditStyle(i + 1, EditStyle::Text);
    }
}

void ValueListEditor::setEditStyle(int row, EditStyle style, const QStringList& pickList) {
    if (row < 1 || row > rowCount())
        return;
    const QString old = value(row);
    styles_[row - 1] = style;
    QWidget* editor = nullptr;
    auto focusRow = [this, row] { setCurrentCell(row - 1, 1); };
    switch (style) {
    case EditStyle::Text: {
        auto* edit = new QLineEdit;
        edit->setFrame(false);
        connect(edit, &QLineEdit::selectionChanged, this, focusRow);
        connect(edit, &QLineEdit::textEdited, this, focusRow);
        editor = edit;
        break;
    }
    case EditStyle::Ellipsis: {
        auto* box = new QWidget;
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* edit = new QLineEdit;
        edit->setFrame(false);
        auto* button = new QToolButton;
        button->setText(u"..."_s);
        button->setFixedWidth(20);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(edit);
        layout->addWidget(button);
        connect(edit, &QLineEdit::textEdited, this, focusRow);
        connect(button, &QToolButton::clicked, this, [this, focusRow] {
            focusRow();
            Q_EMIT editButtonClicked();
        });
        editor = box;
        break;
    }
    case EditStyle::PickList: {
        auto* combo = new QComboBox;
        combo->setEditable(false);
        combo->addItems(pickList);
        connect(combo, &QComboBox::activated, this, focusRow);
        editor = combo;
        break;
    }
    }
    // Whichever editor gets the focus (click, Tab) makes its row current.
    editor->setProperty("vleRow", row);
    editor->installEventFilter(this);
    if (QLineEdit* edit = lineEditOf(editor); edit && edit != editor) {
        edit->setProperty("vleRow", row);
        edit->installEventFilter(this);
    }
    // A folder longer than the value column shows whole on hover.
    if (QLineEdit* edit = lineEditOf(editor))
        CutTextTips::install(edit);
    setCellWidget(row - 1, 1, editor);
    setValue(row, old);
}

bool ValueListEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const int row = watched->property("vleRow").toInt();
        if (row >= 1 && row != this->row())
            setCurrentCell(row - 1, 1);
    }
    return QTableWidget::eventFilter(watched, event);
}

ValueListEditor::EditStyle ValueListEditor::editStyle(int row) const {
    return (row >= 1 && row <= styles_.size()) ? styles_[row - 1] : EditStyle::Text;
}

QStringList ValueListEditor::pickList(int row) const {
    QStringList out;
    if (auto* combo = qobject_cast<QComboBox*>(editorFor(row))) {
        for (int i = 0; i < combo->count(); ++i)
            out.append(combo->itemText(i));
    }
    return out;
}

QString ValueListEditor::key(int row) const {
    const QTableWidgetItem* it = item(row - 1, 0);
    return it ? it->text() : QString();
}

QString ValueListEditor::value(int row) const {
    QWidget* w = editorFor(row);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (QLineEdit* edit = lineEditOf(w))
        return edit->text();
    return {};
}

void ValueListEditor::setValue(int row, const QString& text) {
    QWidget* w = editorFor(row);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // A read-only pick list still shows a stored value it does not list.
        int index = combo->findText(text);
        if (index < 0 && !text.isEmpty()) {
            combo->addItem(text);
            index = combo->count() - 1;
        }
        combo->setCurrentIndex(index);
    } else if (QLineEdit* edit = lineEditOf(w)) {
        edit->setText(text);
        edit->setCursorPosition(0);
    }
}

void ValueListEditor::setRow(int row) {
    if (row >= 1 && row <= rowCount()) {
        setCurrentCell(row - 1, 1);
        if (QWidget* w = editorFor(row)) {
            if (QLineEdit* edit = lineEditOf(w))
                edit->setFocus();
            else
                w->setFocus();
        }
    }
}

void ValueListEditor::clickEditButton(int row) {
    if (auto* button = editorFor(row) ? editorFor(row)->findChild<QToolButton*>() : nullptr)
        button->click();
}

#include "gui/cut_text_tips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolTip>

namespace {

/// Room the item views keep beside a cell's text.
int cellMargins(const QWidget* view) {
    return 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
}

QString cutLabelText(const QLabel* label) {
    if (label->wordWrap() || label->text().contains(u'\n') || !label->pixmap().isNull())
        return {};
    const QString text = label->text();
    if (label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
        return {};
    const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * label->margin();
    return needed > label->contentsRect().width() ? text : QString();
}

QString cutLineText(const QLineEdit* line) {
    const QString text = line->text();
    if (line->echoMode() != QLineEdit::Normal)
        return {};
    // The field's own margins and frame come off its width.
    const int room = line->contentsRect().width() - 2 * line->textMargins().left() - 4;
    return line->fontMetrics().horizontalAdvance(text) > room ? text : QString();
}

QString cutCellText(const QAbstractItemView* view, QPoint pos) {
    const QModelIndex index = view->indexAt(pos);
    if (!index.isValid())
        return {};
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return {};
    const QRect cell = view->visualRect(index);
    const QRect shown = cell.intersected(view->viewport()->rect());
    const QFont font =
        index.data(Qt::FontRole).isValid() ? index.data(Qt::FontRole).value<QFont>() : view->font();
    const int needed = QFontMetrics(font).horizontalAdvance(text) + cellMargins(view);
    return needed > shown.width() ? text : QString();
}

} // namespace

void CutTextTips::install(QWidget* root) {
    auto* tips = new CutTextTips(root);
    const auto watch = [tips](QWidget* w) {
        if (auto* view = qobject_cast<QAbstractItemView*>(w))
            view->viewport()->installEventFilter(tips);
        else if (qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w))
            w->installEventFilter(tips);
    };
    watch(root);
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        watch(w);
}

QString CutTextTips::cutTextAt(QWidget* widget, QPoint pos) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return cutLabelText(label);
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return cutLineText(line);
    if (const auto* view =
            qobject_cast<const QAbstractItemView*>(widget ? widget->parentWidget() : nullptr);
        view && view->viewport() == widget)
        return cutCellText(view, pos);
    return {};
}

bool CutTextTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = cutTextAt(widget, help->pos());
    if (text.isEmpty())
        return false; // the widget's own tooltip, if any
    QToolTip::showText(help->globalPos(), text, widget);
    return true;
}

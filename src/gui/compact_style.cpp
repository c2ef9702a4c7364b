#include "gui/compact_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStyleOption>

#include <algorithm>

namespace {

QPalette::ColorGroup groupOf(const QStyleOption& option) {
    return option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
}

std::optional<Qt::ArrowType> arrowOf(QStyle::PrimitiveElement element) {
    switch (element) {
    case QStyle::PE_IndicatorArrowUp:
        return Qt::UpArrow;
    case QStyle::PE_IndicatorArrowDown:
        return Qt::DownArrow;
    case QStyle::PE_IndicatorArrowLeft:
        return Qt::LeftArrow;
    case QStyle::PE_IndicatorArrowRight:
        return Qt::RightArrow;
    default:
        return std::nullopt;
    }
}

/// A solid triangle in the middle of `rect`, half as wide as the rect.
void drawArrow(Qt::ArrowType type, const QRect& rect, const QColor& ink, QPainter& painter) {
    const QPointF c = QRectF(rect).center();
    const qreal r = std::min(rect.width(), rect.height()) * 0.25;
    QPolygonF arrow;
    switch (type) {
    case Qt::UpArrow:
        arrow << c + QPointF(-r, r / 2) << c + QPointF(r, r / 2) << c + QPointF(0, -r / 2);
        break;
    case Qt::DownArrow:
        arrow << c + QPointF(-r, -r / 2) << c + QPointF(r, -r / 2) << c + QPointF(0, r / 2);
        break;
    case Qt::LeftArrow:
        arrow << c + QPointF(r / 2, -r) << c + QPointF(r / 2, r) << c + QPointF(-r / 2, 0);
        break;
    default:
        arrow << c + QPointF(-r / 2, -r) << c + QPointF(-r / 2, r) << c + QPointF(r / 2, 0);
        break;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(arrow);
    painter.restore();
}

/// A check or radio box: framed in the text colour on the field colour,
/// a tick (or a dash for "partly") or a dot inside when chosen.
void drawIndicator(bool radio, const QStyleOption& option, QPainter& painter) {
    const QColor ink = option.palette.color(groupOf(option), QPalette::Text);
    const QColor field = option.palette.color(groupOf(option), QPalette::Base);
    const QRectF box = QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, radio);
    painter.setPen(QPen(ink, 1));
    painter.setBrush(field);
    if (radio)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);
    if (radio && (option.state & QStyle::State_On)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        const qreal inset = box.width() * 0.28;
        painter.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
    } else if (!radio && (option.state & (QStyle::State_On | QStyle::State_NoChange))) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        const qreal w = box.width();
        const qreal h = box.height();
        painter.setPen(
            QPen(ink, std::max(1.5, w / 6.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        const QPointF o = box.topLeft();
        if (option.state & QStyle::State_NoChange) {
            painter.drawLine(o + QPointF(w * 0.25, h * 0.5), o + QPointF(w * 0.75, h * 0.5));
        } else {
            QPainterPath tick(o + QPointF(w * 0.22, h * 0.52));
            tick.lineTo(o + QPointF(w * 0.42, h * 0.72));
            tick.lineTo(o + QPointF(w * 0.78, h * 0.28));
            painter.drawPath(tick);
        }
    }
    painter.restore();
}

} // namespace

int CompactStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    if (metric == PM_TabBarTabHSpace)
        return 6;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void CompactStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    if (element == PE_IndicatorCheckBox || element == PE_IndicatorRadioButton) {
        drawIndicator(element == PE_IndicatorRadioButton, *option, *painter);
        return;
    }
    if (const std::optional<Qt::ArrowType> arrow = arrowOf(element)) {
        drawArrow(*arrow, option->rect,
                  option->palette.color(groupOf(*option), QPalette::ButtonText), *painter);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void CompactStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const {
    if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        bar && control == CC_ScrollBar) {
        drawScrollBar(*bar, *painter, widget);
        return;
    }
    if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        combo && control == CC_ComboBox && (option->subControls & SC_ComboBoxArrow)) {
        QStyleOptionComboBox rest(*combo);
        rest.subControls &= ~SC_ComboBoxArrow;
        QProxyStyle::drawComplexControl(control, &rest, painter, widget);
        drawArrow(Qt::DownArrow, subControlRect(control, combo, SC_ComboBoxArrow, widget),
                  combo->palette.color(groupOf(*combo), QPalette::ButtonText), *painter);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void CompactStyle::drawScrollBar(const QStyleOptionSlider& bar, QPainter& painter,
                                 const QWidget* widget) const {
    const QPalette::ColorGroup group = groupOf(bar);
    painter.fillRect(bar.rect, bar.palette.color(group, QPalette::Base));
    if (bar.maximum > bar.minimum) {
        const QRect handle = subControlRect(CC_ScrollBar, &bar, SC_ScrollBarSlider, widget);
        painter.fillRect(handle.adjusted(2, 2, -2, -2),
                         bar.palette.color(group, QPalette::Highlight));
    }
    const bool vertical = bar.orientation == Qt::Vertical;
    const QColor ink = bar.palette.color(group, QPalette::Text);
    drawArrow(vertical ? Qt::UpArrow : Qt::LeftArrow,
              subControlRect(CC_ScrollBar, &bar, SC_ScrollBarSubLine, widget), ink, painter);
    drawArrow(vertical ? Qt::DownArrow : Qt::RightArrow,
              subControlRect(CC_ScrollBar, &bar, SC_ScrollBarAddLine, widget), ink, painter);
}

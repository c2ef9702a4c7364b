#pragma once

#include <QProxyStyle>

class QStyleOptionSlider;

/// The platform look with tabs as narrow as the fixed window needs (the
/// seven page captions carry their own blanks for spacing), and with the
/// marks that tell a state drawn from the palette, in the text colour on
/// the field colour, so they read in every look: a tick in a ticked check
/// box, a dot in a chosen radio button, the arrows of scroll bars and combo
/// boxes; the scroll bar's handle in the selection colour. A theme's style
/// sheet leaves these parts to this style.
class CompactStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;

private:
    void drawScrollBar(const QStyleOptionSlider& bar, QPainter& painter,
                       const QWidget* widget) const;
};

#include "gui/theme_engine.h"

#include <QApplication>
#include <QFile>
#include <QProxyStyle>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Palette {
    const char16_t* window; // page and window background
    const char16_t* base;   // lists and edits
    const char16_t* text;
    const char16_t* accent; // selection, focus, headings
    const char16_t* accentText;
    const char16_t* button;
    const char16_t* buttonHover;
    const char16_t* border;
    const char16_t* tab; // inactive tab
};

// One sheet template, four palettes: the looks differ in colour only, so
// every control keeps the same size and nothing is clipped in any theme.
QString sheetFor(const Palette& p) {
    QString s = uR"(
QWidget { background: %window%; color: %text%; }
QMenuBar, QMenu, QStatusBar { background: %window%; color: %text%; }
QMenuBar::item:selected, QMenu::item:selected { background: %accent%; color: %accentText%; }
QMenu { border: 1px solid %border%; }
QTabWidget::pane { border: 1px solid %border%; top: -1px; }
QTabBar::tab { background: %tab%; color: %text%; border: 1px solid %border%; padding: 3px 4px; }
QTabBar::tab:selected { background: %window%; border-bottom-color: %window%; }
QListWidget, QLineEdit, QComboBox, QTableWidget {
    background: %base%; color: %text%; border: 1px solid %border%;
    selection-background-color: %accent%; selection-color: %accentText%; }
QHeaderView::section { background: %tab%; color: %text%; border: 0; border-right: 1px solid %border%;
    border-bottom: 1px solid %border%; padding-left: 3px; }
QTableWidget { gridline-color: %border%; }
QPushButton, QToolButton { background: %button%; color: %text%; border: 1px solid %border%;
    border-radius: 3px; padding: 3px 10px; }
QToolButton { padding: 0; }
QPushButton:hover, QToolButton:hover { background: %buttonHover%; }
QPushButton:disabled { color: %border%; }
QGroupBox { border: 1px solid %border%; border-radius: 3px; margin-top: 8px; padding-top: 4px; }
QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }
QCheckBox::indicator, QRadioButton::indicator { width: 11px; height: 11px;
    border: 1px solid %border%; background: %base%; }
QRadioButton::indicator { border-radius: 6px; }
QCheckBox::indicator:checked, QRadioButton::indicator:checked { background: %accent%;
    border: 3px solid %base%; outline: 1px solid %accent%; width: 7px; height: 7px; }
QCheckBox::indicator:hover, QRadioButton::indicator:hover { border-color: %accent%; }
QLabel#heading { color: %accent%; font-weight: bold; }
QFrame#DemoWarning { border: 1px solid %accent%; }
QToolTip { background: %base%; color: %text%; border: 1px solid %border%; }
)"_s;
    s.replace(u"%window%"_s, QString::fromUtf16(p.window));
    s.replace(u"%base%"_s, QString::fromUtf16(p.base));
    s.replace(u"%text%"_s, QString::fromUtf16(p.text));
    s.replace(u"%accentText%"_s, QString::fromUtf16(p.accentText));
    s.replace(u"%accent%"_s, QString::fromUtf16(p.accent));
    s.replace(u"%buttonHover%"_s, QString::fromUtf16(p.buttonHover));
    s.replace(u"%button%"_s, QString::fromUtf16(p.button));
    s.replace(u"%border%"_s, QString::fromUtf16(p.border));
    s.replace(u"%tab%"_s, QString::fromUtf16(p.tab));
    return s;
}

const Palette Themes[] = {
    // Deep Blue: dark navy with a clear blue accent.
    {u"#1c2a44", u"#14203a", u"#e6ecf5", u"#4f8fe6", u"#ffffff", u"#2a3d60", u"#35507d", u"#3d5479",
     u"#24355a"},
    // Soft Grey: calm light greys, dark text.
    {u"#e4e4e2", u"#fbfbfa", u"#262626", u"#5c6f82", u"#ffffff", u"#d6d6d3", u"#c9cbcc", u"#a3a3a0",
     u"#d3d3d0"},
    // Crystal: cool, bright, glassy blues.
    {u"#eef5fb", u"#ffffff", u"#102a43", u"#2b8bd6", u"#ffffff", u"#d9eaf7", u"#c2ddf2", u"#9cc3e0",
     u"#dbe9f5"},
    // Sand: warm beige with a terracotta accent.
    {u"#efe4cf", u"#fbf6ea", u"#3b2f22", u"#b5653a", u"#ffffff", u"#e2d2b3", u"#d8c49e", u"#bda982",
     u"#e5d7bb"},
};

/// The platform look with tabs as narrow as the fixed window needs: the
/// seven page captions carry their own blanks for spacing.
class CompactStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace)
            return 6;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

void ThemeEngine::installBaseStyle() {
    if (!QApplication::style()->inherits("QProxyStyle"))
        QApplication::setStyle(new CompactStyle);
}

void ThemeEngine::selectBuiltIn(int index) {
    index_ = (index >= 0 && index <= 3) ? index : 1;
    sheet_ = sheetFor(Themes[index_]);
    apply();
}

bool ThemeEngine::loadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    sheet_ = QString::fromUtf8(file.readAll());
    index_ = -1;
    file_ = path;
    apply();
    return true;
}

void ThemeEngine::setEnabled(bool on) {
    enabled_ = on;
    apply();
}

void ThemeEngine::apply() const {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setStyleSheet(enabled_ ? sheet_ : QString());
}

#include "gui/theme_engine.h"

#include "gui/compact_style.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QStringDecoder>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

QColor rgb(QRgb value) {
    return QColor(value);
}

// One sheet template, four colour sets: the looks differ in colour only, so
// every control keeps the same size and nothing is clipped in any theme.
// The current tab stands two pixels higher than the others under a bar of
// its own; disabled buttons have a dashed frame. Check and radio boxes and
// scroll bars are left to the base style (CompactStyle), which draws them
// from the palette: ticks and arrows in the text colour.
const char16_t* const SheetTemplate = uR"(
QWidget { background: %window%; color: %text%; }
QWidget:disabled { color: %disabledText%; }
QMenuBar, QMenu, QStatusBar { background: %window%; color: %text%; }
QMenuBar::item:selected, QMenu::item:selected { background: %selection%; color: %selectionText%; }
QMenuBar::item:disabled, QMenu::item:disabled { color: %disabledText%; }
QMenu { border: 1px solid %border%; }
QTabWidget::pane { border: 1px solid %border%; top: -1px; }
QTabBar::tab { background: %tab%; color: %text%; border: 1px solid %border%; padding: 3px 4px;
    margin-top: 2px; }
QTabBar::tab:selected { background: %window%; border-bottom-color: %window%;
    border-top: 3px solid %currentTab%; margin-top: 0; }
QTabBar::tab:disabled { color: %disabledText%; }
QListWidget, QLineEdit, QComboBox, QTableWidget {
    background: %base%; color: %text%; border: 1px solid %border%;
    selection-background-color: %selection%; selection-color: %selectionText%; }
QComboBox QAbstractItemView { background: %base%; color: %text%; border: 1px solid %border%;
    selection-background-color: %selection%; selection-color: %selectionText%; }
QHeaderView::section { background: %tab%; color: %text%; border: 0; border-right: 1px solid %border%;
    border-bottom: 1px solid %border%; padding-left: 3px; }
QTableWidget { gridline-color: %border%; }
QTableWidget#Listheader { color: %text%; }
QPushButton, QToolButton { background: %button%; color: %text%; border: 1px solid %border%;
    border-radius: 3px; padding: 3px 10px; }
QToolButton { padding: 0; }
QPushButton:hover, QToolButton:hover { background: %buttonHover%; }
QPushButton:disabled, QToolButton:disabled { color: %disabledText%; border-style: dashed; }
QGroupBox { border: 1px solid %border%; border-radius: 3px; margin-top: 8px; padding-top: 4px; }
QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }
QCheckBox::indicator, QRadioButton::indicator { width: 11px; height: 11px; }
QLabel#heading { color: %heading%; font-weight: bold; }
QLabel[infoBar="true"] { background: %base%; color: %text%; border: 1px solid %border%; }
QLabel#DemoWarningTitle { color: %warning%; }
QFrame#DemoWarning { border: 1px solid %border%; }
QToolTip { background: %base%; color: %text%; border: 1px solid %border%; }
QScrollBar { background: none; color: %text%; selection-background-color: %selection%; }
)";

QString sheetFor(const ThemeColours& c) {
    QString s = QString::fromUtf16(SheetTemplate);
    const std::pair<const char16_t*, QColor> roles[] = {
        {u"%window%", c.window},
        {u"%base%", c.base},
        {u"%text%", c.text},
        {u"%selectionText%", c.selectionText},
        {u"%selection%", c.selection},
        {u"%heading%", c.heading},
        {u"%buttonHover%", c.buttonHover},
        {u"%button%", c.button},
        {u"%border%", c.border},
        {u"%tab%", c.tab},
        {u"%currentTab%", c.currentTab},
        {u"%disabledText%", c.disabledText},
        {u"%warning%", c.warning},
    };
    for (const auto& [key, colour] : roles)
        s.replace(QString::fromUtf16(key), colour.name());
    return s;
}

double luminance(const QColor& colour) {
    auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

/// Whether Qt can parse `sheet` as an application style sheet. Qt reports
/// a sheet it cannot parse only as a warning and then ignores all of it,
/// so the sheet is tried on the application and the warning watched for.
bool applicationSheetParses(const QString& sheet) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return true;
    // A message handler is a plain function: what it reports lives here.
    static bool failed = false;
    failed = false;
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                         const QString& message) {
        if (type == QtWarningMsg && message.startsWith(u"Could not parse application stylesheet"))
            failed = true;
        else if (previous)
            previous(type, context, message);
    });
    const QString before = app->styleSheet();
    app->setStyleSheet(sheet);
    // Qt parses the sheet when it first styles a widget.
    QWidget probe;
    probe.ensurePolished();
    app->setStyleSheet(before);
    qInstallMessageHandler(previous);
    return !failed;
}

} // namespace

const QList<ThemeColours>& ThemeEngine::builtInColours() {
    // Each pair of text and background, and each frame against what is
    // around it, passes WCAG AA: 4.5:1 for text, 3:1 for frames and marks.
    static const QList<ThemeColours> themes = {
        // Deep Blue: dark navy with a clear blue accent.
        {u"Deep Blue"_s, rgb(0x1c2a44), rgb(0x14203a), rgb(0xe6ecf5), rgb(0x3b72c4), rgb(0xffffff),
         rgb(0x8fbaf2), rgb(0x2a3d60), rgb(0x35507d), rgb(0x7088b0), rgb(0x24355a), rgb(0x8fbaf2),
         rgb(0xa3b1c6), rgb(0xff8a80)},
        // Soft Grey: calm light greys, dark text.
        {u"Soft Grey"_s, rgb(0xe4e4e2), rgb(0xfbfbfa), rgb(0x262626), rgb(0x4f6275), rgb(0xffffff),
         rgb(0x3f5063), rgb(0xd6d6d3), rgb(0xc9cbcc), rgb(0x7a7a76), rgb(0xd3d3d0), rgb(0x3f5063),
         rgb(0x595956), rgb(0xb00000)},
        // Crystal: cool, bright, glassy blues.
        {u"Crystal"_s, rgb(0xeef5fb), rgb(0xffffff), rgb(0x102a43), rgb(0x1f6fb2), rgb(0xffffff),
         rgb(0x1a5f99), rgb(0xd9eaf7), rgb(0xc2ddf2), rgb(0x6b8fae), rgb(0xdbe9f5), rgb(0x1a5f99),
         rgb(0x52687e), rgb(0xb00000)},
        // Sand: warm beige with a terracotta accent.
        {u"Sand"_s, rgb(0xefe4cf), rgb(0xfbf6ea), rgb(0x3b2f22), rgb(0x9a5230), rgb(0xffffff),
         rgb(0x8a4a2a), rgb(0xe2d2b3), rgb(0xd8c49e), rgb(0x8c7a58), rgb(0xe5d7bb), rgb(0x8a4a2a),
         rgb(0x65553e), rgb(0xa30000)},
    };
    return themes;
}

QColor ThemeEngine::plainWarningColour(const QPalette& palette) {
    // Dark red on a light window, light red on a dark one: whichever
    // stands out more from the desktop's window colour.
    const double window = luminance(palette.color(QPalette::Window));
    const QColor dark = rgb(0xb00000);
    const QColor light = rgb(0xff8a80);
    auto ratio = [window](const QColor& c) {
        const double l = luminance(c);
        return (std::max(l, window) + 0.05) / (std::min(l, window) + 0.05);
    };
    return ratio(dark) >= ratio(light) ? dark : light;
}

void ThemeEngine::installBaseStyle() {
    if (!QApplication::style()->inherits("QProxyStyle"))
        QApplication::setStyle(new CompactStyle);
}

QStringList ThemeEngine::builtInNames() {
    QStringList names;
    for (const ThemeColours& theme : builtInColours())
        names.append(theme.name);
    return names;
}

void ThemeEngine::selectBuiltIn(int index) {
    index_ = (index >= 0 && index <= 3) ? index : 1;
    sheet_ = sheetFor(builtInColours().at(index_));
    apply();
}

ThemeEngine::LoadError ThemeEngine::loadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadError::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return LoadError::Unreadable;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString sheet = utf8(bytes);
    if (utf8.hasError() || sheet.contains(QChar(0)))
        return LoadError::NotText;
    if (!applicationSheetParses(sheet))
        return LoadError::Unparsable;
    sheet_ = sheet;
    index_ = -1;
    file_ = path;
    apply();
    return LoadError::None;
}

void ThemeEngine::setEnabled(bool on) {
    enabled_ = on;
    apply();
}

ThemeEngine::~ThemeEngine() {
    if (plainPalette_)
        QApplication::setPalette(*plainPalette_);
}

QPalette ThemeEngine::paletteOf(const ThemeColours& c) {
    QPalette p;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, c.window},
        {QPalette::WindowText, c.text},
        {QPalette::Base, c.base},
        {QPalette::AlternateBase, c.base},
        {QPalette::Text, c.text},
        {QPalette::Button, c.button},
        {QPalette::ButtonText, c.text},
        {QPalette::Highlight, c.selection},
        {QPalette::HighlightedText, c.selectionText},
        {QPalette::ToolTipBase, c.base},
        {QPalette::ToolTipText, c.text},
        {QPalette::PlaceholderText, c.disabledText},
        {QPalette::BrightText, c.warning},
        {QPalette::Link, c.heading},
        {QPalette::Light, c.button},
        {QPalette::Midlight, c.button},
        {QPalette::Mid, c.border},
        {QPalette::Dark, c.border},
        {QPalette::Shadow, c.border},
    };
    for (const auto& [role, colour] : roles)
        p.setColor(role, colour);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.disabledText);
    return p;
}

void ThemeEngine::apply() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    if (enabled_ && index_ >= 0) {
        if (!plainPalette_)
            plainPalette_ = QApplication::palette();
        QApplication::setPalette(paletteOf(builtInColours().at(index_)));
    } else if (plainPalette_) {
        QApplication::setPalette(*plainPalette_);
        plainPalette_.reset();
    }
    app->setStyleSheet(enabled_ ? sheet_ : QString());
}

#pragma once

#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

#include <optional>

/// Every colour a built-in theme draws with, by the part it plays. The
/// style sheet of a theme is made from these and nothing else, so what is
/// read here is what the window shows.
struct ThemeColours {
    QString name;
    QColor window;        ///< window, pages, menus, the current tab
    QColor base;          ///< lists, edits, combo boxes, info bars, scroll bar troughs
    QColor text;          ///< text on any of the backgrounds; check marks and focus frames
    QColor selection;     ///< selected rows and menu items
    QColor selectionText; ///< text on the selection
    QColor heading;       ///< list headings, on the window
    QColor button;        ///< push buttons, scroll bar arrows
    QColor buttonHover;   ///< push buttons under the pointer
    QColor border;        ///< frames of controls; scroll bar handles
    QColor tab;           ///< tabs other than the current one, table headers
    QColor currentTab;    ///< the bar over the current tab
    QColor disabledText;  ///< text of disabled controls, on any of the backgrounds
    QColor warning;       ///< the demo warning's first line, on the window
};

/// The look of the program: four built-in style sheets or one loaded from a
/// file, switched on or off as a whole. Applies to the whole application so
/// that message boxes and dialogs share the look.
class ThemeEngine {
public:
    ThemeEngine() = default;
    /// Gives the application its own palette back.
    ~ThemeEngine();
    ThemeEngine(const ThemeEngine&) = delete;
    ThemeEngine& operator=(const ThemeEngine&) = delete;

    static QStringList builtInNames();
    /// The colours of the four built-in themes, in menu order.
    static const QList<ThemeColours>& builtInColours();
    /// The application palette while a built-in theme is on: what the
    /// style sheet leaves to the style (scroll bars, check boxes) is drawn
    /// in the theme's colours too.
    static QPalette paletteOf(const ThemeColours& colours);
    /// Installs the platform style with the compact tab spacing the fixed
    /// window needs and check boxes that show a tick (once per application).
    static void installBaseStyle();
    /// The colour of warning text drawn on `palette`'s window while no
    /// theme is on: a red that stays readable on light and dark desktops.
    static QColor plainWarningColour(const QPalette& palette);

    /// Selects built-in theme `index` (0..3); any other value acts as 1.
    void selectBuiltIn(int index);
    /// Why a theme file was not taken.
    enum class LoadError { None, Unreadable, NotText, Unparsable };
    /// Loads a style sheet file. A file that cannot be read, is no UTF-8
    /// text or that Qt cannot parse changes nothing and is reported.
    LoadError loadFile(const QString& path);
    void setEnabled(bool on);
    void toggle() { setEnabled(!enabled_); }

    bool enabled() const { return enabled_; }
    /// Built-in index in use, or -1 for a theme file.
    int index() const { return index_; }
    QString file() const { return file_; }
    /// The style sheet that is applied while the engine is on.
    QString styleSheet() const { return sheet_; }

private:
    void apply();
    int index_ = 1;
    /// The application's palette from before a built-in theme was applied.
    std::optional<QPalette> plainPalette_;
    QString file_;
    QString sheet_;
    bool enabled_ = false;
};

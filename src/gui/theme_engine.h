#pragma once

#include <QString>
#include <QStringList>

/// The look of the program: four built-in style sheets or one loaded from a
/// file, switched on or off as a whole. Applies to the whole application so
/// that message boxes and dialogs share the look.
class ThemeEngine {
public:
    /// Installs the platform style with the compact tab spacing the fixed
    /// window needs (once per application).
    static void installBaseStyle();

    /// Selects built-in theme `index` (0..3); any other value acts as 1.
    void selectBuiltIn(int index);
    /// Loads a style sheet file; false (and nothing changed) when it
    /// cannot be read.
    bool loadFile(const QString& path);
    void setEnabled(bool on);
    void toggle() { setEnabled(!enabled_); }

    bool enabled() const { return enabled_; }
    /// Built-in index in use, or -1 for a theme file.
    int index() const { return index_; }
    QString file() const { return file_; }
    /// The style sheet that is applied while the engine is on.
    QString styleSheet() const { return sheet_; }

private:
    void apply() const;
    int index_ = 1;
    QString file_;
    QString sheet_;
    bool enabled_ = false;
};

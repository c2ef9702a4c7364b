#pragma once

#include <QStringList>
#include <QWidget>

class CommandBoundary;
class QPushButton;
class ValueListEditor;
struct CommandContext;

/// The " Configure  " page: the nine settings in the value list editor
/// and "Save". The page only moves values between the editor and the
/// settings file; applying them is the settings loader's work, which the
/// window runs when `saved` is emitted.
class ConfigPage : public QWidget {
    Q_OBJECT
public:
    /// Rows of the editor.
    enum Row {
        GameDirRow = 1,
        MapDirRow,
        SkinDirRow,
        MutatorDirRow,
        DemosDirRow,
        SubDirsRow,
        OverwriteRow,
        ExtraFilesRow,
        AdditionalGamesRow
    };

    ConfigPage(CommandContext& context, CommandBoundary& commands, QWidget* parent = nullptr);

    /// Start-up: ellipsis buttons on the folder rows, pick lists on the
    /// three switch rows.
    void prepareConfigEditor();
    /// First run: the probed game folder and the three default switches.
    void showFirstRunDefaults(const QString& gameDir);
    /// Shows loaded values in rows 1.. (as many as given).
    void showRows(const QStringList& values);

    /// The page was shown: row 4 then row 1 made current, status text.
    void TabConfigShow();

Q_SIGNALS:
    /// The settings file was written; the settings loader applies it.
    void saved();

private:
    /// "Save": checks the game folder, writes the settings file and emits
    /// `saved`.
    void bConfigSaveClick();
    /// The ellipsis button of rows 1 to 5: a folder for the row.
    void VLEEditButtonClick();

    CommandContext& ctx_;
    CommandBoundary& commands_;
    ValueListEditor* VLE = nullptr;
    QPushButton* bConfigSave = nullptr;
};

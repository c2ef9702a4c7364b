#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class CommandBoundary;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;
struct CommandContext;

/// The " .uz2-files " page: files chosen or dropped onto the window, to be
/// compressed to or decompressed from the game's .uz2 form.
class Uz2Page : public QWidget {
    Q_OBJECT
public:
    Uz2Page(CommandContext& context, CommandBoundary& commands, QWidget* parent = nullptr);

    /// The page was shown: both file lists emptied, the first action
    /// chosen, the delete box unticked, the page's status text.
    void TabUZShow();
    /// "Open...": files chosen with the open dialog replace the selection.
    void bOpenUz2Click();
    /// Files dropped onto the window replace the selection; the first one
    /// chooses the action for all. The window calls it through its command
    /// boundary, only while this page is shown.
    void dragndropDropFiles(const QStringList& paths);
    /// "Go": converts the selection, marking each line. Runs its own
    /// command boundary, so the window is enabled again before the closing
    /// message of a run that ended early.
    void bGoUz2Click();

    QListWidget* LBUz = nullptr; ///< the file names; full paths in ListBox3
    QPushButton* bOpenUz2 = nullptr;
    QGroupBox* rbUzAction = nullptr;
    QButtonGroup* rbUzActionGroup = nullptr; ///< 0 decompress, 1 compress
    QCheckBox* cbUzDelete = nullptr;
    QPushButton* bGoUz2 = nullptr;

private:
    void showNames(const QStringList& names);

    CommandContext& ctx_;
    CommandBoundary& commands_;
    QString openFilter_;
};

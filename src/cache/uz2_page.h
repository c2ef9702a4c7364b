#pragma once

#include <QWidget>

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
    explicit Uz2Page(CommandContext& context, QWidget* parent = nullptr);

    /// The page was shown: both file lists emptied, the first action
    /// chosen, the delete box unticked, the page's status text.
    void TabUZShow();

    QListWidget* LBUz = nullptr; ///< the file names; full paths in ListBox3
    QPushButton* bOpenUz2 = nullptr;
    QGroupBox* rbUzAction = nullptr;
    QButtonGroup* rbUzActionGroup = nullptr; ///< 0 decompress, 1 compress
    QCheckBox* cbUzDelete = nullptr;
    QPushButton* bGoUz2 = nullptr;

private:
    CommandContext& ctx_;
};

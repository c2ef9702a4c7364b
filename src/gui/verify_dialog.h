#pragma once

#include "core/command_boundary.h"
#include "install/verify.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;
struct CommandContext;
namespace cache {
struct InstalledNeeds;
}

/// The result of "Verify installation": three lists of what disagrees
/// between the records and the game folders, each with the actions that
/// bring them together, and, when there are any, the game's own files kept
/// that nothing needs any more, with "Put back". Nothing changes until a button is pressed and its
/// one question, naming what will change, is answered Yes; each action
/// then runs as a command of the window and is followed by a new check,
/// whose result the lists then show. Closing changes nothing.
class VerifyDialog : public QDialog {
    Q_OBJECT
public:
    /// The window's command boundary (TForm1::runCommand).
    using Runner = std::function<bool(CommandBoundary::Kind, const std::function<void()>&)>;

    /// `listsChanged` reloads the window's lists after an action changed
    /// records; it runs inside the action's command.
    VerifyDialog(CommandContext& context, Runner run, std::function<void()> listsChanged,
                 QWidget* parent = nullptr);

    /// Fills the lists with `report`.
    void showReport(const install::VerifyReport& report);
    const install::VerifyReport& report() const { return report_; }
    /// A list of the installed content whose packages import packages the
    /// game lacks, under the others; shown only when there is any.
    void showNeeds(const QList<cache::InstalledNeeds>& needs);

private:
    void ReinstallClick();
    void MarkNotInstalledClick();
    void RepairCountsClick();
    void AdoptClick();
    /// The list of the game's own files kept that no installed archive
    /// needs, with its "Put back" button; made by the first report that
    /// has any, above the row of the close button.
    void showOriginals(const QList<install::StrayOriginal>& originals);
    void PutBackClick();
    /// The one question of an action: `question`, the names it changes and
    /// what it does to them. True on Yes.
    bool confirm(const QString& question, const QStringList& names, const QString& effect);
    /// Checks again (a long command) and shows what it found.
    void verifyAgain();
    void updateButtons();
    /// The report's indexes of the rows selected in `list`, in list order.
    static QList<qsizetype> selectedRows(const QTreeWidget* list);

    CommandContext& ctx_;
    Runner run_;
    std::function<void()> listsChanged_;
    install::VerifyReport report_;

    QLabel* Summary = nullptr;
    QTreeWidget* MissingList = nullptr;
    QTreeWidget* CountList = nullptr;
    QTreeWidget* AdoptList = nullptr;
    QTreeWidget* NeedsList = nullptr;     ///< made by the first showNeeds with entries
    QTreeWidget* OriginalsList = nullptr; ///< made by the first report with stray originals
    QPushButton* bPutBack = nullptr;
    QPushButton* bReinstall = nullptr;
    QPushButton* bMarkNotInstalled = nullptr;
    QPushButton* bRepairCounts = nullptr;
    QPushButton* bAdopt = nullptr;
    QPushButton* bClose = nullptr;
};

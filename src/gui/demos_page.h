#pragma once

#include "intake/demos.h"

#include <QWidget>

class CommandBoundary;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
struct CommandContext;

namespace intake {
class TmFileScan;
}

/// The "  Demos  " page: recorded demos by folder, with the name and
/// location of the selected one, playing and deleting a demo, and the
/// warning shown while the game plays.
///
/// The game session runs without the busy state: the window stays usable
/// while the game plays, only "Launch" and "Delete" wait for its end, so a
/// second launch never starts under the first.
class DemosPage : public QWidget {
    Q_OBJECT
public:
    DemosPage(CommandContext& context, CommandBoundary& commands, intake::TmFileScan& fScan,
              QWidget* parent = nullptr);

    /// The page was shown: selection cleared, info bars reset, ScanDemos.
    void TabDemosShow();
    /// Lists the demos anew when DemosListed is false, then shows the count.
    void ScanDemos();
    /// "Update database": DemosListed cleared and the demos listed anew.
    void refreshDemoList();
    /// "Launch" (or a double-click): plays the selected demo. Runs its own
    /// command boundary: the preparation is a long command, the game
    /// session a quick one.
    void bRunDemoClick();

    /// The demos found, in the order found.
    const QStringList& demoPaths() const { return catalog_.DemoPaths; }
    /// A demo is playing.
    bool playing() const { return playing_; }

private:
    /// A DirBox item was chosen: DemoList shows that folder's demos.
    void DirBoxChange();
    /// Name and folder of the selected demo in the info bars.
    void DemoListClick();
    /// "Delete": the selected demo to the trash, the lists built anew and
    /// the folder chosen before chosen again while it still exists. Runs
    /// its own command boundary.
    void bDemoDeleteClick();
    /// DirBox's chosen folder; empty for "Show all".
    QString chosenFolder() const;
    /// The path of DemoList's selected item; empty when none.
    QString selectedPath() const;
    void resetInfoBars();
    void setPlaying(bool playing);

    CommandContext& ctx_;
    CommandBoundary& commands_;
    intake::TmFileScan& fScan_;
    intake::DemoCatalog catalog_;
    bool playing_ = false;
    QComboBox* DirBox = nullptr; ///< folder filter, first item "Show all"
    QListWidget* DemoList = nullptr;
    QPushButton* bRunDemo = nullptr;    ///< "Launch"
    QPushButton* bDemoDelete = nullptr; ///< "Delete"
    QLabel* StatusBar2 = nullptr;       ///< "  Name: "
    QLabel* StatusBar3 = nullptr;       ///< "  Location: "
    QFrame* DemoWarning = nullptr;      ///< hidden except while a demo plays
};

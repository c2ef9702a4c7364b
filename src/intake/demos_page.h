#pragma once

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

/// The "  Demos  " page: recorded demos by folder, with the name and
/// location of the selected one, and the warning shown while the game
/// plays a demo.
class DemosPage : public QWidget {
    Q_OBJECT
public:
    explicit DemosPage(QWidget* parent = nullptr);

    /// The page was shown: selection cleared, info bars reset.
    void TabDemosShow();

    QComboBox* DirBox = nullptr; ///< folder filter, first item "Show all"
    QListWidget* DemoList = nullptr;
    QPushButton* bRunDemo = nullptr;    ///< "Launch"
    QPushButton* bDemoDelete = nullptr; ///< "Delete"
    QLabel* StatusBar2 = nullptr;       ///< "  Name: "
    QLabel* StatusBar3 = nullptr;       ///< "  Location: "
    QFrame* DemoWarning = nullptr;      ///< hidden except while a demo plays
};

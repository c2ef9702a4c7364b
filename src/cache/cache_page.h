#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

/// The "  Cache   " page: the packages in the game's download cache and
/// what to do with the selected ones.
class CachePage : public QWidget {
    Q_OBJECT
public:
    explicit CachePage(QWidget* parent = nullptr);

    /// The page was shown: first action chosen, caption "Install", "Show
    /// maps only" unticked.
    void TabCacheShow();

    QListWidget* LBCache = nullptr;
    QPushButton* bInstallCache = nullptr;
    QCheckBox* CacheBox = nullptr;
    QGroupBox* rbCache = nullptr;
    QButtonGroup* rbCacheGroup = nullptr; ///< the four actions, ids 0..3
    QPushButton* ClearCache = nullptr;
};

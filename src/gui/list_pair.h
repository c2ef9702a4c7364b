#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

class QKeyEvent;
class QListWidget;
class QListWidgetItem;
class QMenu;

/// The two lists of a content page (not installed on the left, installed
/// on the right): a press on one clears the other's selection, and the
/// right button opens the list's popup menu at the pointer without
/// touching the selection. A double-click on an entry, or Enter on the
/// current one, shows its "File info"; the menu key (or Shift+F10) opens
/// the popup at the current entry. Also holds the pair's sort mode.
class ListPair : public QObject {
    Q_OBJECT
public:
    ListPair(QListWidget* left, QListWidget* right, QObject* parent = nullptr);

    /// The popups of the window: left menu's first item is "File info";
    /// the right menu's first and third are "File info" and "Create Zip".
    void setPopups(QMenu* left, QMenu* right);

    /// The mouse-down handler of both lists (LBinstMouseDown and kin).
    void mouseDown(QListWidget* list, Qt::MouseButton button, const QPoint& globalPos);
    /// The popup's "File info" for `item` of `list`, which becomes the one
    /// entry selected in the pair.
    void fileInfo(QListWidget* list, QListWidgetItem* item);

    /// The entries of each list as they stand.
    QStringList leftEntries() const;
    QStringList rightEntries() const;

    /// Both lists are kept in date order (else by name).
    bool dateOrder = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Enter and the menu key on a list; true when the key was used.
    bool keyPress(QListWidget* list, const QKeyEvent& key);

    QListWidget* left_;
    QListWidget* right_;
    QMenu* leftPopup_ = nullptr;
    QMenu* rightPopup_ = nullptr;
};

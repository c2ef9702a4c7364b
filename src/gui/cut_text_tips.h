#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

class QWidget;

/// Shows the whole text of a label, a line field or a list cell that is
/// cut at its edge as its tooltip: the window is of a fixed size, and
/// folders, names and status lines are often longer than it. A widget or
/// cell with a tooltip of its own keeps it while nothing of it is cut.
class CutTextTips : public QObject {
    Q_OBJECT
public:
    /// Watches every label, line field and list below `root` (and `root`
    /// itself); lives as long as `root`.
    static void install(QWidget* root);

    /// The whole text at `pos` of `widget` (a label, a line field or a
    /// list's viewport) when it is cut there; empty when all of it shows.
    static QString cutTextAt(QWidget* widget, QPoint pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CutTextTips(QObject* parent) : QObject(parent) {}
};

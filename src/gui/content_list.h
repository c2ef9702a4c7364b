#pragma once

#include <QElapsedTimer>
#include <QListWidget>

/// A content list of a page. Its type-ahead passes over entries the search
/// hides and brings the entry it finds into the middle of the list, not to
/// its bottom edge, so the entries around it show too.
class ContentList : public QListWidget {
    Q_OBJECT
public:
    explicit ContentList(QWidget* parent = nullptr);

    /// Type-ahead: letters typed in quick succession make one prefix; the
    /// same letter again goes on to the next entry starting with it. The
    /// current entry moved otherwise (a click, the arrows) starts anew.
    void keyboardSearch(const QString& search) override;

private:
    /// The row of the first shown entry from `from` on (wrapping round)
    /// whose name starts with `prefix`, ignoring case; -1 when none.
    int findShown(const QString& prefix, int from) const;

    QString typed_;
    QElapsedTimer lastKey_;
    /// The type-ahead itself moves the current entry (not a new start).
    bool moving_ = false;
};

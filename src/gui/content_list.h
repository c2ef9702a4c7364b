#pragma once

#include <QElapsedTimer>
#include <QListWidget>

/// A content list of a page. Its type-ahead passes over entries the search
/// hides and brings the entry it finds into the middle of the list, not to
/// its bottom edge, so the entries around it show too.
class ContentList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

    /// Type-ahead: letters typed in quick succession make one prefix; the
    /// same letter again goes on to the next entry starting with it.
    void keyboardSearch(const QString& search) override;

private:
    /// The row of the first shown entry from `from` on (wrapping round)
    /// whose name starts with `prefix`, ignoring case; -1 when none.
    int findShown(const QString& prefix, int from) const;

    QString typed_;
    QElapsedTimer lastKey_;
};

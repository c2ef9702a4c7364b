#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace testing_support {

/// Counts the files opened and the files written in a folder tree, as the
/// kernel sees them (inotify), so a test can prove that code left an
/// archive unopened or a file unwritten without any hook in that code.
/// Folders made below the tree after construction are not watched.
class OpenCounter {
public:
    /// Watches `root` and every folder below it (links not followed).
    explicit OpenCounter(const QString& root);
    ~OpenCounter();
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    /// False when inotify could not be set up.
    bool ok() const { return fd_ >= 0; }
    /// Takes the events so far; afterwards these lists hold the paths of
    /// files (not folders) opened, and written or renamed into place.
    void collect();
    /// Forgets what was collected and drops events not yet collected.
    void reset();

    QStringList opened;
    QStringList written;

private:
    int fd_ = -1;
    /// Watch descriptor -> folder path.
    QList<QPair<int, QString>> watches_;
};

} // namespace testing_support

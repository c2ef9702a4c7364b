#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QObject;
namespace platform {
class WildcardMask;
}

namespace intake {

/// The worker of one folder search. It walks its own copies of the folders
/// and masks and hands what it finds to the thread that started it; it
/// never touches the component's lists itself.
class TSearchThread {
public:
    /// Receives the worker's hand-overs on the starting thread.
    struct Receiver {
        /// Found paths in order, and found paths that are no plain files.
        std::function<void(quint64 id, const QStringList& paths, const QStringList& notPlain)>
            found;
        std::function<void(quint64 id, bool aborted, const QStringList& result)> ready;
    };

    TSearchThread(quint64 id, QStringList paths, QStringList filters, bool subDirs,
                  QObject* context, Receiver receiver);
    /// Aborts the walk and waits for the thread to end.
    ~TSearchThread();
    TSearchThread(const TSearchThread&) = delete;
    TSearchThread& operator=(const TSearchThread&) = delete;

    quint64 id() const { return id_; }
    /// Asks the walk to stop at the next entry.
    void abort() { Aborted.store(true, std::memory_order_relaxed); }
    /// Waits until the thread has ended (at once when it has).
    void join();

    std::atomic<bool> Aborted{false};

private:
    void run();
    void searchFolder(const QString& folder, const QList<platform::WildcardMask>& masks,
                      QList<QStringList>& later);
    void flush();

    const quint64 id_;
    const QStringList paths_;
    const QStringList filters_;
    const bool subDirs_;
    QObject* const context_;
    const Receiver receiver_;
    QStringList result_;   ///< everything found, in order
    QStringList pending_;  ///< found but not yet handed over
    QStringList notPlain_; ///< found, no plain file, not yet handed over
    std::thread thread_;
};

/// The folder search component: finds the files and folders matching
/// `Filters` in `Paths` on a worker thread. For each folder, every mask is
/// searched through the whole tree (depth first) before the next mask, so
/// with "*.zip" then "*.rar" every zip comes before the first rar. Within
/// a folder, entries are taken in name order ignoring case.
///
/// Found paths reach `SearchResult` (and `OnFileFound`) only while the
/// starting thread processes events: the worker posts them as queued calls
/// on that thread, in order, a folder's matches at a time. The end arrives
/// the same way and clears `Busy`.
///
/// Symbolic links to folders are reported when their name matches but are
/// never entered, so the walk stays inside the tree and cannot loop; a
/// link given in `Paths` itself is followed. An empty path is skipped
/// rather than taken as the file system's root.
///
/// A new StartSearch first aborts the previous worker and waits for its
/// thread to end; whatever that worker still had queued is dropped, so
/// a search never returns an older search's results.
class TmFileScan {
public:
    TmFileScan();
    ~TmFileScan();
    TmFileScan(const TmFileScan&) = delete;
    TmFileScan& operator=(const TmFileScan&) = delete;

    /// Folders to search, in order.
    QStringList Paths;
    /// Wildcard masks, matched ignoring case, in order.
    QStringList Filters;
    /// Search subfolders too.
    bool SubDirs = true;

    /// Fired on the starting thread for each path found.
    std::function<void(const QString& fileName)> OnFileFound;
    /// Fired on the starting thread at the end, with the worker's results.
    std::function<void(bool aborted, const QStringList& searchResult)> OnReady;

    /// A search is running (its end has not been handed over yet).
    bool Busy() const { return busy_; }
    /// The paths found so far by the current search, in the order found.
    const QStringList& SearchResult() const { return searchResult_; }
    /// The paths of SearchResult that were no plain file when listed
    /// (folders, links, devices, ...); every other one was a plain file.
    const QSet<QString>& NotPlainFiles() const { return notPlain_; }

    /// Empties SearchResult, starts a worker on copies of Paths, Filters
    /// and SubDirs, and sets Busy.
    void StartSearch();
    /// Asks the running worker to stop; its end still clears Busy.
    void AbortSearch();

private:
    void takeFound(quint64 id, const QStringList& paths, const QStringList& notPlain);
    void takeReady(quint64 id, bool aborted, const QStringList& result);

    std::unique_ptr<QObject> context_; ///< where the worker's calls are delivered
    std::unique_ptr<TSearchThread> worker_;
    quint64 nextId_ = 1;
    bool busy_ = false;
    QStringList searchResult_;
    QSet<QString> notPlain_;
};

/// Searches `folder` for `masks` with `scan` and waits for the end, at
/// most 5 seconds, sleeping 5 ms between rounds of event processing. A
/// search still running then is aborted and the paths found so far are
/// returned.
QStringList RunFolderSearch(TmFileScan& scan, const QString& folder, const QStringList& masks);

/// The two halves of RunFolderSearch, for a caller with other work to do
/// while the worker walks the folders: Start sets Paths and Filters and
/// starts; Wait is the bounded wait, its 5 seconds counted from its call.
void StartFolderSearch(TmFileScan& scan, const QString& folder, const QStringList& masks);
QStringList WaitForFolderSearch(TmFileScan& scan);

} // namespace intake

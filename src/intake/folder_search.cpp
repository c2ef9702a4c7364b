// The folder search: a worker thread walks the folders and posts what it
// finds to the thread that started it, where the component collects it.
// A Qt queued call is the hand-over: the worker never waits for the main
// thread, and the main thread sees the paths in order, only while it
// processes events.
#include "intake/folder_search.h"

#include "core/keep_painted.h"
#include "platform/file_helpers.h"
#include "platform/wildcard_mask.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QObject>
#include <QThread>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

struct Entry {
    QString name;
    bool descend = false;   ///< a real folder, not a link to one
    bool plainFile = false; ///< a regular file, not a link to one
};

// Every entry of `folder` (hidden ones too), in name order ignoring case,
// exact order between names equal but for case. Stops early when aborted.
QList<Entry> listFolder(const QString& folder, const std::atomic<bool>& aborted) {
    QList<Entry> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext() && !aborted.load(std::memory_order_relaxed)) {
        // The entry's type comes with the listing; only a link would need
        // a look at its target, and links are never entered.
        const QFileInfo info = it.nextFileInfo();
        const bool link = info.isSymLink();
        entries.append({info.fileName(), !link && info.isDir(), !link && info.isFile()});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int c = a.name.compare(b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return entries;
}

} // namespace

TSearchThread::TSearchThread(quint64 id, QStringList paths, QStringList filters, bool subDirs,
                             QObject* context, Receiver receiver)
    : id_(id), paths_(std::move(paths)), filters_(std::move(filters)), subDirs_(subDirs),
      context_(context), receiver_(std::move(receiver)) {
    // Started last: run() reads the members set above.
    thread_ = std::thread([this] { run(); });
}

TSearchThread::~TSearchThread() {
    abort();
    join();
}

void TSearchThread::join() {
    if (thread_.joinable())
        thread_.join();
}

void TSearchThread::run() {
    // Each mask compiled once for the whole search.
    QList<platform::WildcardMask> masks;
    masks.reserve(filters_.size());
    for (const QString& filter : filters_)
        masks.append(platform::WildcardMask(filter));

    for (const QString& path : paths_) {
        // An empty folder setting would otherwise become "/".
        if (path.isEmpty() || masks.isEmpty())
            continue;
        // One walk serves every mask: the first mask's matches are handed
        // over as they are found, the others' kept back and handed over
        // mask by mask after the walk, which gives the order of one walk
        // per mask at the cost of one.
        QList<QStringList> later(masks.size());
        searchFolder(platform::withSlash(path), masks, later);
        for (const QStringList& paths : later) {
            if (Aborted.load(std::memory_order_relaxed))
                break;
            result_ += paths;
            pending_ += paths;
            flush();
        }
    }
    flush();
    const bool aborted = Aborted.load(std::memory_order_relaxed);
    QMetaObject::invokeMethod(
        context_,
        [receiver = receiver_, id = id_, aborted, result = result_] {
            receiver.ready(id, aborted, result);
        },
        Qt::QueuedConnection);
}

void TSearchThread::searchFolder(const QString& folder, const QList<platform::WildcardMask>& masks,
                                 QList<QStringList>& later) {
    const QList<Entry> entries = listFolder(folder, Aborted);
    for (const Entry& e : entries) {
        if (Aborted.load(std::memory_order_relaxed))
            return;
        for (qsizetype m = 0; m < masks.size(); ++m) {
            if (!masks.at(m).matches(e.name))
                continue;
            const QString path = folder + e.name;
            if (!e.plainFile)
                notPlain_.append(path);
            if (m == 0) {
                result_.append(path);
                pending_.append(path);
            } else {
                later[m].append(path);
            }
        }
    }
    // One hand-over per folder keeps the main thread's work per path small.
    flush();
    if (!subDirs_)
        return;
    for (const Entry& e : entries) {
        if (Aborted.load(std::memory_order_relaxed))
            return;
        if (e.descend)
            searchFolder(folder + e.name + u'/', masks, later);
    }
}

void TSearchThread::flush() {
    if (pending_.isEmpty() && notPlain_.isEmpty())
        return;
    QMetaObject::invokeMethod(
        context_,
        [receiver = receiver_, id = id_, paths = std::move(pending_),
         notPlain = std::move(notPlain_)] { receiver.found(id, paths, notPlain); },
        Qt::QueuedConnection);
    pending_ = QStringList();
    notPlain_ = QStringList();
}

TmFileScan::TmFileScan() : context_(std::make_unique<QObject>()) {}

// The worker goes first (it is aborted and joined), then the context with
// any calls still queued for it.
TmFileScan::~TmFileScan() {
    worker_.reset();
}

void TmFileScan::StartSearch() {
    // The previous worker has ended before the next starts; its queued
    // calls carry its id and are ignored from here on.
    if (worker_) {
        worker_->abort();
        worker_->join();
        worker_.reset();
    }
    searchResult_.clear();
    notPlain_.clear();
    busy_ = true;
    TSearchThread::Receiver receiver{
        [this](quint64 id, const QStringList& paths, const QStringList& notPlain) {
            takeFound(id, paths, notPlain);
        },
        [this](quint64 id, bool aborted, const QStringList& result) {
            takeReady(id, aborted, result);
        }};
    worker_ = std::make_unique<TSearchThread>(nextId_++, Paths, Filters, SubDirs, context_.get(),
                                              std::move(receiver));
}

void TmFileScan::AbortSearch() {
    if (worker_)
        worker_->abort();
}

void TmFileScan::takeFound(quint64 id, const QStringList& paths, const QStringList& notPlain) {
    if (!worker_ || worker_->id() != id)
        return;
    for (const QString& path : notPlain)
        notPlain_.insert(path);
    searchResult_ += paths;
    if (OnFileFound) {
        for (const QString& path : paths)
            OnFileFound(path);
    }
}

void TmFileScan::takeReady(quint64 id, bool aborted, const QStringList& result) {
    if (!worker_ || worker_->id() != id)
        return;
    busy_ = false;
    if (OnReady)
        OnReady(aborted, result);
}

void StartFolderSearch(TmFileScan& scan, const QString& folder, const QStringList& masks) {
    scan.Paths = QStringList{folder};
    scan.Filters = masks;
    scan.StartSearch();
}

QStringList WaitForFolderSearch(TmFileScan& scan) {
    constexpr qint64 LimitMs = 5000;
    constexpr unsigned long PollMs = 5;
    QElapsedTimer started;
    started.start();
    // Every poll: the worker's hand-overs arrive as events.
    KeepPainted painted(static_cast<qint64>(PollMs));
    while (scan.Busy()) {
        if (started.elapsed() > LimitMs) {
            scan.AbortSearch();
            break;
        }
        QThread::msleep(PollMs);
        painted();
    }
    return scan.SearchResult();
}

QStringList RunFolderSearch(TmFileScan& scan, const QString& folder, const QStringList& masks) {
    StartFolderSearch(scan, folder, masks);
    return WaitForFolderSearch(scan);
}

} // namespace intake

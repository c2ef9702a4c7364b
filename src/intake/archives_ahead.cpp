#include "intake/archives_ahead.h"

#include "archive/archive_formats.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace intake {

namespace {

// A batch is small enough that a slow disk never keeps the scan from its
// own progress for long, large enough that starting threads costs nothing.
constexpr qsizetype BatchSize = 256;

ArchiveAhead readOne(archives::ArchiveBackends& backends, const QString& path) {
    ArchiveAhead out;
    const archives::ArchiveFormat* format = archives::formatOf(path);
    if (!format)
        return out;
    out.probe = format->probe ? format->probe(path) : 1;
    if (out.probe < 1)
        return out;
    // Nothing may leave a worker thread: whatever went wrong here happens
    // again on the scan's thread, which reports it.
    try {
        archives::ArchiveJob job;
        job.archive = path;
        job.noBoxes = true;
        core::ArchiveListing listing = backends.of(*format).list(job);
        if (listing.result.ok)
            out.listing = std::move(listing);
    } catch (...) {
        out.listing.reset();
    }
    return out;
}

} // namespace

int ScanThreads() {
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

ArchivesAhead::ArchivesAhead(QStringList paths, int threads)
    : paths_(std::move(paths)), threads_(std::max(threads, 1)) {}

ArchiveAhead ArchivesAhead::next() {
    if (asked_ >= paths_.size())
        return {};
    if (asked_ >= batchStart_ + batch_.size()) {
        batchStart_ = asked_;
        readBatch();
    }
    return std::move(batch_[asked_++ - batchStart_]);
}

void ArchivesAhead::readBatch() {
    const qsizetype count = std::min(BatchSize, paths_.size() - batchStart_);
    batch_ = QList<ArchiveAhead>(count);
    const int workers = int(std::min<qsizetype>(threads_, count));
    // Components are made here: their first construction sets up the
    // process's time zone once.
    std::vector<std::unique_ptr<archives::ArchiveBackends>> backends;
    backends.reserve(size_t(workers));
    for (int w = 0; w < workers; ++w)
        backends.push_back(std::make_unique<archives::ArchiveBackends>(nullptr));
    // Each worker takes the next index; every slot is written by one worker.
    std::atomic<qsizetype> nextIndex{0};
    ArchiveAhead* const slots = batch_.data();
    const QString* const paths = paths_.constData() + batchStart_;
    auto work = [&](archives::ArchiveBackends& own) {
        for (qsizetype i = nextIndex++; i < count; i = nextIndex++)
            slots[i] = readOne(own, paths[i]);
    };
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w)
        threads.emplace_back(work, std::ref(*backends[size_t(w)]));
    work(*backends[0]);
    for (std::thread& t : threads)
        t.join();
}

} // namespace intake

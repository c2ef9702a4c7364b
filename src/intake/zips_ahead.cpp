#include "intake/zips_ahead.h"

#include "archive/zip_master.h"
#include "archive/zip_probe.h"

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

ZipAhead readOne(archives::TZipMaster& zip, const QString& path) {
    ZipAhead out;
    out.probe = archives::ZipProbe(path);
    if (out.probe < 1)
        return out;
    // Nothing may leave a worker thread: whatever went wrong here happens
    // again on the scan's thread, which reports it.
    try {
        core::ArchiveListing listing = core::ListZipWith(zip, path);
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

ZipsAhead::ZipsAhead(QStringList paths, int threads)
    : paths_(std::move(paths)), threads_(std::max(threads, 1)) {}

ZipAhead ZipsAhead::next() {
    if (asked_ >= paths_.size())
        return {};
    if (asked_ >= batchStart_ + batch_.size()) {
        batchStart_ = asked_;
        readBatch();
    }
    return std::move(batch_[asked_++ - batchStart_]);
}

void ZipsAhead::readBatch() {
    const qsizetype count = std::min(BatchSize, paths_.size() - batchStart_);
    batch_ = QList<ZipAhead>(count);
    const int workers = int(std::min<qsizetype>(threads_, count));
    // Components are made here: their first construction sets up the
    // process's time zone once.
    std::vector<std::unique_ptr<archives::TZipMaster>> zips;
    for (int w = 0; w < workers; ++w) {
        zips.push_back(std::make_unique<archives::TZipMaster>(nullptr));
        zips.back()->Unattended = true;
    }
    // Each worker takes the next index; every slot is written by one worker.
    std::atomic<qsizetype> nextIndex{0};
    ZipAhead* const slots = batch_.data();
    const QString* const paths = paths_.constData() + batchStart_;
    auto work = [&](archives::TZipMaster& zip) {
        for (qsizetype i = nextIndex++; i < count; i = nextIndex++)
            slots[i] = readOne(zip, paths[i]);
    };
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w)
        threads.emplace_back(work, std::ref(*zips[size_t(w)]));
    work(*zips[0]);
    for (std::thread& t : threads)
        t.join();
}

} // namespace intake

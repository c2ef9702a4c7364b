#pragma once

#include "cache/redirect_manifest.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

/// The workers of the redirect folder: each compresses one source into its
/// .uz2 at a time, sharing nothing but the job list they only read.
namespace cache::redirect_work {

/// The .uz2 name of a source: its name + ".uz2".
QString uz2NameOf(const QString& sourceName);
/// Sorts names ignoring case, equal ones in code order: the order of every
/// list a redirect run reports.
void sortIgnoringCase(QStringList& names);

/// A file's modification time in nanoseconds; a time beyond what that
/// holds (a hostile or broken clock) saturates instead of overflowing.
qint64 nanosOf(const struct timespec& t);

/// One .uz2 to write.
struct Job {
    QString name;   ///< the .uz2's name
    QString source; ///< the file to compress
    QString output; ///< the .uz2's path
};

/// How a job ended.
struct Outcome {
    qsizetype job = 0;
    QString error; ///< empty when the .uz2 was written
    RedirectEntry entry;
};

/// Compresses one file into its .uz2. Runs on a worker: it shares nothing
/// but the job, which it only reads. The .uz2 is committed only when the
/// whole source was read and did not change meanwhile, so no torn copy is
/// ever served; the manifest gets the source's state as it was read.
Outcome compressOne(const Job& job);

/// A fixed set of worker threads taking the jobs in order; whatever ends
/// the caller's loop, the destructor stops handing out jobs and waits for
/// the files under way.
class Pool {
public:
    Pool(const std::vector<Job>& jobs, int threads) : jobs_(jobs) {
        threads_.reserve(size_t(threads));
        for (int i = 0; i < threads; ++i)
            threads_.emplace_back([this] { work(); });
    }
    ~Pool() {
        next_.store(jobs_.size());
        for (std::thread& t : threads_)
            t.join();
    }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    /// Waits for files to finish and hands over every one finished so far.
    std::vector<Outcome> take() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !finished_.empty(); });
        std::vector<Outcome> out;
        out.swap(finished_);
        return out;
    }

private:
    void work() {
        for (;;) {
            const size_t i = next_.fetch_add(1);
            if (i >= jobs_.size())
                return;
            Outcome o = compressOne(jobs_[i]);
            o.job = qsizetype(i);
            {
                const std::lock_guard lock(mutex_);
                finished_.push_back(std::move(o));
            }
            ready_.notify_one();
        }
    }

    const std::vector<Job>& jobs_;
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Outcome> finished_;
    std::vector<std::thread> threads_;
};

} // namespace cache::redirect_work

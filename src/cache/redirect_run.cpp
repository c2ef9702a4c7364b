// A run over the redirect folder: the folder taken and locked, the .uz2
// files planned against the manifest, compressed by the workers, pruned.
#include "cache/redirect.h"

#include "cache/redirect_manifest.h"
#include "cache/redirect_work.h"
#include "core/data_lock.h"
#include "platform/errors.h"
#include "platform/folder_index.h"
#include "platform/io_errors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace cache {

using redirect_work::Job;
using redirect_work::nanosOf;
using redirect_work::Outcome;
using redirect_work::Pool;
using redirect_work::sortIgnoringCase;
using redirect_work::uz2NameOf;

namespace {

/// More workers than this gain nothing on any machine the game runs on.
constexpr int MaxJobs = 64;
/// How often the manifest is saved while files finish.
constexpr qint64 ManifestSaveMs = 2000;

QString lockName() {
    return u".quorvel-redirect.lock"_s;
}

/// The size and time of a plain file, following links (a game folder may
/// link its files elsewhere: reading through a link writes nothing).
struct SourceStat {
    qint64 size = 0;
    qint64 time = 0;
};

std::optional<SourceStat> plainFileStat(const QString& path, QString* why = nullptr) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (why)
            *why = platform::cannotOpenText(path, qt_error_string(errno));
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        if (why)
            *why = u"\"%1\" is not a plain file."_s.arg(path);
        return std::nullopt;
    }
    return SourceStat{qint64(st.st_size), nanosOf(st.st_mtim)};
}

/// lstat: what is at `path` itself, a link not followed.
std::optional<struct stat> entryStat(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

// ---- the folder -----------------------------------------------------------

QString absoluteFolder(const QString& folder) {
    if (folder.isEmpty())
        throw platform::Error(u"No redirect folder was given."_s);
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

/// Makes the folder when it is missing (only the folder itself: a mistyped
/// parent is not made) and checks that it is one.
void prepareFolder(const QString& dir) {
    const QFileInfo info(dir);
    if (info.exists()) {
        if (!info.isDir())
            throw platform::Error(u"\"%1\" is not a folder."_s.arg(dir));
        return;
    }
    if (!QDir().mkdir(dir))
        throw platform::Error(platform::cannotCreateFolderText(dir));
}

/// A temporary file an atomic write of this folder leaves when it is
/// killed: "<x>.uz2" or the manifest's name, then ".quorvel-" and the six
/// characters mkstemp chose.
bool isLeftover(const QString& name) {
    static const QString Mark = u".quorvel-"_s;
    const qsizetype at = name.size() - Mark.size() - 6;
    if (at <= 0 || name.mid(at, Mark.size()) != Mark)
        return false;
    for (const QChar c : name.sliced(at + Mark.size())) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    const QString target = name.left(at);
    return target == RedirectManifest::fileName() || isPlainUz2Name(target);
}

/// Removes what killed runs left: plain files only, in the folder only.
void removeLeftovers(const QString& dir, platform::FolderIndex& folders) {
    const QStringList names =
        QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!isLeftover(name))
            continue;
        const QString path = QDir(dir).filePath(name);
        const std::optional<struct stat> st = entryStat(path);
        if (st && S_ISREG(st->st_mode) && ::unlink(QFile::encodeName(path).constData()) == 0)
            folders.removed(path);
    }
}

int jobCount(int asked, size_t files) {
    int n = asked > 0 ? asked : QThread::idealThreadCount();
    n = std::clamp(n, 1, MaxJobs);
    return int(std::min<size_t>(size_t(n), std::max<size_t>(files, 1)));
}

} // namespace

namespace {

/// Takes the redirect folder for this run: made when missing, locked
/// against a second run, temporary files of a killed one removed. The lock
/// holds while the returned value lives.
DataLock lockFolder(const QString& dir, platform::FolderIndex& folders) {
    prepareFolder(dir);
    // Held only by a running process: a lock file a killed run left (even
    // an empty one) is taken over, a long run never.
    DataLock lock = DataLock::acquireFile(QDir(dir).filePath(lockName()), {});
    if (lock.busy())
        throw platform::Error(u"Another Quorvel is writing the redirect folder \"%1\"; try "
                              "again when it has finished."_s.arg(dir));
    if (!lock.held())
        throw platform::Error(lock.refusal());
    // The folder may be one the index lists (a game folder): it is told of
    // every file made or removed here.
    removeLeftovers(dir, folders);
    return lock;
}

/// One run over a locked redirect folder: its manifest, kept in step with
/// what the run writes and removes, and the result it builds.
class RedirectRun {
public:
    RedirectRun(RedirectResult& result, platform::FolderIndex& folders)
        : result_(result), dir_(result.folder), folders_(folders),
          manifest_(readRedirectManifest(dir_, result.manifestProblem)),
          manifestPath_(QDir(dir_).filePath(RedirectManifest::fileName())),
          dirty_(!result.manifestProblem.isEmpty() || !entryStat(manifestPath_).has_value()) {}

    /// The .uz2 files to write; those still current go to `unchanged`.
    std::vector<Job> plan(const RedirectSources& sources);
    void compress(const std::vector<Job>& jobs, int asked, const RedirectProgress& progress);
    /// Removes the .uz2 files of the manifest that no source gives any more.
    void prune();
    /// Saves the manifest when it changed and puts the lists in order.
    void finish();

private:
    void save();
    void take(const Job& job, const Outcome& outcome);

    RedirectResult& result_;
    const QString dir_;
    platform::FolderIndex& folders_;
    RedirectManifest manifest_;
    const QString manifestPath_;
    bool dirty_;
    QString saveError_;
    QSet<QString> current_; // .uz2 names a source still gives (clashes too)
};

std::vector<Job> RedirectRun::plan(const RedirectSources& sources) {
    for (const RedirectFailure& f : sources.clashes) {
        result_.failed.append(f);
        current_.insert(f.name);
    }
    result_.missing = sources.missing;
    std::vector<Job> jobs;
    for (const RedirectSource& s : sources.files) {
        const QString name = uz2NameOf(s.name);
        current_.insert(name);
        QString why;
        const std::optional<SourceStat> now = plainFileStat(s.path, &why);
        if (!now) {
            result_.failed.append({name, why});
            continue;
        }
        const QString output = QDir(dir_).filePath(name);
        const RedirectEntry* known = manifest_.find(name);
        const std::optional<struct stat> uz2 = entryStat(output);
        if (known && known->source == s.path && known->sourceSize == now->size &&
            known->sourceTime == now->time && uz2 && S_ISREG(uz2->st_mode) &&
            qint64(uz2->st_size) == known->size) {
            result_.unchanged.append(name);
            continue;
        }
        jobs.push_back({name, s.path, output});
    }
    return jobs;
}

void RedirectRun::save() {
    try {
        writeRedirectManifest(dir_, manifest_);
        folders_.added(manifestPath_);
        dirty_ = false;
        saveError_.clear();
    } catch (const platform::Error& e) {
        saveError_ = e.text();
    }
}

void RedirectRun::take(const Job& job, const Outcome& outcome) {
    if (outcome.error.isEmpty())
        folders_.added(job.output);
    if (outcome.error.isEmpty() && manifest_.put(outcome.entry)) {
        result_.compressed.append(job.name);
        dirty_ = true;
    } else {
        result_.failed.append({job.name, outcome.error.isEmpty()
                                             ? u"It was written, but the manifest cannot name it."_s
                                             : outcome.error});
    }
}

void RedirectRun::compress(const std::vector<Job>& jobs, int asked,
                           const RedirectProgress& progress) {
    if (jobs.empty())
        return;
    result_.jobs = jobCount(asked, jobs.size());
    const int total = int(jobs.size());
    int done = 0;
    QElapsedTimer sinceSave;
    sinceSave.start();
    Pool pool(jobs, result_.jobs);
    // Progress may end the run (the command line's Ctrl-C): the files
    // finished so far are kept in the manifest; the pool lets the ones
    // being written finish, each whole or not at all, and starts none.
    auto keepWhatIsDone = qScopeGuard([&] {
        if (dirty_)
            save();
    });
    while (done < total) {
        for (Outcome& o : pool.take()) {
            ++done;
            take(jobs[size_t(o.job)], o);
            if (progress)
                progress(done, total);
        }
        if (dirty_ && sinceSave.elapsed() >= ManifestSaveMs) {
            save();
            sinceSave.restart();
        }
    }
    keepWhatIsDone.dismiss();
}

void RedirectRun::prune() {
    // A known .uz2 that is also the file of a current one (a case-blind
    // folder, a hard link) is that one's, not a leftover.
    QSet<std::pair<quint64, quint64>> kept;
    for (const QString& name : std::as_const(current_)) {
        if (const std::optional<struct stat> st = entryStat(QDir(dir_).filePath(name)))
            kept.insert({quint64(st->st_dev), quint64(st->st_ino)});
    }
    for (const RedirectEntry& e : manifest_.entries()) {
        if (current_.contains(e.name))
            continue;
        const QString path = QDir(dir_).filePath(e.name);
        const std::optional<struct stat> st = entryStat(path);
        if (st && S_ISREG(st->st_mode) &&
            !kept.contains({quint64(st->st_dev), quint64(st->st_ino)})) {
            if (::unlink(QFile::encodeName(path).constData()) != 0) {
                result_.failed.append(
                    {e.name, u"Cannot delete \"%1\". %2"_s.arg(path, qt_error_string(errno))});
                continue;
            }
            folders_.removed(path);
            result_.pruned.append(e.name);
        }
        // Gone, or no longer a file Quorvel wrote: forgotten, left alone.
        manifest_.remove(e.name);
        dirty_ = true;
    }
}

void RedirectRun::finish() {
    if (dirty_)
        save();
    result_.manifestError = saveError_;
    sortIgnoringCase(result_.compressed);
    sortIgnoringCase(result_.unchanged);
    sortIgnoringCase(result_.pruned);
    std::sort(result_.failed.begin(), result_.failed.end(),
              [](const RedirectFailure& a, const RedirectFailure& b) {
                  const int c = a.name.compare(b.name, Qt::CaseInsensitive);
                  return c != 0 ? c < 0 : a.name < b.name;
              });
}

} // namespace

RedirectResult buildRedirect(const AppState& state, platform::FolderIndex& folders,
                             const RedirectOptions& options, const RedirectProgress& progress) {
    const RedirectSources sources = redirectSources(state, folders);
    RedirectResult result;
    result.folder = absoluteFolder(options.folder);
    const DataLock lock = lockFolder(result.folder, folders);
    RedirectRun run(result, folders);
    const std::vector<Job> jobs = run.plan(sources);
    run.compress(jobs, options.jobs, progress);
    if (options.prune)
        run.prune();
    run.finish();
    return result;
}

} // namespace cache

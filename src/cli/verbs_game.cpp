// The verbs of the Cache and .uz2 pages, and the redirect folder.
#include "cache/cache_index.h"
#include "cache/cache_install.h"
#include "cache/package.h"
#include "cache/redirect.h"
#include "cache/uz2.h"
#include "cli/command_line.h"
#include "cli/run_control.h"
#include "cli/session.h"
#include "core/content_lists.h"
#include "platform/file_helpers.h"

#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// The cached packages `given` stand for, as the page lists them: a file
/// name as listed, or the cache.ini key of a listed package. Every one must
/// be found; otherwise nothing is done.
QStringList cachedNames(Session& session, const QStringList& listed, const QStringList& given) {
    QList<cache::CacheLine> lines;
    if (const std::optional<QString> ini = cache::findCacheIni(session.state())) {
        const cache::CacheIni read = cache::readCacheIni(*ini);
        for (qsizetype i = 0; i < read.size(); ++i) {
            if (const std::optional<cache::CacheLine> line = cache::cachedPackage(read.text(i)))
                lines.append(*line);
        }
    }
    QStringList names;
    QStringList missing;
    for (const QString& name : given) {
        QString found;
        if (listed.contains(name)) {
            found = name;
        } else {
            for (const cache::CacheLine& line : std::as_const(lines)) {
                if (line.key.compare(name, Qt::CaseInsensitive) == 0 &&
                    listed.contains(line.fileName)) {
                    found = line.fileName;
                    break;
                }
            }
        }
        if (found.isEmpty())
            missing.append(name);
        else if (!names.contains(found))
            names.append(found);
    }
    if (!missing.isEmpty())
        throw Exit{NotAllDone, u"Not in the game's cache: "_s + missing.join(u", "_s) +
                                   u" (see \"quorvel-cli cache list\"). Nothing was done."_s};
    return names;
}

int cacheRun(Session& session, const Invocation& call, cache::CacheAction action,
             const std::optional<QString>& zipFolder) {
    const QStringList given = call.args.mid(1);
    if (given.isEmpty())
        throw usage(u"cache "_s + call.args.first() + u" needs at least one KEY."_s);
    session.openForWriting();
    CommandContext& ctx = session.ctx();
    const std::optional<QStringList> listed = cache::ListCache(ctx, false);
    if (!listed)
        return NotAllDone;
    const QStringList names = cachedNames(session, *listed, given);
    const std::optional<cache::CachePlan> plan = cache::PlanCacheRun(ctx, action, names, zipFolder);
    if (!plan) {
        session.printStatus();
        return NotAllDone;
    }
    cache::TUTPackage reader;
    const cache::CacheRunResult result = cache::RunCacheInstall(ctx, reader, *plan, {}, {});
    cache::FinishCacheRun(ctx, *plan, result);
    session.printStatus();
    const bool whole =
        !result.failed && result.zipFailures.isEmpty() && result.count == int(plan->queue.size());
    return whole ? Done : NotAllDone;
}

} // namespace

int runCache(Session& session, const Invocation& call) {
    const QString what = call.args.value(0);
    const bool zipTo = call.isSet(u"zip-to"_s);
    const bool zipOnly = call.isSet(u"zip-only"_s);
    if ((zipTo || zipOnly) && what != u"install"_s)
        throw usage(u"--zip-to and --zip-only go with cache install."_s);
    if (call.isSet(u"maps"_s) && what != u"list"_s)
        throw usage(u"--maps goes with cache list."_s);
    if (what == u"list"_s) {
        if (call.args.size() != 1)
            throw usage(u"cache list takes no further argument."_s);
        session.requireData();
        session.openForWriting(false, true, RecordFiles::MustBeSound);
        const std::optional<QStringList> names =
            cache::ListCache(session.ctx(), call.isSet(u"maps"_s));
        if (!names)
            return NotAllDone;
        for (const QString& name : byName(*names))
            printOut(name);
        return Done;
    }
    if (what == u"install"_s) {
        if (zipTo && zipOnly)
            throw usage(u"--zip-to and --zip-only exclude each other."_s);
        const QString option = zipTo ? u"zip-to"_s : u"zip-only"_s;
        if ((zipTo || zipOnly) && call.value(option).isEmpty())
            throw usage(u"--"_s + option + u" needs a folder."_s);
        const cache::CacheAction action = zipTo     ? cache::CacheAction::InstallAndZip
                                          : zipOnly ? cache::CacheAction::ZipOnly
                                                    : cache::CacheAction::InstallOnly;
        std::optional<QString> folder;
        if (zipTo || zipOnly) {
            folder = absolutePath(call.value(option));
            makeOutputFolder(*folder, option);
        }
        return cacheRun(session, call, action, folder);
    }
    if (what == u"delete"_s)
        return cacheRun(session, call, cache::CacheAction::DeleteFile, std::nullopt);
    if (what == u"clear"_s) {
        if (call.args.size() != 1)
            throw usage(u"cache clear takes no further argument."_s);
        session.openForWriting();
        if (!cache::ConfirmClearCache(session.ctx())) {
            printErr(u"The cache was left as it was."_s);
            return NotAllDone;
        }
        cache::ClearCache(session.ctx());
        session.say(u"The cache is empty."_s);
        return Done;
    }
    throw usage(u"cache takes list, install, delete or clear."_s);
}

int runUz2(Session& session, const Invocation& call) {
    const QString what = call.args.value(0);
    const cache::Uz2Action action = what == u"decompress"_s ? cache::Uz2Action::Decompress
                                    : what == u"compress"_s ? cache::Uz2Action::Compress
                                                            : cache::Uz2Action::None;
    if (action == cache::Uz2Action::None)
        throw usage(u"uz2 takes compress or decompress, and the FILEs."_s);
    if (call.args.size() < 2)
        throw usage(u"uz2 "_s + what + u" needs at least one FILE."_s);
    if (call.isSet(u"to"_s) && call.value(u"to"_s).isEmpty())
        throw usage(u"--to needs a folder."_s);
    const QString outputFolder =
        call.isSet(u"to"_s) ? absolutePath(call.value(u"to"_s)) : QString();
    if (!outputFolder.isEmpty())
        makeOutputFolder(outputFolder, u"to"_s);
    // The data folder is only read: the game's System folder decides
    // between the game's tool and the codec.
    session.openForReading();
    CommandContext& ctx = session.ctx();
    QStringList lines;
    for (const QString& file : call.args.mid(1)) {
        ctx.state.ListBox3.append(absolutePath(file));
        lines.append(platform::fileNamePart(file));
    }
    if (!cache::checkUz2Selection(ctx))
        return NotAllDone;
    const cache::Uz2Run run = cache::runUz2(
        ctx, action, false, lines,
        [&session](qsizetype, const QString& line, const QString& reason) {
            // A failure is told whatever --quiet says.
            if (reason.isEmpty())
                session.say(line);
            else
                printOut(line + u"\t"_s + reason);
        },
        outputFolder);
    cache::finishUz2(ctx, run, false);
    session.printStatus();
    return run.error.isEmpty() && run.succeeded == int(lines.size()) ? Done : NotAllDone;
}

int runRedirect(Session& session, const Invocation& call) {
    if (call.args.size() != 1)
        throw usage(u"redirect takes one DIR, the redirect folder."_s);
    int jobs = QThread::idealThreadCount();
    if (call.isSet(u"jobs"_s)) {
        bool number = false;
        jobs = call.value(u"jobs"_s).toInt(&number);
        if (!number || jobs < 1)
            throw usage(u"--jobs takes a number of 1 or more, not \""_s + call.value(u"jobs"_s) +
                        u"\"."_s);
    }
    cache::RedirectOptions options;
    options.folder = absolutePath(call.args.first());
    options.prune = call.isSet(u"prune"_s);
    options.jobs = jobs;
    session.requireData();
    session.openForWriting(false, true, RecordFiles::MustBeSound);
    CommandContext& ctx = session.ctx();
    ctx.status.setStatus(u"  Compressing for "_s + options.folder);
    const cache::RedirectResult result = cache::buildRedirect(
        ctx, options, [&ctx](int done, int total) { ctx.status.setProgress(done, total); });
    ctx.status.setProgress(0, 0);
    ctx.status.setStatus({});
    // The report lists what was compressed, then pruned, then failed: the
    // failures (and a manifest left unsaved) go to standard error.
    const QStringList lines = cache::redirectReport(result);
    const qsizetype firstFailed = result.compressed.size() + result.pruned.size();
    const qsizetype endFailed = firstFailed + result.failed.size();
    const qsizetype manifestError =
        result.manifestError.isEmpty() ? -1 : lines.size() - 2; // just before the counts
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if ((i >= firstFailed && i < endFailed) || i == manifestError)
            printErr(lines[i]);
        else
            session.say(lines[i]);
    }
    return result.ok() ? Done : NotAllDone;
}

} // namespace cli

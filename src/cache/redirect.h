#pragma once

#include "core/command_context.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {
class FolderIndex;
}

/// The redirect upload folder of a dedicated server: a ".uz2" for every
/// game package that installed content placed, which clients download
/// instead of the package itself.
///
/// Which files: every installed record of mapdata.dat and somdata.dat, and
/// of its files those the extension table sends to a game folder and that
/// clients can download: the table's packages (maps .ut2, and .u, .utx,
/// .usx, .uax, .ukx). Text and settings (.int, .ini, .ucl, .upl), help
/// files, music and Karma data are never asked for by a client. A file is found in its game
/// folder ignoring case, through the folder index (one listing per folder),
/// and taken once however many records list it.
///
/// Output: "<file name>.uz2", flat in the folder, named as the file is
/// spelt on disk. The game finds packages ignoring case, so two different
/// files whose .uz2 names differ only in case (Foo.utx and FOO.utx in
/// Textures) would make the server and its clients disagree on which is
/// meant: neither is compressed, both are reported as failed, and a .uz2
/// of that name already there stays as it is.
///
/// Safety: every .uz2 is written through an atomic file in the folder
/// (a kill or a full disk leaves the old .uz2 or none, and the next run
/// removes the temporary files a kill left); a link in the folder is
/// replaced, never written through; nothing outside the folder is written.
/// A prune removes only .uz2 files the manifest says Quorvel wrote, and
/// only plain files: a .uz2 someone put there by hand may be the only copy
/// of content the records do not know (stock packages, content installed
/// by hand), so it is never removed. Nor is a file that is also the .uz2 of
/// a source still there (the same file under a name that differs in case,
/// on a case-blind file system, or a hard link).
///
/// Work: a fixed pool of worker threads, each running the built-in codec on
/// one file at a time with its own zlib streams; the calling thread alone
/// keeps the manifest, writing it atomically at most every two seconds
/// while files finish (a kill then costs at most that much work) and at
/// the end. One run at a time per folder: a lock file in it keeps a second
/// run out.
namespace cache {

/// A file of the game a client may download through a redirect: a package
/// of the extension table (catalogue::isPackageFile), any case.
bool isRedirectPackage(const QString& fileName);

/// A game file to serve, as found on disk.
struct RedirectSource {
    QString name; ///< the file's name as spelt on disk
    QString path; ///< its full path
};

/// A file that could not be served, and why.
struct RedirectFailure {
    QString name; ///< the .uz2's name (the source's name for a source not found)
    QString reason;
};

/// The sources of a redirect folder, from the records.
struct RedirectSources {
    QList<RedirectSource> files; ///< each once, by .uz2 name ignoring case
    /// Files the records list that are not in their game folder: their
    /// names (as recorded), sorted ignoring case.
    QStringList missing;
    /// Files left out because another file gives a .uz2 of the same name.
    QList<RedirectFailure> clashes;
};

/// The game files of the installed records (see the namespace comment).
/// Throws platform::Error when no game folder is set or a record file
/// cannot be read; a record file that is not there holds no records.
RedirectSources redirectSources(const AppState& state, platform::FolderIndex& folders);

struct RedirectOptions {
    QString folder;     ///< the redirect folder; made when missing (its parent must exist)
    bool prune = false; ///< remove the .uz2 files of sources that are gone
    int jobs = 0;       ///< worker threads; 0 or less: one per processor core
};

/// Told on the calling thread after each file finished compressing (or
/// failed): how many of the `total` files to compress are done.
using RedirectProgress = std::function<void(int done, int total)>;

/// What a run did; every list holds .uz2 names, sorted ignoring case.
struct RedirectResult {
    QString folder;         ///< the folder as an absolute path
    int jobs = 0;           ///< the worker threads that ran (0 when nothing was to compress)
    QStringList compressed; ///< written anew
    QStringList unchanged;  ///< left as they were: source and .uz2 as the manifest says
    QStringList pruned;     ///< removed: their source is gone
    QStringList missing;    ///< recorded files not in the game (source names)
    QList<RedirectFailure> failed;
    /// Why the manifest found in the folder was not used (every .uz2 was
    /// then compressed anew); empty when it was used or there was none.
    QString manifestProblem;
    /// Why the manifest could not be written at the end (the next run
    /// compresses again what this one did); empty when it was.
    QString manifestError;

    bool ok() const { return failed.isEmpty() && manifestError.isEmpty(); }
};

/// Makes `options.folder` a redirect folder for the installed content of
/// `state`. Throws platform::Error when the run cannot start: no game
/// folder, a record file unreadable, the folder neither there nor makeable,
/// or another run holding it. Everything after that is in the result.
RedirectResult buildRedirect(const AppState& state, platform::FolderIndex& folders,
                             const RedirectOptions& options, const RedirectProgress& progress = {});
/// The same with the context's state and folder index.
RedirectResult buildRedirect(CommandContext& ctx, const RedirectOptions& options,
                             const RedirectProgress& progress = {});

/// The lines a command-line run prints: one per file that was compressed,
/// pruned or failed ("compressed DM-Foo.ut2.uz2", "pruned ...",
/// "failed X.uz2: reason", "missing X.utx"), the manifest's problems, and a
/// last line with the counts.
QStringList redirectReport(const RedirectResult& result);

} // namespace cache

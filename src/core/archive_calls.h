#pragma once

#include "archive/archive_result.h"
#include "core/command_context.h"

#include <QString>
#include <QStringList>

/// The one way commands call the zip and rar components: each call sets
/// the component's options and events for itself and puts back what it
/// found on every way out, and returns what came of it. Progress shows the
/// caller's prefix + the entry's file name in the context's status line; the
/// rar password is asked through the context's dialogs.
namespace core {

/// What to extract and how.
struct ExtractRequest {
    QString archive; ///< path of the zip or rar (told apart by extension, any case)
    QString target;  ///< folder the entries are written below
    /// Stored names of the entries to extract (folder part included); empty
    /// extracts every entry.
    QStringList only;
    /// Zip: recreate the entries' folders (and the target when missing).
    /// Rar entries always keep their folders.
    bool keepFolders = false;
    /// Nothing for the user: no error box of the zip component, no
    /// password question (an encrypted entry then fails), no status text.
    bool quiet = false;
    /// What the status shows before each entry's file name.
    QString statusPrefix = {};
    /// At most this many bytes, by the sizes the archive declares (-1: the
    /// components' own bound); more extracts nothing.
    qint64 maxBytes = -1;
};

/// The archive type of a path: its extension, lower case, dot included.
QString archiveType(const QString& path);

/// Extracts `request.archive`. An archive that is neither zip nor rar
/// extracts nothing and is not ok.
archives::ArchiveResult ExtractArchive(CommandContext& ctx, const ExtractRequest& request);

/// The entry names of an archive, in archive order, and how the reading
/// went: a zip's central directory (stored names), a rar's listing (names
/// with "/" separators; the names read before a failure are kept).
struct ArchiveListing {
    archives::ArchiveResult result;
    QStringList entries;
    /// The entries extraction writes as files (no folder entries, no
    /// links), in archive order: what an install can place.
    QStringList files;
};
/// `quiet`: no error box of the zip component.
ArchiveListing ListArchive(CommandContext& ctx, const QString& path, bool quiet = false);
/// The listing of the zip at `path` read with `zip`, which the caller owns:
/// a component of its own (no box when Unattended, no status) lets a worker
/// thread list one zip while another lists the next.
ArchiveListing ListZipWith(archives::TZipMaster& zip, const QString& path);

/// Adds the files matching `fileSpecs` (paths whose file-name part may
/// hold wildcards) to the zip `zipPath` under their bare names, creating
/// it when missing; progress as for extraction, after `statusPrefix`.
/// `quiet`: no error box of the zip component (the caller says what failed).
archives::ArchiveResult AddToZip(CommandContext& ctx, const QString& zipPath,
                                 const QStringList& fileSpecs, bool quiet = false,
                                 const QString& statusPrefix = {});

} // namespace core

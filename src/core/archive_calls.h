#pragma once

#include "archive/archive_backend.h"
#include "core/command_context.h"

#include <QString>
#include <QStringList>

/// The one way commands call the archive components: each call goes to the
/// backend of the archive's format (archive/archive_formats.h), which sets
/// the component's options and events for itself and puts back what it
/// found on every way out, and returns what came of it. Progress shows the
/// caller's prefix + the entry's file name in the context's status line; a
/// password, for the formats that take one (rar), is asked through the
/// context's dialogs.
namespace core {

/// What to extract and how.
struct ExtractRequest {
    QString archive; ///< path of the archive (its format told by extension, any case)
    QString target;  ///< folder the entries are written below
    /// Stored names of the entries to extract (folder part included); empty
    /// extracts every entry.
    QStringList only;
    /// Recreate the entries' folders (and the target when missing). Only
    /// the formats that extract flat (zip) can drop them; rar entries
    /// always keep their folders.
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

/// Extracts `request.archive`. A file of no archive format extracts
/// nothing and is not ok.
archives::ArchiveResult ExtractArchive(CommandContext& ctx, const ExtractRequest& request);

/// The entry names of an archive and how the reading went.
using ArchiveListing = archives::ArchiveListing;
/// `quiet`: no error box of the zip component.
ArchiveListing ListArchive(CommandContext& ctx, const QString& path, bool quiet = false);
/// Adds the files matching `fileSpecs` (paths whose file-name part may
/// hold wildcards) to the archive `zipPath`, of the format Create Zip
/// writes (archives::writtenFormat), under their bare names, creating
/// it when missing; progress as for extraction, after `statusPrefix`.
/// `quiet`: no error box of the zip component (the caller says what failed).
archives::ArchiveResult AddToZip(CommandContext& ctx, const QString& zipPath,
                                 const QStringList& fileSpecs, bool quiet = false,
                                 const QString& statusPrefix = {});

} // namespace core

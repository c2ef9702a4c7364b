#pragma once

#include "archive/archive_result.h"
#include "archive/safe_path.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/// What commands ask of an archive component, whatever its format: the
/// zip and rar components differ in every signature, so each sits behind
/// a backend that sets its options and events for one call and puts back
/// what it found on every way out.
namespace archives {

/// One call on a backend.
struct ArchiveJob {
    QString archive; ///< the archive's path
    /// Extract: the folder the entries are written below.
    QString target;
    /// Extract: stored names of the entries to extract (empty: every entry).
    /// Add: paths of the files to add, whose file-name part may hold
    /// wildcards.
    QStringList names;
    /// Extract: recreate the entries' folders (and the target when
    /// missing). A format without FlatExtract always keeps them.
    bool keepFolders = false;
    /// The component shows no error box of its own.
    bool noBoxes = false;
    /// Extract: at most this many bytes, by the sizes the archive declares
    /// (-1: the component's own bound).
    qint64 maxBytes = -1;
    /// Before each entry is extracted or added; empty: nothing is told.
    std::function<void(const QString& entry)> progress = {};
    /// Asked when the archive needs a password; empty, or nullopt from
    /// it, gives no password (an encrypted entry then fails).
    std::function<std::optional<QString>()> password = {};
};

/// The entry names of an archive, in archive order, and how the reading
/// went: a zip's central directory (stored names), a rar's listing (names
/// with "/" separators; the names read before a failure are kept).
struct ArchiveListing {
    ArchiveResult result;
    QStringList entries;
    /// The entries extraction writes as files (no folder entries, no
    /// links), in archive order: what an install can place.
    QStringList files;
};

/// A component seen through the calls commands make. What a format's
/// backend cannot do (see ArchiveFormat::abilities) it answers with a
/// failed result.
class ArchiveBackend {
public:
    virtual ~ArchiveBackend() = default;

    virtual ArchiveResult extract(const ArchiveJob& job) = 0;
    virtual ArchiveListing list(const ArchiveJob& job) = 0;
    /// Adds `job.names` to `job.archive`, creating it when missing.
    virtual ArchiveResult add(const ArchiveJob& job);

    /// The component's bounds of extraction; `freeSpace` stands in for the
    /// disk in tests.
    virtual ExtractionLimits& limits() = 0;
    /// The folder the component extracts to when a call names none.
    virtual void setDefaultTarget(const QString& folder) = 0;

protected:
    ArchiveBackend() = default;
    ArchiveBackend(const ArchiveBackend&) = delete;
    ArchiveBackend& operator=(const ArchiveBackend&) = delete;
};

} // namespace archives

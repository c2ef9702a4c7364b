// The three archive scans: find the archives of a folder, record and
// classify the new ones, write back what the rules keep.
#include "intake/scan.h"

#include "archive/archive_formats.h"
#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/content_db.h"
#include "core/content_kinds.h"
#include "core/temp_folder.h"
#include "intake/archives_ahead.h"
#include "intake/folder_search.h"
#include "intake/scan_rules.h"
#include "platform/file_helpers.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <functional>
#include <optional>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

// One new archive under examination: its record and the tallies of the
// classification.
class ArchiveExam {
public:
    ArchiveExam(CommandContext& ctx, const catalogue::KindDescriptor& rules, TContentRecord& rec,
                const QString& path, const archives::ArchiveFormat& format)
        : ctx_(ctx), rules_(rules), rec_(rec), path_(path), format_(format) {}

    /// `ahead`: what a worker already read of this archive, if anything.
    void examine(std::optional<ArchiveAhead> ahead);
    /// Settles the name and kind; returns the reason when refused.
    std::optional<int> finish();

private:
    void classify(const QString& storedName, const QString& recordedName);
    void takeName(const QString& storedName, const QString& recordedName);
    void extractAlone(const QString& storedName);

    CommandContext& ctx_;
    const catalogue::KindDescriptor& rules_;
    TContentRecord& rec_;
    const QString path_;
    const archives::ArchiveFormat& format_;
    int reason_ = RejectUnknownFile;
    bool rejected_ = false;
    int requiredCount_ = 0;
};

void ArchiveExam::examine(std::optional<ArchiveAhead> ahead) {
    if (!format_.probe) {
        // Without a look ahead, any archive of the format that is refused
        // is said to be no valid one.
        reason_ = RejectInvalidArchive;
    } else if ((ahead ? ahead->probe : format_.probe(path_)) < 1) {
        reason_ = RejectInvalidArchive;
        rejected_ = true;
        return;
    }
    // An archive the worker could not list is listed again here, where the
    // component says why in its box. The result is not judged: the names
    // listed before a failure count.
    const core::ArchiveListing listing =
        ahead && ahead->listing ? std::move(*ahead->listing) : core::ListArchive(ctx_, path_);
    if (listing.entries.size() > MaxArchiveEntries) {
        reason_ = RejectTooManyFiles;
        rejected_ = true;
        return;
    }
    // Only what an install can place is recorded: an uninstall deletes by
    // these names, and a folder or link entry names no placed file. A
    // format that extracts flat is recorded by bare names.
    const bool flat = format_.can(archives::Ability::FlatExtract);
    for (const QString& stored : listing.files)
        classify(stored, flat ? bareName(stored) : stored);
}

void ArchiveExam::classify(const QString& storedName, const QString& recordedName) {
    rec_.Files.append(recordedName);
    rec_.FileCount = static_cast<qint32>(rec_.Files.size());
    const QString ext = entryExtension(storedName);
    if (ext == QLatin1String(rules_.nameExt)) {
        takeName(storedName, recordedName);
    } else if (catalogue::isRefusedInstaller(ext)) {
        reason_ = RejectUnsupported;
        rejected_ = true;
    }
    if (ext == QLatin1String(rules_.requiredExt))
        ++requiredCount_;
}

void ArchiveExam::takeName(const QString& storedName, const QString& recordedName) {
    switch (rules_.nameSource) {
    case catalogue::NameSource::EntryName:
        rec_.DisplayName = recordedName;
        break;
    case catalogue::NameSource::EntryStem: {
        const QString bare = bareName(storedName);
        rec_.DisplayName = bare.left(std::max<qsizetype>(bare.size() - 4, 0));
        break;
    }
    case catalogue::NameSource::IntDescription:
        extractAlone(storedName);
        rec_.DisplayName = ReadIntName(ctx_, storedName);
        break;
    }
}

// Extracts one entry into TempDir, where ReadIntName expects it.
void ArchiveExam::extractAlone(const QString& storedName) {
    core::ExtractRequest request;
    request.archive = path_;
    request.target = ctx_.state.TempDir; // where ReadIntName looks
    request.only = QStringList{storedName};
    core::ExtractArchive(ctx_, request);
    if (format_.can(archives::Ability::FlatExtract))
        return;
    // Every pass brings the files up one level, so an .int however deep
    // in the archive reaches TempDir.
    core::FlattenTempFolderFully(ctx_);
}

std::optional<int> ArchiveExam::finish() {
    if (rules_.manyRequiredNamesArchive && requiredCount_ > 1)
        rec_.DisplayName = rec_.ArchiveName;
    std::optional<int> refused;
    if (rejected_ || requiredCount_ < 1) {
        rec_.Kind = 10;
        refused = reason_;
    }
    if (rules_.archiveNameWhenNameless && rec_.DisplayName.isEmpty())
        rec_.DisplayName = rec_.ArchiveName;
    return refused;
}

// An existing file, links followed; a folder is not one. A plain stat:
// the write-back asks this for every record of the database.
bool isFileOnDisk(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

/// A path the folder search found, taken apart and judged once, before
/// anything is examined: the zips read ahead are exactly those examined.
/// Found paths use "/" only; a "\" is part of a Linux file name.
struct FoundPath {
    FoundPath(const QString& found, const QSet<QString>& known) : path(found) {
        const qsizetype slash = path.lastIndexOf(u'/');
        name = path.mid(slash + 1);
        dir = path.left(slash + 1);
        format = archives::formatOf(name);
        if (!format) {
            logText = notAnArchiveText();
        } else if (!known.contains(name)) {
            logText = placeTooLongText(dir, name);
            examine = logText.isEmpty();
        }
    }
    QString path;
    QString name;
    QString dir;
    const archives::ArchiveFormat* format = nullptr;
    /// A new archive whose place fits its record.
    bool examine = false;
    bool readsAhead() const { return format && format->can(archives::Ability::ReadAhead); }
    /// What error.log says of a path that is not examined; empty for one
    /// already known.
    QString logText;
};

/// The record file as the scan found it.
struct LoadedRecords {
    QList<TContentRecord> records;
    /// The file was there (a scan that keeps every record and adds none
    /// leaves an existing file alone).
    bool exists = false;
};

/// Starts the folder search on its worker and reads the record file
/// meanwhile; nothing the search reports is looked at before the file is
/// in. A failed read stops the search and throws.
LoadedRecords startSearchAndLoad(CommandContext& ctx, TmFileScan& scan,
                                 catalogue::ContentKind kind) {
    const AppState& s = ctx.state;
    const QString dbPath = catalogue::recordFile(s, kind);
    scan.SubDirs = s.ScanSubDirs;
    StartFolderSearch(scan, catalogue::archiveFolder(s, kind), archives::archiveMasks());
    LoadedRecords loaded;
    loaded.exists = QFileInfo::exists(dbPath);
    // A kind with its record file alone (the maps) takes a missing file as
    // empty; the others need their file.
    const bool missingIsEmpty =
        catalogue::describe(kind).writeBack == catalogue::WriteBackRule::OwnFile;
    try {
        if (loaded.exists || !missingIsEmpty)
            loaded.records = content_db::ReadAll(dbPath);
    } catch (...) {
        scan.AbortSearch();
        throw;
    }
    return loaded;
}

/// What becomes of each path found, decided once.
QList<FoundPath> judgePaths(const QStringList& found, const QList<TContentRecord>& loaded) {
    // Only what was loaded counts as known: two new archives of one name
    // in two folders are both recorded.
    QSet<QString> known;
    known.reserve(loaded.size());
    for (const TContentRecord& rec : loaded)
        known.insert(rec.ArchiveName);
    QList<FoundPath> paths;
    paths.reserve(found.size());
    for (const QString& path : found)
        paths.append(FoundPath(path, known));
    return paths;
}

/// The records of the new archives among `paths`, each examined; what is
/// not examined or refused gets its line for error.log in `log`.
QList<TContentRecord> examineNew(CommandContext& ctx, catalogue::ContentKind kind,
                                 const QList<FoundPath>& paths, QStringList& log) {
    const catalogue::KindDescriptor& rules = catalogue::describe(kind);
    // The archives to examine whose format reads ahead are read on worker
    // threads in the order they are examined.
    QStringList readAhead;
    for (const FoundPath& f : paths) {
        if (f.examine && f.readsAhead())
            readAhead.append(f.path);
    }
    ArchivesAhead ahead(readAhead, ScanThreads());
    const QString today = ctx.clock().todayText();
    QList<TContentRecord> added;
    added.reserve(paths.size());
    for (const FoundPath& f : paths) {
        if (!f.logText.isEmpty())
            log.append(f.path + f.logText);
        if (!f.examine)
            continue;
        TContentRecord rec;
        rec.ArchiveName = f.name;
        rec.ArchiveDir = f.dir;
        if (rules.nameIsArchiveName)
            rec.DisplayName = f.name;
        rec.Installed = 0;
        rec.Kind = rules.newRecordKind;
        rec.AddedDate = today;
        ArchiveExam exam(ctx, rules, rec, f.path, *f.format);
        exam.examine(f.readsAhead() ? std::optional(ahead.next()) : std::nullopt);
        if (const std::optional<int> reason = exam.finish())
            log.append(f.path + rejectText(rules, *reason, f.format->word));
        added.append(std::move(rec));
    }
    return added;
}

/// Writes back the records the rules keep, loaded ones first; returns the
/// names of the added ones kept.
QStringList writeBack(const AppState& s, catalogue::ContentKind kind, const LoadedRecords& loaded,
                      QList<TContentRecord> added,
                      const std::function<bool(const QString&)>& isFile) {
    const WriteBackInput in{s, isFile};
    QList<TContentRecord> kept;
    kept.reserve(loaded.records.size() + added.size());
    for (const TContentRecord& rec : loaded.records) {
        if (keepRecord(kind, rec, in))
            kept.append(rec);
    }
    const qsizetype keptLoaded = kept.size();
    QStringList recorded;
    for (TContentRecord& rec : added) {
        if (keepRecord(kind, rec, in)) {
            recorded.append(rec.ArchiveName);
            kept.append(std::move(rec));
        }
    }
    // Every loaded record kept and nothing added: the file already holds
    // these records and is left alone. A rewrite would give the same bytes,
    // or differ only where the reader ignores or decodes alike (bytes after
    // a text, a trailing part of a record, Windows-1252 texts that would
    // become UTF-8 and might then be cut), so the file is worth more
    // unchanged.
    const bool unchanged = keptLoaded == loaded.records.size() && kept.size() == keptLoaded;
    if (!loaded.exists || !unchanged)
        content_db::WriteAll(catalogue::recordFile(s, kind), kept);
    return recorded;
}

ScanResult runScan(CommandContext& ctx, TmFileScan& scan, catalogue::ContentKind kind) {
    const LoadedRecords loaded = startSearchAndLoad(ctx, scan, kind);
    const QStringList found = WaitForFolderSearch(scan);
    ScanResult result;
    QList<TContentRecord> added =
        examineNew(ctx, kind, judgePaths(found, loaded.records), result.ErrorLogLines);
    // The search has just listed the folders: what it found as a plain
    // file exists; everything else is looked up on disk.
    QSet<QString> plainFound;
    plainFound.reserve(found.size());
    for (const QString& path : found) {
        if (!scan.NotPlainFiles().contains(path))
            plainFound.insert(path);
    }
    result.recorded =
        writeBack(ctx.state, kind, loaded, std::move(added), [&plainFound](const QString& path) {
            return plainFound.contains(path) || isFileOnDisk(path);
        });
    return result;
}
} // namespace

ScanResult ScanArchives(CommandContext& ctx, TmFileScan& scan, catalogue::ContentKind kind) {
    return runScan(ctx, scan, kind);
}

ScanResult ScanMapArchives(CommandContext& ctx, TmFileScan& scan) {
    return runScan(ctx, scan, catalogue::ContentKind::Maps);
}

ScanResult ScanMutatorArchives(CommandContext& ctx, TmFileScan& scan) {
    return runScan(ctx, scan, catalogue::ContentKind::Mutators);
}

ScanResult ScanSkinArchives(CommandContext& ctx, TmFileScan& scan) {
    return runScan(ctx, scan, catalogue::ContentKind::Skins);
}

} // namespace intake

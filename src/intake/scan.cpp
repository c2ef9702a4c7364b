// The three archive scans: find the archives of a folder, record and
// classify the new ones, write back what the rules keep.
#include "intake/scan.h"

#include "archive/archive_formats.h"
#include "core/archive_calls.h"
#include "core/content_catalogue.h"
#include "core/content_db.h"
#include "core/temp_folder.h"
#include "intake/archives_ahead.h"
#include "intake/folder_search.h"
#include "intake/scan_rules.h"
#include "platform/file_helpers.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <optional>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace intake {

namespace {

// FlattenTempFolder ends when a pass can change nothing; the bound only
// guards against a folder tree that keeps changing under it.
constexpr int MaxFlattenPasses = 4096;

// One new archive under examination: its record and the tallies of the
// classification.
class ArchiveExam {
public:
    ArchiveExam(CommandContext& ctx, const ScanRules& rules, TContentRecord& rec,
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
    const ScanRules& rules_;
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
    switch (rules_.kind) {
    case ScanKind::Maps:
        rec_.DisplayName = recordedName;
        break;
    case ScanKind::Skins: {
        const QString bare = bareName(storedName);
        rec_.DisplayName = bare.left(std::max<qsizetype>(bare.size() - 4, 0));
        break;
    }
    case ScanKind::Mutators:
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
    for (int pass = 0; pass < MaxFlattenPasses && !core::FlattenTempFolder(ctx_); ++pass) {
    }
}

std::optional<int> ArchiveExam::finish() {
    if (rules_.kind == ScanKind::Maps && requiredCount_ > 1)
        rec_.DisplayName = rec_.ArchiveName;
    std::optional<int> refused;
    if (rejected_ || requiredCount_ < 1) {
        rec_.Kind = 10;
        refused = reason_;
    }
    if (rules_.kind == ScanKind::Mutators && rec_.DisplayName.isEmpty())
        rec_.DisplayName = rec_.ArchiveName;
    return refused;
}

// An existing file, links followed; a folder is not one. A plain stat:
// the write-back asks this for every record of the database.
bool isFileOnDisk(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString folderOf(const ScanRules& rules, const AppState& s) {
    switch (rules.kind) {
    case ScanKind::Maps:
        return s.CustomMapDir;
    case ScanKind::Mutators:
        return s.MutatorDir;
    case ScanKind::Skins:
        return s.CustomSkinDir;
    }
    return {};
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

QStringList runScan(CommandContext& ctx, TmFileScan& scan, ScanKind kind) {
    AppState& s = ctx.state;
    const ScanRules& rules = rulesFor(kind);
    const bool maps = kind == ScanKind::Maps;
    const QString dbPath = maps ? s.mapDataPath() : s.modDataPath();
    // The worker walks the folders while this thread reads the database;
    // nothing the search reports is looked at before the database is in.
    scan.SubDirs = s.ScanSubDirs;
    StartFolderSearch(scan, folderOf(rules, s), archives::archiveMasks());
    // The map scan takes a missing mapdata.dat as empty; the others need
    // their file.
    const bool exists = QFileInfo::exists(dbPath);
    QList<TContentRecord> loaded;
    try {
        if (exists || !maps)
            loaded = content_db::ReadAll(dbPath);
    } catch (...) {
        scan.AbortSearch();
        throw;
    }

    // Only what was loaded counts as known: two new archives of one name
    // in two folders are both recorded.
    QSet<QString> known;
    known.reserve(loaded.size());
    for (const TContentRecord& rec : loaded)
        known.insert(rec.ArchiveName);

    const QStringList found = WaitForFolderSearch(scan);

    // What becomes of each path found, decided once: the archives to
    // examine whose format reads ahead are read on worker threads in the
    // same order.
    QList<FoundPath> paths;
    paths.reserve(found.size());
    QStringList readAhead;
    for (const QString& path : found) {
        paths.append(FoundPath(path, known));
        if (paths.last().examine && paths.last().readsAhead())
            readAhead.append(path);
    }
    ArchivesAhead ahead(readAhead, ScanThreads());

    const QString today = ctx.clock().todayText();
    QList<TContentRecord> added;
    added.reserve(found.size());
    for (const FoundPath& f : paths) {
        const QString& path = f.path;
        if (!f.logText.isEmpty())
            s.ErrorLogLines.append(path + f.logText);
        if (!f.examine)
            continue;
        TContentRecord rec;
        rec.ArchiveName = f.name;
        rec.ArchiveDir = f.dir;
        if (rules.nameIsArchiveName)
            rec.DisplayName = f.name;
        rec.Installed = 0;
        rec.Kind = rules.newKind;
        rec.AddedDate = today;
        ArchiveExam exam(ctx, rules, rec, path, *f.format);
        exam.examine(f.readsAhead() ? std::optional(ahead.next()) : std::nullopt);
        if (const std::optional<int> reason = exam.finish())
            s.ErrorLogLines.append(path + rejectText(rules, *reason, f.format->word));
        added.append(std::move(rec));
    }

    // The search has just listed the folders: what it found as a plain
    // file exists; everything else is looked up on disk.
    QSet<QString> plainFound;
    plainFound.reserve(found.size());
    for (const QString& path : found) {
        if (!scan.NotPlainFiles().contains(path))
            plainFound.insert(path);
    }
    const WriteBackInput in{s, [&plainFound](const QString& path) {
                                return plainFound.contains(path) || isFileOnDisk(path);
                            }};
    QList<TContentRecord> kept;
    kept.reserve(loaded.size() + added.size());
    for (const TContentRecord& rec : loaded) {
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
    const bool unchanged = keptLoaded == loaded.size() && kept.size() == keptLoaded;
    if (!exists || !unchanged)
        content_db::WriteAll(dbPath, kept);
    return recorded;
}
} // namespace

QStringList ScanMapArchives(CommandContext& ctx, TmFileScan& scan) {
    return runScan(ctx, scan, ScanKind::Maps);
}

QStringList ScanMutatorArchives(CommandContext& ctx, TmFileScan& scan) {
    return runScan(ctx, scan, ScanKind::Mutators);
}

QStringList ScanSkinArchives(CommandContext& ctx, TmFileScan& scan) {
    return runScan(ctx, scan, ScanKind::Skins);
}

} // namespace intake

#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Where extraction may write, how much, and how a file is written so that a
// failure never leaves half of it behind. Shared by the zip and rar
// components.

namespace archives {

/// The folder parts and file name of an archive entry, made safe to write
/// below a target folder: "/" and "\" both separate, drive letters, empty
/// parts, "." and ".." are dropped. Empty when nothing usable remains.
QStringList safeEntryParts(const QString& entryName);

/// Where an entry is written below `base`: with its folder parts when
/// `keepFolders`, else under its bare name. Empty when the entry has no
/// usable name (it is then skipped). The result never leaves `base`; an
/// empty `base` is the working folder, named by its full path.
QString confinedTarget(const QString& base, const QString& entryName, bool keepFolders);

/// Bounds an extraction checks before it writes anything.
struct ExtractionLimits {
    /// The most entries one archive may hold: 65535 is what a zip without
    /// Zip64 extensions can record, far above any game package (a few
    /// thousand files at most). More means a damaged or hostile archive,
    /// whose files would take minutes and fill the folder's inodes.
    static constexpr qint64 DefaultMaxEntries = 65535;

    /// The most bytes one archive may write, by the sizes it declares (or,
    /// where it declares none, by what it writes): 4 GiB, and never more
    /// than 1,000 times the archive's own size. A game package compresses
    /// a few times at most; a few kilobytes that unpack to gigabytes are a
    /// bomb that would fill the disk.
    static constexpr qint64 DefaultMaxBytes = qint64(4) << 30;
    static constexpr qint64 DefaultMaxRatio = 1000;

    qint64 maxEntries = DefaultMaxEntries;
    qint64 maxBytes = DefaultMaxBytes;
    qint64 maxRatio = DefaultMaxRatio;
    /// Free bytes, for an unprivileged writer, of the file system holding
    /// a folder; negative when unknown. Empty: `freeSpaceOf`.
    std::function<qint64(const QString& folder)> freeSpace;

    /// What an archive of `archiveSize` bytes may write: the smaller of
    /// maxBytes and maxRatio times its size.
    qint64 allowedBytes(qint64 archiveSize) const;
};

/// Why an archive that would write `bytes` is refused: "Nothing was
/// extracted from <archive>", the sizes, and what to do.
QString tooLargeText(const QString& archive, qint64 bytes, qint64 allowed, bool beforeWriting);

/// What QStorageInfo reports as available on the file system of `folder`
/// (of its nearest existing parent while it does not exist yet); -1 when
/// that cannot be told.
qint64 freeSpaceOf(const QString& folder);

/// The room an extraction into one folder may take, probed once. A file of
/// n declared bytes counts n rounded up to whole 4 KiB blocks (many tiny
/// files take far more disk than their bytes), and the total must leave a
/// reserve free: 5% of it, at least 64 MiB, so the extraction never
/// takes the last space the system and the later placement need.
class ExtractionBudget {
public:
    static constexpr qint64 BlockSize = 4096;
    static constexpr qint64 MinReserve = qint64(64) << 20;
    static constexpr int ReservePercent = 5;

    ExtractionBudget(const ExtractionLimits& limits, const QString& folder);

    /// Counts a file of `declaredSize` bytes.
    void addFile(quint64 declaredSize);
    /// Counts `bytes` written beyond what was declared (data of unknown size).
    void addBytes(qint64 bytes);
    /// The bytes counted so far as they are, without rounding to blocks.
    qint64 bytes() const { return bytes_; }
    /// The counted total and its reserve fit the free space (or the free
    /// space is unknown: nothing is refused then).
    bool fits() const;

    qint64 total() const { return total_; }
    qint64 reserve() const;
    qint64 free() const { return free_; }
    /// "It needs X (Y of them kept in reserve), but only Z are free on the
    /// disk of\r<folder>", for the components' error texts.
    QString shortageText() const;

private:
    QString folder_;
    qint64 free_ = -1;
    qint64 total_ = 0;
    qint64 bytes_ = 0;
};

/// A file written under a temporary name in the folder of its target and
/// renamed over the target by `commit`, so no failure (a damaged entry, a
/// full disk, an exception) leaves a half-written file or spoils a file
/// already there. The temporary file is removed unless committed. No sync:
/// extraction fills a scratch folder, whose files are placed elsewhere
/// later.
class PendingFile {
public:
    explicit PendingFile(const QString& target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    /// Creates the temporary file (new, never an existing one).
    bool open();
    /// Path of the temporary file (empty before `open`).
    QString tempPath() const { return file_.fileName(); }
    /// The open temporary file, for writing.
    QFile& file() { return file_; }
    /// Closes the temporary file (if open) and renames it over the target.
    bool commit();
    /// Why the last step failed.
    QString errorString() const { return error_; }

private:
    QString target_;
    QFile file_;
    QString error_;
    bool committed_ = false;
};

} // namespace archives

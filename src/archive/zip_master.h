#pragma once

#include "archive/safe_path.h"

#include <QFlags>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

struct zip; // libzip's archive handle (zip_t)

namespace platform {
class Dialogs;
}

namespace archives {

/// The zip component: reads the directory of a zip archive, extracts
/// entries into a folder and adds files to an archive (libzip underneath).
///
/// Extract selects entries by `FSpecArgs`: empty, or a first item "*.*",
/// selects all. Otherwise an item selects an entry when it matches the
/// entry's whole stored name, folder part included, ignoring case, with "\"
/// and "/" alike; "*" and "?" are wildcards and "*" also spans folders. So
/// "DM-X.ut2" does not find "maps/DM-X.ut2", but "maps\dm-x.ut2" and
/// "*.ut2" do. Nothing selected is not an error.
///
/// Extraction never writes outside `ExtrBaseDir`: names are confined
/// (drive letters, absolute paths and ".." dropped), link entries are
/// skipped (nothing is written for them), folder entries only make folders
/// (with ExtrDirNames), an existing link at a target is replaced rather
/// than followed, and a link among the folders below the base is refused.
/// Existing files are replaced; in flat extraction a later entry with the
/// same bare name replaces the earlier one (both count as processed). A
/// file is written under a temporary name and renamed, so a damaged entry
/// never leaves a half-written file behind.
///
/// Nor can an archive fill the disk: an entry never writes more than its
/// declared size, and nothing at all is written when the archive holds
/// more than `Limits.maxEntries` entries or when the declared sizes of the
/// selected files would not fit the free space of ExtrBaseDir's file
/// system, less a reserve (see ExtractionBudget).
///
/// Errors set `ErrorCode` above 10 (see ZipError) and, unless `Unattended`
/// or no Dialogs was given, show an error box.
class TZipMaster {
public:
    enum ExtrOption {
        ExtrDirNames = 0x1,  ///< recreate the entries' folder parts
        ExtrForceDirs = 0x2, ///< create ExtrBaseDir when missing
    };
    Q_DECLARE_FLAGS(ExtrOpts, ExtrOption)

    /// Values of ErrorCode(); 0 is success.
    enum ZipError : int {
        ZipErrNoArchiveName = 11, ///< ZipFileName is empty
        ZipErrOpenArchive = 12,   ///< the archive is missing, unreadable or has no zip directory
        ZipErrNoExtractDir = 13,  ///< ExtrBaseDir is missing and ExtrForceDirs is not set
        ZipErrMakeDir = 14,       ///< a folder could not be created
        ZipErrReadEntry =
            15, ///< an entry could not be decompressed (damaged, encrypted, unknown method)
        ZipErrWriteFile = 16,      ///< an extracted file could not be written
        ZipErrNothingToAdd = 17,   ///< Add: no file matched FSpecArgs
        ZipErrCreateArchive = 18,  ///< Add: the archive could not be opened or created
        ZipErrReadFile = 19,       ///< Add: a file to add could not be read
        ZipErrWriteArchive = 20,   ///< Add: the archive could not be written
        ZipErrEntryTooLarge = 21,  ///< an entry's data goes past its declared size (a zip bomb)
        ZipErrNoSpace = 22,        ///< the selected files would not fit the free disk space
        ZipErrTooManyEntries = 23, ///< the archive holds more than Limits.maxEntries entries
        ZipErrTooLarge = 24,       ///< the selected files would write more than Limits allow
        ZipErrOverlap = 25,        ///< entries share their data (a bomb)
    };

    /// Called per item while it is processed: with 0 when its work starts
    /// and 100 when it is done. Item is the stored entry name (Extract) or
    /// the file's path (Add). An exception thrown by it ends the operation
    /// and reaches the caller; an Add then leaves the archive unchanged.
    using ItemProgress = std::function<void(const QString& item, qint64 totalSize, int perCent)>;

    /// `dialogs` shows error boxes; nullptr keeps the component silent.
    explicit TZipMaster(platform::Dialogs* dialogs = nullptr);

    /// Sets the archive and reads its central directory at once. An archive
    /// that cannot be read leaves EntryCount 0 and reports ZipErrOpenArchive;
    /// a missing one (Add creates it) only leaves EntryCount 0.
    void setZipFileName(const QString& path);
    const QString& ZipFileName() const { return zipFileName_; }

    /// Number of entries of the directory read (0 when none was read).
    int EntryCount() const { return int(entryNames_.size()); }
    /// The stored name of entry i (folder part included), in
    /// central-directory order; empty when i is out of range.
    QString EntryName(int i) const { return entryNames_.value(i); }
    /// Whether Extract writes entry i as a file: not a folder entry and
    /// not a link (which is never created).
    bool EntryIsFile(int i) const { return entryIsFile_.value(i); }

    /// Extracts the selected entries of ZipFileName into ExtrBaseDir.
    /// Returns ErrorCode(). FSpecArgs is emptied.
    int Extract();
    /// Adds the files matching FSpecArgs (paths whose file-name part may
    /// hold wildcards; no recursion, folders skipped) under their bare
    /// names, creating ZipFileName when missing. An entry of the same name
    /// (ignoring case) is replaced. Returns ErrorCode(). FSpecArgs is
    /// emptied; the directory is read again after success.
    int Add();

    int ErrorCode() const { return errorCode_; }
    /// What the last operation failed with, in words; empty after success.
    const QString& ErrorText() const { return errorText_; }
    /// Files the last Extract or Add processed (0 after Add failed).
    int SuccessCount() const { return successCount_; }

    QStringList FSpecArgs;
    QString ExtrBaseDir;
    ExtrOpts ExtrOptions;
    /// Deflate level of Add, 1..9; 0 stores every file.
    int AddCompLevel = 9;
    /// Suffixes (without dot, any case) that Add stores uncompressed.
    QStringList AddStoreSuffixes;
    bool Unattended = false;
    ItemProgress OnItemProgress;
    /// Bounds of Extract; `Limits.freeSpace` lets tests stand in for the disk.
    ExtractionLimits Limits;

private:
    class Selection;
    /// A selected entry, with its declared size (-1: unknown).
    struct PlannedEntry {
        quint64 index;
        QString name;
        qint64 size;
    };

    void begin();
    /// Starts an Extract or Add: resets the results and takes (and empties)
    /// FSpecArgs. False, with the failure reported, when no archive is named.
    bool beginOperation(QStringList& fileSpecs);
    void fail(int code, const QString& text);
    void finish();
    void readDirectory(bool quiet);
    /// The selected entries to write, in directory order; empty, with the
    /// failure reported, when the limits refuse the extraction.
    QList<PlannedEntry> planExtraction(zip* archive, const Selection& selection,
                                       const QString& base);
    void extractEntry(zip* archive, const PlannedEntry& planned, const QString& base,
                      QByteArray& buffer, QSet<QString>& madeFolders);
    bool storedSuffix(const QString& name) const;

    platform::Dialogs* dialogs_;
    QString zipFileName_;
    QStringList entryNames_;
    QList<bool> entryIsFile_;
    int errorCode_ = 0;
    QString errorText_;
    int successCount_ = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TZipMaster::ExtrOpts)

} // namespace archives

#pragma once

#include "archive/rar_header_scan.h"
#include "archive/safe_path.h"

#include <QString>
#include <QStringList>

#include <functional>

// Pieces shared by the two rar backends of `TdRar3`: libarchive in the
// program, and the unrar library in its helper program (UnrarRun).

namespace archives {

/// The entry names `TdRar3::Extract` extracts: sorted ignoring case,
/// duplicates (ignoring case) dropped. Names are whole stored names with
/// "/" separators; a "\" given here is taken as "/".
class RarFileList {
public:
    /// Adds `name` in sorted place; ignored when already there.
    void add(const QString& name);
    void clear() { names_.clear(); }
    bool isEmpty() const { return names_.isEmpty(); }
    qsizetype count() const { return names_.size(); }
    const QString& at(qsizetype i) const { return names_.at(i); }
    /// True when the list holds `name`, ignoring case.
    bool contains(const QString& name) const;
    const QStringList& items() const { return names_; }

private:
    qsizetype lowerBound(const QString& name) const;

    QStringList names_;
};

/// What a backend does with the entry it just read.
enum class RarEntryAction { Skip, Extract };

/// Called once per entry (links excluded) with its name; fires the
/// component's event and says whether to extract the entry.
using RarEntryHandler = std::function<RarEntryAction(const QString& entryName)>;

/// An entry name as callers see it: "\" turned into "/" (names made on
/// Windows), no trailing "/" (folder entries).
QString normalisedRarEntryName(QString name);

/// Where an entry goes below the target folder.
struct RarEntryTarget {
    enum Kind {
        Write, ///< write it to `path`
        Skip,  ///< the name has no usable part ("..", "/"): nothing to write
        Fail,  ///< its folder cannot be made, or an existing link there
               ///< would lead the write outside the target folder
    } kind = Skip;
    QString path;
};

/// Where an entry is written below `base` (the working folder when empty),
/// with its folder parts kept; the folders up to it are created. A link
/// already standing at the target is removed, so the write never follows it.
RarEntryTarget prepareRarEntryTarget(const QString& base, const QString& entryName, bool isFolder);

/// Writes a file-copy entry (RAR5 "file reference", stored without data):
/// copies the file that entry `referenceName` was extracted to, below
/// `base`, to `targetPath`. Returns 0, or 23 (reference source missing)
/// when that entry was not extracted (or is no plain file) or the copy fails.
int copyRarReference(const QString& base, const QString& referenceName, const QString& targetPath);

/// Removes set-user-id, set-group-id and sticky bits an archive may have
/// asked for on an extracted file.
void dropSpecialModeBits(const QString& path);

/// How many entries the header scan keeps before an extraction: all that
/// the limit allows and one more, so an archive past the limit shows.
qsizetype rarScanLimit(const ExtractionLimits& limits);

/// The bounds of one rar extraction, kept alike by both backends: the
/// number of entries, the free space of the target's file system and the
/// declared size of each entry. Methods return 0 to go on, or the code to
/// stop with (`reason` then says why, for `TdRar3::LastErrorText`).
class RarExtractGuard {
public:
    RarExtractGuard(const ExtractionLimits& limits, const QString& archivePath,
                    const QString& targetDir);

    /// Before anything is written, from the block headers: too many
    /// entries, or selected files whose declared sizes would not fit.
    /// Archives whose headers cannot be read (encrypted headers) pass; the
    /// checks during extraction stop them.
    int checkHeaders(const RarHeaderFacts& facts,
                     const std::function<bool(const QString& entryName)>& selected);
    /// Each header the backend reads; past the entry limit: stop.
    int countHeader();
    /// Before an entry's data is written; `declaredSize` < 0: not known.
    int beginEntry(const QString& entryName, qint64 declaredSize);
    /// `bytes` of the current entry, before they are written: stop when
    /// they go past its declared size, or (size unknown) past the free space.
    int data(qint64 bytes);
    /// Set by the first stop; empty while none happened.
    const QString& reason() const { return reason_; }
    /// The code of the first stop; 0 while none happened.
    int stopCode() const { return stopCode_; }

private:
    int stop(int code, const QString& text);
    int tooManyEntries(qint64 count);
    int noSpace(const ExtractionBudget& budget, bool beforeWriting);
    /// The budget's bytes past what the archive may write: stop.
    int checkSize(const ExtractionBudget& budget, bool beforeWriting);

    ExtractionLimits limits_;
    QString archive_;
    ExtractionBudget budget_;
    qint64 allowed_;
    qint64 headers_ = 0;
    QString entry_;
    qint64 declared_ = -1;
    qint64 written_ = 0;
    int stopCode_ = 0;
    QString reason_;
};

} // namespace archives

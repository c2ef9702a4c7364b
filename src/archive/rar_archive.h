#pragma once

#include "archive/rar_common.h"
#include "archive/unrar_binding.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

namespace archives {

/// Which library reads rar archives for `TdRar3`.
enum class RarBackend {
    Auto,           ///< the unrar library; libarchive when it cannot be loaded
    UnrarOnly,      ///< the unrar library or nothing (-111): the fallback switched off
    LibarchiveOnly, ///< libarchive, the unrar library is not even loaded
};

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

/// The rar component: lists and extracts rar archives through the unrar
/// shared library, bound at run time, or through libarchive when that
/// library is missing. Entry names reach the caller through the events, in
/// archive order, decoded to Unicode with "/" separators; link entries are
/// skipped. Extraction never writes outside `TargetDirectory`.
///
/// Results of `List` and `Extract`: 10 when every entry was processed,
/// -111 (`rarcode::UnrarNotAvailable`) when the unrar library is needed but
/// cannot be loaded (the archive is not touched), 255 when processing an
/// entry returned 10 or 255, else the library's own code (22: an encrypted
/// entry without password, 24: wrong password, 12: bad data, 13: not an
/// archive or damaged, ...). Callers take anything above 10 as failure.
///
/// Extract never writes more than the archive declares, nor more than the
/// target's disk can take: before anything is written it refuses, with
/// 102 (`rarcode::TooManyEntries`), an archive of more than
/// `Limits.maxEntries` entries, and with 101 (`rarcode::NotEnoughSpace`)
/// one whose selected files would not fit the free space less a reserve
/// (see ExtractionBudget); while extracting it stops an entry whose data
/// goes past its declared size with 12, and the same limits for what the
/// headers could not tell beforehand (encrypted headers). Each file is
/// written under a temporary name and renamed, so a failure leaves neither
/// a partial file nor a spoilt old one. `LastErrorText` says what happened.
class TdRar3 : private UnrarCallbackTarget {
public:
    /// Which backend served the last operation.
    enum class UsedBackend { None, Unrar, Libarchive };

    TdRar3() = default;
    TdRar3(const TdRar3&) = delete;
    TdRar3& operator=(const TdRar3&) = delete;

    /// Archive to list or extract.
    QString ArchiveFileName;
    /// Extraction folder (created when missing); entries keep their stored
    /// folder parts below it. Empty: the working folder.
    QString TargetDirectory;
    /// Folder of the unrar library; empty: the system's library search.
    QString Path2UnrarDll;
    /// File name of the unrar library (the Linux one by default, so no
    /// user falls back to libarchive unasked). When "libunrar.so.5" cannot be
    /// loaded, "libunrar.so" is tried in the same place.
    QString NameofUnrarDll = QStringLiteral("libunrar.so.5");
    /// The entries Extract extracts; empty: all. Never emptied here.
    RarFileList FileListToProcess;
    RarBackend Backend = RarBackend::Auto;
    /// Bounds of Extract; `Limits.freeSpace` lets tests stand in for the disk.
    ExtractionLimits Limits;

    /// List: before each entry.
    std::function<void(const QString& entryName)> OnFileAboutToBeListed;
    /// Extract: before each entry, also before entries then skipped.
    std::function<void(const QString& entryName)> OnFileAboutToBeExtracted;
    /// The library needs a password; asked at most once per operation.
    /// nullopt (cancelled) gives the empty password.
    std::function<std::optional<QString>()> OnReqPassword;

    /// Reads every entry and fires `OnFileAboutToBeListed` for each.
    int List();
    /// Fires `OnFileAboutToBeExtracted` for every entry and writes those
    /// selected by `FileListToProcess` below `TargetDirectory`.
    int Extract();

    UsedBackend usedBackend() const { return usedBackend_; }
    /// What the last List or Extract ended with, in words for the user
    /// ("\r" between lines); empty after success.
    const QString& LastErrorText() const { return lastErrorText_; }

private:
    int run(bool extract);
    int runBackend(bool extract);
    /// Before an extraction: the entry count and free space from the headers.
    int checkHeaders(const RarHeaderFacts& facts);
    int runUnrar(const UnrarLibrary& lib, bool extract);
    int processUnrarEntry(const UnrarLibrary& lib, void* handle, const RARHeaderDataEx& header,
                          bool extract);
    RarEntryAction announce(const QString& entryName, bool extract);
    void rethrowPending();
    std::optional<QByteArray> unrarNarrowPassword() override;
    bool unrarProcessData(qint64 bytes) override;

    UsedBackend usedBackend_ = UsedBackend::None;
    bool passwordAsked_ = false;
    QByteArray password_;
    std::exception_ptr pending_;
    /// Set while an Extract runs.
    std::optional<RarExtractGuard> guard_;
    QString lastErrorText_;
};

} // namespace archives

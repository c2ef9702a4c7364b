#pragma once

#include "archive/rar_common.h"
#include "archive/unrar_binding.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace archives {

/// Which library reads rar archives for `TdRar3`.
enum class RarBackend {
    /// List: libarchive, and the unrar library only for what libarchive
    /// cannot read (encrypted headers, old or damaged archives). Extract:
    /// the unrar library, libarchive when that cannot be loaded.
    Auto,
    UnrarOnly,      ///< the unrar library or nothing (-111): libarchive switched off
    LibarchiveOnly, ///< libarchive; the unrar helper is not even started
};

/// The rar component: lists and extracts rar archives through libarchive,
/// in the program's process, and through the unrar shared library, which
/// runs in a helper program of its own (quorvel-unrar, see
/// unrar_helper_protocol.h): an archive that crashes that library ends the
/// helper, never the program. Entry names reach the caller through the
/// events, in archive order, decoded to Unicode with "/" separators; link
/// entries are skipped. Extraction never writes outside `TargetDirectory`.
///
/// Results of `List` and `Extract`: 10 when every entry was processed,
/// -111 (`rarcode::UnrarNotAvailable`) when the unrar library is needed but
/// cannot be loaded or its helper cannot be started (the archive is not
/// touched), 255 when processing an entry returned 10 or 255, 13 when the
/// helper ended without a result (the library crashed on the archive),
/// else the library's own code (22: an encrypted entry without password,
/// 24: wrong password, 12: bad data, 13: not an archive or damaged, ...).
/// Callers take anything above 10 as failure.
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
class TdRar3 {
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
    /// The helper program that runs the unrar library; empty: quorvel-unrar
    /// in the running program's folder, where it is installed.
    QString UnrarHelper;
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
    /// libarchive; `names`, when given, collects the listed names instead
    /// of firing the event.
    int runLibarchive(bool extract, QStringList* names);
    /// The unrar library through the helper; nullopt when it cannot be
    /// used (no library, no helper).
    std::optional<int> runHelper(bool extract);
    /// Before an extraction: the entry count and free space from the headers.
    int checkHeaders(const RarHeaderFacts& facts);
    RarEntryAction announce(const QString& entryName, bool extract);
    QByteArray askPassword();

    UsedBackend usedBackend_ = UsedBackend::None;
    bool passwordAsked_ = false;
    QByteArray password_;
    /// Set while a libarchive Extract runs.
    std::optional<RarExtractGuard> guard_;
    /// Why the operation failed, when more is known than its code says.
    QString reason_;
    QString lastErrorText_;
};

} // namespace archives

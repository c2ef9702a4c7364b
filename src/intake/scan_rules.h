#pragma once

#include "core/content_db.h"
#include "core/content_kinds.h"

#include <QString>
#include <QtGlobal>

#include <functional>

/// The rules of the archive scans: the texts they log and which records
/// they write back. What each kind's scan looks for is a field of its
/// descriptor (catalogue::KindDescriptor).
namespace intake {

/// Why an archive was refused; the value left at the end picks the text.
enum RejectReason : int {
    RejectUnknownFile = 0, ///< no entry of the required kind
    /// The format's probe below 1; for a format without one, any refusal
    /// other than the two below.
    RejectInvalidArchive = 1,
    RejectUnsupported = 2,  ///< a .ut2mod, .ut4mod or .exe entry
    RejectTooManyFiles = 3, ///< more than MaxArchiveEntries entries
};

/// Archives with more entries are refused without looking at them.
inline constexpr int MaxArchiveEntries = 99;
/// Extensions are compared after cutting them to this many characters.
inline constexpr int MaxExtensionLength = 10;
/// Room of the record fields that must hold the archive's place exactly.
inline constexpr int MaxArchiveNameBytes = 50;
inline constexpr int MaxArchiveDirBytes = 100;

/// The log text of `reason` for the scan of a kind (each begins with a
/// blank); `formatWord` names the archive's format
/// (archives::ArchiveFormat::word).
QString rejectText(const catalogue::KindDescriptor& kind, int reason, const QString& formatWord);
/// Logged for a found file of no archive format.
QString notAnArchiveText();

/// The lower-cased extension of the file-name part of `name` ("/" and "\"
/// both end a folder part), dot included, cut to MaxExtensionLength
/// characters; empty when the name has no dot.
QString entryExtension(const QString& name);
/// The file-name part of `name` ("/" and "\" both separate folders).
QString bareName(const QString& name);

/// Why an archive's place does not fit its record: a record cut to fit
/// would name no file, so it would be dropped and added again on every
/// run and could never be installed. Empty when it fits; else the log text
/// naming the cause and the fix (the name is looked at first).
QString placeTooLongText(const QString& archiveDir, const QString& archiveName);

/// What the write-back rules read besides the record.
struct WriteBackInput {
    const AppState& state;
    /// True when `path` is an existing file (a folder is not).
    std::function<bool(const QString& path)> fileExists;
};

/// Whether the scan of `kind` writes `rec` back to its database.
bool keepRecord(catalogue::ContentKind kind, const TContentRecord& rec, const WriteBackInput& in);

} // namespace intake

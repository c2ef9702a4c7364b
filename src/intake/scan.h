#pragma once

#include "core/command_context.h"
#include "core/content_kinds.h"
#include "intake/scan_int_name.h"

#include <QStringList>

/// The three archive scans. Each loads its database, searches its folder
/// (CustomMapDir, MutatorDir or CustomSkinDir; subfolders when
/// ScanSubDirs) for "*.zip" and "*.rar", records every archive whose file
/// name no loaded record has, classifies it by its entries, returns the
/// archives it refuses for error.log, and writes back the records its
/// rules keep. A known archive is never opened. The database is rewritten
/// only when its bytes change. Errors reading or writing the database
/// throw platform::Error; the file is then left as it was.
namespace intake {

class TmFileScan;

/// What a scan came to.
struct ScanResult {
    /// The archive names recorded anew (rejected ones too), in scan order.
    QStringList recorded;
    /// A line for error.log per archive the scan refused: its path and why.
    QStringList ErrorLogLines;
    /// Appends `other`'s lists to these.
    ScanResult& operator+=(const ScanResult& other) {
        recorded += other.recorded;
        ErrorLogLines += other.ErrorLogLines;
        return *this;
    }
};

/// The scan of `kind`: its record file, the archives of its folder.
ScanResult ScanArchives(CommandContext& ctx, TmFileScan& scan, catalogue::ContentKind kind);
/// mapdata.dat; a missing file counts as empty.
ScanResult ScanMapArchives(CommandContext& ctx, TmFileScan& scan);
/// somdata.dat, the mutators of MutatorDir.
ScanResult ScanMutatorArchives(CommandContext& ctx, TmFileScan& scan);
/// somdata.dat, the skins of CustomSkinDir.
ScanResult ScanSkinArchives(CommandContext& ctx, TmFileScan& scan);

} // namespace intake

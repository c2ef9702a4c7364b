#pragma once

#include "core/command_context.h"
#include "core/content_kinds.h"
#include "intake/scan_int_name.h"

#include <QStringList>

/// The three archive scans. Each loads its database, searches its folder
/// (CustomMapDir, MutatorDir or CustomSkinDir; subfolders when
/// ScanSubDirs) for "*.zip" and "*.rar", records every archive whose file
/// name no loaded record has, classifies it by its entries, logs the
/// archives it refuses to ErrorLogLines, and writes back the records its
/// rules keep. A known archive is never opened. The database is rewritten
/// only when its bytes change. Errors reading or writing the database
/// throw platform::Error; the file is then left as it was.
namespace intake {

class TmFileScan;

// Each returns the archive names it recorded anew (rejected ones too).

/// The scan of `kind`: its record file, the archives of its folder.
QStringList ScanArchives(CommandContext& ctx, TmFileScan& scan, catalogue::ContentKind kind);
/// mapdata.dat; a missing file counts as empty.
QStringList ScanMapArchives(CommandContext& ctx, TmFileScan& scan);
/// somdata.dat, the mutators of MutatorDir.
QStringList ScanMutatorArchives(CommandContext& ctx, TmFileScan& scan);
/// somdata.dat, the skins of CustomSkinDir.
QStringList ScanSkinArchives(CommandContext& ctx, TmFileScan& scan);

} // namespace intake

#pragma once

#include "core/command_context.h"
#include "core/content_kinds.h"

#include <QStringList>

#include <functional>

namespace intake {
class TmFileScan;
}

/// Runs the scans of the configured archive folders, in the order of the
/// kinds (maps, mutators, skins), each only when its folder is configured
/// (MapDirSet, MutatorDirSet, SkinDirSet). `scanned` is called after each
/// scan with its kind, so a caller can reload that page's lists there. ErrorLogLines is emptied
/// first and holds the rejected archives afterwards. Returns the archive names the scans recorded
/// anew.
QStringList ScanConfiguredFolders(CommandContext& ctx, intake::TmFileScan& scan,
                                  const std::function<void(catalogue::ContentKind)>& scanned = {});

#pragma once

#include "core/command_context.h"
#include "core/content_kinds.h"
#include "intake/scan.h"

#include <QStringList>

#include <functional>

/// Runs the scans of the configured archive folders, in the order of the
/// kinds (maps, mutators, skins), each only when its folder is configured
/// (MapDirSet, MutatorDirSet, SkinDirSet). `scanned` is called after each
/// scan with its kind, so a caller can reload that page's lists there.
/// Returns the archive names the scans recorded anew and the lines for
/// error.log of the archives they refused.
intake::ScanResult
ScanConfiguredFolders(CommandContext& ctx, intake::TmFileScan& scan,
                      const std::function<void(catalogue::ContentKind)>& scanned = {});

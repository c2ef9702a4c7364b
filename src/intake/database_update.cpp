#include "intake/database_update.h"

#include "intake/scan.h"

void ScanConfiguredFolders(CommandContext& ctx, intake::TmFileScan& scan,
                           const std::function<void(bool skins)>& modScanned) {
    AppState& s = ctx.state;
    s.ErrorLogLines.clear();
    if (s.MapDirSet)
        intake::ScanMapArchives(ctx, scan);
    if (s.MutatorDirSet) {
        intake::ScanMutatorArchives(ctx, scan);
        if (modScanned)
            modScanned(false);
    }
    if (s.SkinDirSet) {
        intake::ScanSkinArchives(ctx, scan);
        if (modScanned)
            modScanned(true);
    }
}

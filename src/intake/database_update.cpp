#include "intake/database_update.h"

#include "intake/scan.h"

intake::ScanResult ScanConfiguredFolders(CommandContext& ctx, intake::TmFileScan& scan,
                                         const std::function<void(bool skins)>& modScanned) {
    const AppState& s = ctx.state;
    intake::ScanResult recorded;
    if (s.MapDirSet)
        recorded += intake::ScanMapArchives(ctx, scan);
    if (s.MutatorDirSet) {
        recorded += intake::ScanMutatorArchives(ctx, scan);
        if (modScanned)
            modScanned(false);
    }
    if (s.SkinDirSet) {
        recorded += intake::ScanSkinArchives(ctx, scan);
        if (modScanned)
            modScanned(true);
    }
    return recorded;
}

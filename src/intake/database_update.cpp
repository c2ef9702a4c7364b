#include "intake/database_update.h"

#include "intake/scan.h"

intake::ScanResult
ScanConfiguredFolders(CommandContext& ctx, intake::TmFileScan& scan,
                      const std::function<void(catalogue::ContentKind)>& scanned) {
    const AppState& s = ctx.state;
    intake::ScanResult recorded;
    for (const catalogue::ContentKind kind : catalogue::AllKinds) {
        if (!(s.*catalogue::describe(kind).archiveFolderSet))
            continue;
        recorded += intake::ScanArchives(ctx, scan, kind);
        if (scanned)
            scanned(kind);
    }
    return recorded;
}

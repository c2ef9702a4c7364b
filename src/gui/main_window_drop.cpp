// Archives dropped onto the Maps, Mutators or Skins page.
#include "gui/main_window.h"
#include "install/dropped_archives.h"

#include <QTabWidget>

std::optional<catalogue::ContentKind> TForm1::contentPageShown() const {
    switch (PC1->currentIndex()) {
    case MapsTab:
        return catalogue::ContentKind::Maps;
    case MutatorsTab:
        return catalogue::ContentKind::Mutators;
    case SkinsTab:
        return catalogue::ContentKind::Skins;
    default:
        return std::nullopt;
    }
}

bool TForm1::DropArchives(catalogue::ContentKind kind, const QStringList& paths) {
    const install::DropResult result = install::CopyDroppedArchives(context(), kind, paths);
    if (!result.copied.isEmpty())
        Updatedatabase1Click();
    install::ReportRefusedDrops(context(), result);
    return !result.copied.isEmpty();
}

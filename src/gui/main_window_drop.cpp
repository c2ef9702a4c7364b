// Archives dropped onto the Maps, Mutators or Skins page.
#include "gui/content_page.h"
#include "gui/main_window.h"
#include "install/dropped_archives.h"

#include <QTabWidget>

std::optional<catalogue::ContentKind> TForm1::contentPageShown() const {
    if (const ContentPage* page = shownContentPage())
        return page->contentKind();
    return std::nullopt;
}

bool TForm1::DropArchives(catalogue::ContentKind kind, const QStringList& paths) {
    const install::DropResult result = install::CopyDroppedArchives(context(), kind, paths);
    if (!result.copied.isEmpty())
        Updatedatabase1Click();
    install::ReportRefusedDrops(context(), result);
    return !result.copied.isEmpty();
}

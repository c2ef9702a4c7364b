// "File info" of the six list popups: the facts of the first selected
// entry shown in the archive content viewer.
#include "cache/missing_packages.h"
#include "core/file_conflicts.h"
#include "core/file_info.h"
#include "gui/content_page.h"
#include "gui/main_window.h"
#include "gui/tags.h"
#include "gui/viewer_window.h"

void TForm1::MapInfoClick(PopupTag tag) {
    const auto list = fileInfoListOf(tag);
    if (!list)
        return;
    const auto [kind, side] = *list;
    const QList<catalogue::ListEntry> selected = contentPage(kind)->selectedEntries(side);
    if (selected.isEmpty())
        return;
    const file_info::FileInfo info = file_info::MapInfo(state(), kind, side, selected.first());
    Form2->showInfo(info);
    Form2->showSharing(file_conflicts::SharedWith(state(), info.record, info.files));
    Form2->showNeeds(cache::needsLine(cache::NeedsOf(context(), info.record, *imports_)));
    Form2->setFixedSize(400, 250);
    Form2->move(pos() + QPoint(30, 30));
    Form2->ShowPreview(info.files);
    Form2->exec();
}

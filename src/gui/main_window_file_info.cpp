// "File info" of the six list popups: the facts of the first selected
// entry shown in the archive content viewer.
#include "core/file_info.h"
#include "gui/main_window.h"
#include "gui/maps_page.h"
#include "gui/mod_page.h"
#include "gui/page_parts.h"
#include "gui/viewer_window.h"

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>

namespace {
void setCell(QTableWidget* grid, int row, int column, const QString& text) {
    grid->setItem(row, column, new QTableWidgetItem(text));
}

void fillViewer(TForm2& viewer, const file_info::FileInfo& info) {
    QTableWidget* header = viewer.Listheader;
    header->clearContents();
    header->setColumnWidth(0, 1);
    header->setColumnWidth(2, 220);
    for (int row = 0; row < info.rows.size(); ++row) {
        setCell(header, row, 1, info.rows[row].label);
        setCell(header, row, 2, info.rows[row].value);
    }
    QTableWidget* files = viewer.ListFiles;
    files->clearContents();
    files->setRowCount(int(info.files.size()));
    files->setColumnWidth(0, 1);
    files->setColumnWidth(1, 370);
    for (int row = 0; row < info.files.size(); ++row)
        setCell(files, row, 1, info.files[row]);
    files->scrollToTop();
}
} // namespace

void TForm1::MapInfoClick(const QAction* sender) {
    using catalogue::ContentKind;
    using catalogue::ListSide;
    struct Source {
        int tag;
        ContentKind kind;
        ListSide side;
        QListWidget* list;
    };
    // The tens digit names the popup: maps, mutators, skins; odd ones are
    // the lists of content not installed.
    const Source sources[] = {
        {1, ContentKind::Maps, ListSide::NotInstalled, TabMaps->LBinst},
        {21, ContentKind::Maps, ListSide::Installed, TabMaps->LBun},
        {31, ContentKind::Mutators, ListSide::NotInstalled, TabMuts->NotInstalled},
        {41, ContentKind::Mutators, ListSide::Installed, TabMuts->Installed},
        {51, ContentKind::Skins, ListSide::NotInstalled, TabSkins->NotInstalled},
        {61, ContentKind::Skins, ListSide::Installed, TabSkins->Installed},
    };
    const int tag = tagOf(sender);
    const Source* source = nullptr;
    for (const Source& s : sources) {
        if (s.tag == tag)
            source = &s;
    }
    if (!source)
        return;
    const QList<catalogue::ListEntry> selected = page_parts::selectedListEntries(source->list);
    if (selected.isEmpty())
        return;
    const file_info::FileInfo info =
        file_info::MapInfo(state(), source->kind, source->side, selected.first());
    fillViewer(*Form2, info);
    Form2->setFixedSize(400, 250);
    Form2->move(pos() + QPoint(30, 30));
    Form2->setRecord(info.record);
    Form2->ShowPreview(info.files);
    Form2->exec();
}

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
    const int tag = tagOf(sender);
    // The tens digit names the popup: maps, mutators, skins; odd ones are
    // the lists of content not installed.
    QListWidget* list = nullptr;
    switch (tag) {
    case 1:
        list = TabMaps->LBinst;
        break;
    case 21:
        list = TabMaps->LBun;
        break;
    case 31:
        list = TabMuts->NotInstalled;
        break;
    case 41:
        list = TabMuts->Installed;
        break;
    case 51:
        list = TabSkins->NotInstalled;
        break;
    case 61:
        list = TabSkins->Installed;
        break;
    default:
        return;
    }
    const QStringList selected = page_parts::selectedEntries(list);
    if (selected.isEmpty())
        return;
    const file_info::FileInfo info = file_info::MapInfo(state(), tag, selected.first());
    fillViewer(*Form2, info);
    Form2->setFixedSize(400, 250);
    Form2->move(pos() + QPoint(30, 30));
    Form2->ShowPreview(info.files);
    Form2->exec();
}

// Page-show handlers, the map filter and the drop receiver of the main window.
#include "app/content_db.h"
#include "app/main_window.h"
#include "app/value_list_editor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

void TForm1::showPage(Page page) {
    if (PageControl1->currentIndex() == page)
        pageChanged(page);
    else
        PageControl1->setCurrentIndex(page);
}

void TForm1::pageChanged(int index) {
    switch (index) {
    case MapsPage:
        TabMapsShow();
        break;
    case MutatorsPage:
        TabMutsShow();
        break;
    case SkinsPage:
        TabSkinsShow();
        break;
    case CachePage:
        TabCacheShow();
        break;
    case Uz2Page:
        TabUZShow();
        break;
    case DemosPage:
        TabDemosShow();
        break;
    case ConfigPage:
        TabConfigShow();
        break;
    default:
        break;
    }
}

namespace {
void fill(QListWidget* list, const QStringList& entries) {
    list->clear();
    list->addItems(entries);
}
} // namespace

void TForm1::TabMapsShow() {
    setStatus(QString());
    ListBox1->clear();
    dropEnabled_ = false;
    DelZip->setChecked(false);
    const MapLists lists = LoadMapLists(state_, currentFilterMask());
    fill(LBun, lists.installed);
    fill(LBinst, lists.notInstalled);
    if (!lists.error.isEmpty())
        dialogs_->plainMessage(lists.error);
    else
        setStatus(lists.status);
}

void TForm1::loadModLists(bool forSkins) {
    const ModLists lists = LoadModLists(state_, forSkins);
    fill(LBunMuts, lists.mutatorsInstalled);
    fill(LBMuts, lists.mutators);
    fill(LBUnskin, lists.skinsInstalled);
    fill(LBSkin, lists.skins);
    if (!lists.error.isEmpty())
        dialogs_->plainMessage(lists.error);
    else
        setStatus(lists.status);
}

void TForm1::TabMutsShow() {
    ListBox1->clear();
    dropEnabled_ = false;
    delMut->setChecked(false);
    delSkin->setChecked(false);
    loadModLists(false);
}

void TForm1::TabSkinsShow() {
    ListBox1->clear();
    dropEnabled_ = false;
    delMut->setChecked(false);
    delSkin->setChecked(false);
    loadModLists(true);
}

void TForm1::TabCacheShow() {
    rbCacheGroup->button(0)->setChecked(true);
    bInstallCache->setText(u"Install"_s);
    dropEnabled_ = false;
    CacheBox->setChecked(false);
}

void TForm1::TabUZShow() {
    ListBox3->clear();
    LBUz->clear();
    setStatus(u"  Handle .uz2-compressed files"_s);
    rbUzActionGroup->button(0)->setChecked(true);
    cbUzDelete->setChecked(false);
    dropEnabled_ = true;
}

void TForm1::TabDemosShow() {
    DemoList->clearSelection();
    NameBar->setText(u"  Name: "_s);
    LocationBar->setText(u"  Location: "_s);
    dropEnabled_ = false;
}

void TForm1::TabConfigShow() {
    // Row 4 first, then row 1, so the editor redraws with row 1 current.
    VLE->setRow(4);
    VLE->setRow(1);
    setStatus(u"  Make your settings"_s);
    dropEnabled_ = false;
}

QString TForm1::currentFilterMask() const {
    const QVariant mask = Filter1->currentData();
    return mask.isValid() ? mask.toString() : u"All"_s;
}

void TForm1::setMapFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    const QSignalBlocker block(Filter1);
    Filter1->clear();
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        Filter1->addItem(parts[i], parts[i + 1]);
    Filter1->setCurrentIndex(Filter1->count() > 0 ? 0 : -1);
}

void TForm1::Filter1Change() {
    if (!state_.StartingUp && PageControl1->currentIndex() == MapsPage)
        TabMapsShow();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (dropEnabled_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    if (!dropEnabled_) {
        event->ignore();
        return;
    }
    QStringList paths;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    receiveDrop(paths);
    event->acceptProposedAction();
}

void TForm1::receiveDrop(const QStringList& paths) {
    if (!dropEnabled_)
        return;
    ListBox3->clear();
    ListBox3->addItems(paths);
}

// Files dropped onto the window: archives onto the Maps, Mutators or Skins
// page, files to convert onto the .uz2 page.
#include "gui/content_page.h"
#include "gui/main_window.h"
#include "gui/uz2_page.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if ((dropEnabled_ || shownContentPage()) && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    QStringList paths;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    // Through the boundary: a drop arriving while a long command runs (the
    // .uz2 run waits for the game's tool in an event loop) is refused there.
    if (ContentPage* page = shownContentPage()) {
        // Taken only when an archive was copied; a refused drop is named.
        bool copied = false;
        if (runCommand(CommandBoundary::Long, CommandBoundary::Writes,
                       [this, &paths, page, &copied] {
                           copied = page->DropArchives(paths, [this] { Updatedatabase1Click(); });
                       }) &&
            copied)
            event->acceptProposedAction();
        else
            event->ignore();
        return;
    }
    if (dropEnabled_ && runCommand(CommandBoundary::Quick, CommandBoundary::Reads,
                                   [this, &paths] { TabUZ->dragndropDropFiles(paths); }))
        event->acceptProposedAction();
    else
        event->ignore();
}

// The Verify dialog's list of installed content that needs packages the
// game folders lack: told, with nothing to press, since only the user can
// find the missing packages.
#include "cache/missing_packages.h"
#include "gui/page_parts.h"
#include "gui/verify_dialog.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

void VerifyDialog::showNeeds(const QList<cache::InstalledNeeds>& needs) {
    if (!NeedsList) {
        if (needs.isEmpty())
            return;
        NeedsList = new QTreeWidget;
        NeedsList->setObjectName(u"NeedsList"_s);
        NeedsList->setAccessibleName(u"Installed content that needs packages"_s);
        NeedsList->setHeaderLabels({u"Name"_s, u"Page"_s, u"Needs"_s});
        NeedsList->setRootIsDecorated(false);
        NeedsList->setUniformRowHeights(true);
        NeedsList->header()->setStretchLastSection(true);
        page_parts::showFocusFrame(NeedsList);
        auto* box = new QGroupBox(u"Installed content that needs packages not installed"_s);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(NeedsList);
        // Above the row of the close button.
        auto* outer = static_cast<QVBoxLayout*>(layout());
        outer->insertWidget(outer->count() - 1, box, 2);
    }
    NeedsList->clear();
    for (const cache::InstalledNeeds& n : needs)
        new QTreeWidgetItem(NeedsList,
                            {n.entry.name, install::pageText(n.page), cache::needsLine(n.needs)});
    NeedsList->resizeColumnToContents(0);
}

#include "gui/mod_page.h"

#include "core/command_context.h"
#include "gui/tags.h"

#include <QHBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {
ContentPageNames modPageNames(bool skins) {
    if (skins)
        return {u"TabSkins"_s, u"LBSkin"_s,          u"LBUnskin"_s,
                u"Skins"_s,    u"Installed Skins"_s, u"bInstSkin"_s,
                u"delSkin"_s,  u"bUninstSkin"_s,     tags::UninstallSkins};
    return {u"TabMuts"_s,
            u"LBMuts"_s,
            u"LBunMuts"_s,
            u"Mutators"_s,
            u"Installed mutators"_s,
            u"bInstMuts"_s,
            u"delMut"_s,
            u"bUninstMuts"_s,
            tags::UninstallMutators};
}
} // namespace

ModPage::ModPage(Kind kind, CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : ContentPage(kind == Skins ? catalogue::ContentKind::Skins : catalogue::ContentKind::Mutators,
                  modPageNames(kind == Skins), context, commands, parent) {
    // The maps page has its filter beside the button; here the row is empty.
    installRow()->addStretch(1);
}

ContentPage::PageLists ModPage::listsOf(const ModLists& lists) const {
    if (skins())
        return {lists.skins, lists.skinsInstalled};
    return {lists.mutators, lists.mutatorsInstalled};
}

ContentPage::ReadOutcome ModPage::readLists() {
    const ModLists lists = ::LoadModLists(ctx_.state, skins());
    showLists(listsOf(lists));
    // One record file serves both pages: the other page's lists follow,
    // so a report from either page is whole.
    if (auto* other = qobject_cast<ModPage*>(partner()))
        other->showLists(other->listsOf(lists));
    return {lists.error, lists.status};
}

ContentPage::PageLists ModPage::listsByDate(const QList<TContentRecord>& records) const {
    const ModDateLists lists = modListsByDate(records, skins());
    return {lists.notInstalled, lists.installed};
}

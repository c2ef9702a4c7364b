#include "gui/content_page_rows.h"

#include "gui/maps_page.h"
#include "gui/tags.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using catalogue::ContentKind;

ContentPage* makeMapsPage(CommandContext& context, CommandBoundary& commands) {
    return new MapsPage(context, commands);
}

// The Tags' tens digits are as drawn: the maps' left popup has none.
const std::array<ContentPageRow, catalogue::AllKinds.size()>& rows() {
    static const std::array<ContentPageRow, catalogue::AllKinds.size()> table{{
        {.kind = ContentKind::Maps,
         .caption = u"  Maps   "_s,
         .names = {.page = u"TabMaps"_s,
                   .notInstalled = u"LBinst"_s,
                   .installed = u"LBun"_s,
                   .notInstalledHead = u"Maplist"_s,
                   .installedHead = u"Installed maps"_s,
                   .install = u"bInstallMaps"_s,
                   .deleteBox = u"DelZip"_s,
                   .uninstall = u"bUninstallMaps"_s,
                   .uninstallTag = tags::UninstallMaps},
         .notInstalledPopup = {0,
                               u"PopupMenu1"_s,
                               {u"FileInfo1"_s, u"Install1"_s, u"Delete1"_s,
                                u"Markasinstalled1"_s}},
         .installedPopup = {2,
                            u"PopupMenu2"_s,
                            {u"FileInfo2"_s, u"Uninstall1"_s, u"Createzip1"_s,
                             u"UninstallDelete1"_s}},
         .make = &makeMapsPage},
        {.kind = ContentKind::Mutators,
         .caption = u"  Mutators   "_s,
         .names = {.page = u"TabMuts"_s,
                   .notInstalled = u"LBMuts"_s,
                   .installed = u"LBunMuts"_s,
                   .notInstalledHead = u"Mutators"_s,
                   .installedHead = u"Installed mutators"_s,
                   .install = u"bInstMuts"_s,
                   .deleteBox = u"delMut"_s,
                   .uninstall = u"bUninstMuts"_s,
                   .uninstallTag = tags::UninstallMutators},
         .notInstalledPopup = {3,
                               u"PopupMenu3"_s,
                               {u"FileInfo3"_s, u"Install2"_s, u"Delete2"_s,
                                u"Markasinstalled2"_s}},
         .installedPopup = {4,
                            u"PopupMenu4"_s,
                            {u"FileInfo4"_s, u"Uninstall2"_s, u"CreateZip2"_s, u"Remove1"_s}},
         .make = nullptr},
        {.kind = ContentKind::Skins,
         .caption = u"  Skins   "_s,
         .names = {.page = u"TabSkins"_s,
                   .notInstalled = u"LBSkin"_s,
                   .installed = u"LBUnskin"_s,
                   .notInstalledHead = u"Skins"_s,
                   .installedHead = u"Installed Skins"_s,
                   .install = u"bInstSkin"_s,
                   .deleteBox = u"delSkin"_s,
                   .uninstall = u"bUninstSkin"_s,
                   .uninstallTag = tags::UninstallSkins},
         .notInstalledPopup = {5,
                               u"PopupMenu5"_s,
                               {u"FileInfo5"_s, u"Install3"_s, u"Delete3"_s,
                                u"Markasinstalled3"_s}},
         .installedPopup = {6,
                            u"PopupMenu6"_s,
                            {u"FileInfo6"_s, u"Uninstall3"_s, u"CreateZip3"_s,
                             u"UninstallDelete2"_s}},
         .make = nullptr},
    }};
    return table;
}

} // namespace

const ContentPageRow& contentPageRow(ContentKind kind) {
    return rows().at(static_cast<size_t>(kind));
}

ContentPage* makeContentPage(ContentKind kind, CommandContext& context, CommandBoundary& commands) {
    const ContentPageRow& row = contentPageRow(kind);
    if (row.make)
        return row.make(context, commands);
    return new ContentPage(kind, row.names, context, commands, nullptr);
}

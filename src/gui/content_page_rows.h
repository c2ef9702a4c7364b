#pragma once

#include "gui/content_page.h"

#include <array>

/// The object names of a content list's popup and of its four items, in
/// item order, and the tens digit of the items' Tags.
struct PopupNames {
    int tens;                     ///< Tag = tens * 10 + the item's command
    QString menu;                 ///< "PopupMenu1"
    std::array<QString, 4> items; ///< "FileInfo1", "Install1", ...
};

/// How the window draws one kind's page: its tab, its controls and its two
/// popups, under the names they have always had. One row per kind, in
/// page order (the kinds' table gives the rules; this gives the names).
struct ContentPageRow {
    catalogue::ContentKind kind;
    QString caption; ///< the tab's caption: "  Maps   "
    ContentPageNames names;
    PopupNames notInstalledPopup; ///< the left list's popup
    PopupNames installedPopup;    ///< the right list's popup
    /// Makes a page that draws more than the lists (the maps' filter);
    /// null for a plain ContentPage.
    ContentPage* (*make)(CommandContext& context, CommandBoundary& commands);
};

/// The row of `kind`.
const ContentPageRow& contentPageRow(catalogue::ContentKind kind);

/// A new page of `kind`, drawn as its row says.
ContentPage* makeContentPage(catalogue::ContentKind kind, CommandContext& context,
                             CommandBoundary& commands);

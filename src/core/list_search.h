#pragma once

#include "core/content_catalogue.h"
#include "core/namespaces.h"

#include <QString>
#include <QStringList>

/// The search of the content lists: a list entry is found when its name
/// holds the searched text, ignoring case. The window narrows its lists by
/// it and the command line's list --match prints the same entries.
namespace core::list_search {

/// True when `entry` holds `text` ignoring case; an empty text finds all.
bool matches(const QString& entry, const QString& text);

/// The entries of `entries` that `text` finds, in their order.
QStringList matching(const QStringList& entries, const QString& text);

/// The status line of a content page for the entries listed:
/// "  3 maps listed as installed and 5 maps as not installed", with
/// "mutators" or "skins" on those pages.
QString countsText(catalogue::ContentKind kind, qsizetype installed, qsizetype notInstalled);

} // namespace core::list_search

// The loaders that turn the record files into the installed and
// not-installed lists of the Maps, Mutators and Skins pages.
#include "core/content_lists.h"

#include "core/content_catalogue.h"
#include "core/list_search.h"
#include "platform/errors.h"

#include <QHash>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

using catalogue::ContentKind;
using catalogue::ListSide;

// The part of a name before its first "-"; empty when there is none.
QString prefixOf(const QString& name) {
    const qsizetype dash = name.indexOf(u'-');
    return dash < 0 ? QString() : name.left(dash);
}

QString retryHint() {
    return u"\r"_s + u"Run config and Update database"_s;
}

} // namespace

namespace {

bool lessIgnoringCase(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

/// Sorts "date@name" keys ascending and returns the names from the last
/// key to the first, each without the text up to its first "@".
QStringList newestFirst(QStringList keys) {
    std::stable_sort(keys.begin(), keys.end(), lessIgnoringCase);
    QStringList out;
    out.reserve(keys.size());
    for (auto it = keys.crbegin(); it != keys.crend(); ++it)
        out.append(it->mid(it->indexOf(u'@') + 1));
    return out;
}

} // namespace

QStringList mapListByDate(const QStringList& entries, const QList<TContentRecord>& records,
                          bool installedList) {
    const ListSide side = installedList ? ListSide::Installed : ListSide::NotInstalled;
    // The records the list shows, by entry in file order: the n-th entry of
    // a name is keyed by the n-th record of that name.
    QHash<QString, QList<const TContentRecord*>> byEntry;
    for (const TContentRecord& r : records) {
        if (catalogue::isOnList(r, ContentKind::Maps, side))
            byEntry[catalogue::listEntryOf(r, ContentKind::Maps, side)].append(&r);
    }
    QHash<QString, int> seen;
    QStringList keys;
    for (const QString& entry : entries) {
        const QList<const TContentRecord*> named = byEntry.value(entry);
        const int n = seen[entry]++;
        if (n < named.size())
            keys.append((installedList ? named[n]->InstallDate : named[n]->AddedDate) + u'@' +
                        entry);
    }
    return newestFirst(keys);
}

ModDateLists modListsByDate(const QList<TContentRecord>& records, bool ForSkins) {
    const ContentKind kind = ForSkins ? ContentKind::Skins : ContentKind::Mutators;
    QStringList notInstalled;
    QStringList installed;
    for (const TContentRecord& r : records) {
        if (catalogue::isOnList(r, kind, ListSide::NotInstalled))
            notInstalled.append(r.AddedDate + u'@' +
                                catalogue::listEntryOf(r, kind, ListSide::NotInstalled));
        else if (catalogue::isOnList(r, kind, ListSide::Installed))
            installed.append(r.InstallDate + u'@' +
                             catalogue::listEntryOf(r, kind, ListSide::Installed));
    }
    return {newestFirst(notInstalled), newestFirst(installed)};
}

QStringList byName(const QStringList& entries) {
    QStringList out = entries;
    std::stable_sort(out.begin(), out.end(), lessIgnoringCase);
    return out;
}

void insertByName(QStringList& list, const QString& entry) {
    const auto at =
        std::upper_bound(list.begin(), list.end(), entry, [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
    list.insert(at, entry);
}

MapLists LoadMapLists(const AppState& state, const QString& filterMask) {
    MapLists lists;
    QList<TContentRecord> records;
    try {
        records = content_db::ReadAll(state.mapDataPath());
    } catch (const platform::Error&) {
        lists.error = u"Map database missing or corrupt"_s + retryHint();
        return lists;
    }

    const bool filtering = filterMask.toUpper() != u"ALL"_s;
    auto passes = [&](const QString& name) {
        return !filtering || QString::compare(prefixOf(name), filterMask, Qt::CaseInsensitive) == 0;
    };
    for (const TContentRecord& rec : std::as_const(records)) {
        for (const ListSide side : {ListSide::NotInstalled, ListSide::Installed}) {
            if (!catalogue::isOnList(rec, ContentKind::Maps, side))
                continue;
            const QString entry = catalogue::listEntryOf(rec, ContentKind::Maps, side);
            if (passes(entry))
                insertByName(side == ListSide::Installed ? lists.installed : lists.notInstalled,
                             entry);
        }
    }
    lists.status = list_search::countsText(ContentKind::Maps, lists.installed.size(),
                                           lists.notInstalled.size());
    return lists;
}

ModLists LoadModLists(const AppState& state, bool ForSkins) {
    ModLists lists;
    QList<TContentRecord> records;
    try {
        records = content_db::ReadAll(state.modDataPath());
    } catch (const platform::Error&) {
        lists.error = u"Databasefile missing or corrupt"_s + retryHint();
        return lists;
    }

    struct Target {
        ContentKind kind;
        ListSide side;
        QStringList& list;
    };
    const Target targets[] = {
        {ContentKind::Mutators, ListSide::NotInstalled, lists.mutators},
        {ContentKind::Mutators, ListSide::Installed, lists.mutatorsInstalled},
        {ContentKind::Skins, ListSide::NotInstalled, lists.skins},
        {ContentKind::Skins, ListSide::Installed, lists.skinsInstalled},
    };
    for (const TContentRecord& rec : std::as_const(records)) {
        for (const Target& t : targets) {
            if (catalogue::isOnList(rec, t.kind, t.side))
                insertByName(t.list, catalogue::listEntryOf(rec, t.kind, t.side));
        }
    }
    const ContentKind kind = ForSkins ? ContentKind::Skins : ContentKind::Mutators;
    lists.status =
        ForSkins
            ? list_search::countsText(kind, lists.skinsInstalled.size(), lists.skins.size())
            : list_search::countsText(kind, lists.mutatorsInstalled.size(), lists.mutators.size());
    return lists;
}

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

QStringList listByDate(ContentKind kind, const QStringList& entries,
                       const QList<TContentRecord>& records, bool installedList) {
    const ListSide side = installedList ? ListSide::Installed : ListSide::NotInstalled;
    // The records the list shows, by entry in file order: the n-th entry of
    // a name is keyed by the n-th record of that name.
    QHash<QString, QList<const TContentRecord*>> byEntry;
    for (const TContentRecord& r : records) {
        if (catalogue::isOnList(r, kind, side))
            byEntry[catalogue::listEntryOf(r, kind, side)].append(&r);
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

DateLists listsFromRecordsByDate(ContentKind kind, const QList<TContentRecord>& records) {
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

DateLists kindListsByDate(ContentKind kind, const DateLists& shown,
                          const QList<TContentRecord>& records) {
    if (!catalogue::describe(kind).filtered)
        return listsFromRecordsByDate(kind, records);
    return {listByDate(kind, shown.notInstalled, records, false),
            listByDate(kind, shown.installed, records, true)};
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

namespace {

/// The lists of `kinds` (all kept in one record file) from one read of it.
QList<KindLists> loadLists(const AppState& state, const QList<ContentKind>& kinds,
                           const QString& filterMask) {
    QList<KindLists> lists;
    for (const ContentKind k : kinds)
        lists.append(KindLists{k, {}, {}, {}, {}});
    QList<TContentRecord> records;
    try {
        records = content_db::ReadAll((state.*catalogue::describe(kinds.first()).recordFile)());
    } catch (const platform::Error&) {
        for (KindLists& l : lists)
            l.error = catalogue::describe(l.kind).unreadableText.toString() + retryHint();
        return lists;
    }

    const bool filtering = filterMask.toUpper() != u"ALL"_s;
    for (KindLists& l : lists) {
        const bool narrowed = filtering && catalogue::describe(l.kind).filtered;
        auto passes = [&](const QString& name) {
            return !narrowed ||
                   QString::compare(prefixOf(name), filterMask, Qt::CaseInsensitive) == 0;
        };
        for (const TContentRecord& rec : std::as_const(records)) {
            for (const ListSide side : {ListSide::NotInstalled, ListSide::Installed}) {
                if (!catalogue::isOnList(rec, l.kind, side))
                    continue;
                const QString entry = catalogue::listEntryOf(rec, l.kind, side);
                if (passes(entry))
                    insertByName(side == ListSide::Installed ? l.installed : l.notInstalled, entry);
            }
        }
        l.status = list_search::countsText(l.kind, l.installed.size(), l.notInstalled.size());
    }
    return lists;
}

} // namespace

QList<KindLists> LoadSharingLists(const AppState& state, ContentKind kind,
                                  const QString& filterMask) {
    return loadLists(state, catalogue::kindsOf(catalogue::describe(kind).recordFile), filterMask);
}

KindLists LoadKindLists(const AppState& state, ContentKind kind, const QString& filterMask) {
    return loadLists(state, {kind}, filterMask).first();
}

// The loaders that turn the record files into the installed and
// not-installed lists of the Maps, Mutators and Skins pages.
#include "core/content_lists.h"

#include "platform/errors.h"

#include <QHash>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// Kinds 10 and above (rejected archives) are never listed.
constexpr qint32 FirstUnlistedKind = 10;
constexpr qint32 FirstSkinKind = 2;

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
    // The first record of each name wins, as a search in file order would.
    QHash<QString, const TContentRecord*> first;
    for (const TContentRecord& r : records) {
        const QString& name = installedList ? r.DisplayName : r.ArchiveName;
        if (!first.contains(name))
            first.insert(name, &r);
    }
    QStringList keys;
    for (const QString& entry : entries) {
        const TContentRecord* r = first.value(entry);
        if (r)
            keys.append((installedList ? r->InstallDate : r->AddedDate) + u'@' + entry);
    }
    return newestFirst(keys);
}

ModDateLists modListsByDate(const QList<TContentRecord>& records, bool ForSkins) {
    QStringList notInstalled;
    QStringList installed;
    for (const TContentRecord& r : records) {
        const bool skin = r.Kind >= FirstSkinKind && r.Kind < FirstUnlistedKind;
        const bool mutator = r.Kind < FirstSkinKind;
        if (ForSkins ? !skin : !mutator)
            continue;
        if (r.Installed == 0)
            notInstalled.append(r.AddedDate + u'@' + r.DisplayName);
        else if (r.Installed == 1)
            installed.append(r.InstallDate + u'@' + r.DisplayName);
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
        if (rec.Kind >= FirstUnlistedKind)
            continue;
        if (rec.Installed == 1) {
            if (passes(rec.DisplayName))
                insertByName(lists.installed, rec.DisplayName);
        } else if (rec.Kind == 0) {
            if (passes(rec.ArchiveName))
                insertByName(lists.notInstalled, rec.ArchiveName);
        }
    }
    lists.status = u"  "_s + QString::number(lists.installed.size()) +
                   u" maps listed as installed and "_s +
                   QString::number(lists.notInstalled.size()) + u" maps as not installed"_s;
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

    for (const TContentRecord& rec : std::as_const(records)) {
        if (rec.Kind >= FirstUnlistedKind)
            continue;
        const QString& entry = rec.DisplayName.isEmpty() ? rec.ArchiveName : rec.DisplayName;
        const bool installed = rec.Installed == 1;
        if (rec.Kind >= FirstSkinKind)
            insertByName(installed ? lists.skinsInstalled : lists.skins, entry);
        else
            insertByName(installed ? lists.mutatorsInstalled : lists.mutators, entry);
    }
    if (ForSkins) {
        lists.status = u"  "_s + QString::number(lists.skinsInstalled.size()) +
                       u" skins listed as installed and "_s + QString::number(lists.skins.size()) +
                       u" skins as not installed"_s;
    } else {
        lists.status = u"  "_s + QString::number(lists.mutatorsInstalled.size()) +
                       u" mutators listed as installed and "_s +
                       QString::number(lists.mutators.size()) + u" mutators as not installed"_s;
    }
    return lists;
}

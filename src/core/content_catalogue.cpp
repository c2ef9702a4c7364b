#include "core/content_catalogue.h"

#include "archive/safe_path.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace core::catalogue {

bool isListed(const TContentRecord& r) {
    return r.Kind < record_kind::Rejected;
}

bool isSkin(const TContentRecord& r) {
    return r.Kind >= record_kind::Skin && r.Kind < record_kind::Rejected;
}

bool isMutator(const TContentRecord& r) {
    return r.Kind < record_kind::Skin;
}

bool isWithoutArchive(const TContentRecord& r) {
    return r.Kind == record_kind::ContentWithoutArchive ||
           r.Kind == record_kind::SkinWithoutArchive;
}

qint32 installedKind(ContentKind kind, bool archiveDeleted) {
    const qint32 base = describe(kind).installedKind;
    return archiveDeleted ? base + 1 : base;
}

QString archivePathOf(const TContentRecord& r) {
    return (r.ArchiveDir + r.ArchiveName).left(150);
}

bool isMapFile(const QString& name) {
    return hasExtension(name, u".ut2"_s);
}

QString recordFileForPackage(const AppState& state, const QString& packageName) {
    return isMapFile(packageName) ? state.mapDataPath() : state.modDataPath();
}

bool isOnList(const TContentRecord& r, ContentKind kind, ListSide side) {
    if (!isListed(r))
        return false;
    const KindDescriptor& d = describe(kind);
    if (r.Kind < d.firstRecordKind || r.Kind > d.lastRecordKind)
        return false;
    const bool installed = r.Installed == 1;
    if (side == ListSide::Installed)
        return installed;
    return !installed && (!d.leftListNeedsArchive || r.Kind == d.installedKind);
}

QString listEntryOf(const TContentRecord& r, ContentKind kind, ListSide side) {
    if (side == ListSide::NotInstalled && describe(kind).leftListByArchive)
        return r.ArchiveName;
    return r.DisplayName.isEmpty() ? r.ArchiveName : r.DisplayName;
}

QList<ListEntry> entriesAt(const QStringList& list, const QList<int>& rows) {
    QList<ListEntry> entries;
    entries.reserve(rows.size());
    for (const int row : rows) {
        if (row < 0 || row >= list.size())
            continue;
        const QString& name = list[row];
        int occurrence = 0;
        for (int i = 0; i < row; ++i) {
            if (list[i] == name)
                ++occurrence;
        }
        entries.append({name, occurrence});
    }
    return entries;
}

QList<ListEntry> firstEntries(const QStringList& names) {
    QList<ListEntry> entries;
    entries.reserve(names.size());
    for (const QString& name : names)
        entries.append({name, 0});
    return entries;
}

QStringList namesOf(const QList<ListEntry>& entries) {
    QStringList names;
    names.reserve(entries.size());
    for (const ListEntry& e : entries)
        names.append(e.name);
    return names;
}

qsizetype findRecord(const QList<TContentRecord>& records, ContentKind kind, ListSide side,
                     const QString& name, int occurrence) {
    int seen = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const TContentRecord& r = records[i];
        if (!isOnList(r, kind, side) || listEntryOf(r, kind, side) != name)
            continue;
        if (seen == occurrence)
            return i;
        ++seen;
    }
    return -1;
}

qsizetype findRecord(const QList<TContentRecord>& records, ContentKind kind, ListSide side,
                     const ListEntry& entry) {
    return findRecord(records, kind, side, entry.name, entry.occurrence);
}

QList<qsizetype> findRecords(const QList<TContentRecord>& records, ContentKind kind, ListSide side,
                             const QList<ListEntry>& entries) {
    // The records of each name the list shows, in file order, gathered in
    // one pass: a run of many entries over a large file looks each up at
    // once.
    QHash<QString, QList<qsizetype>> byName;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (isOnList(records[i], kind, side))
            byName[listEntryOf(records[i], kind, side)].append(i);
    }
    QList<qsizetype> indexes;
    indexes.reserve(entries.size());
    for (const ListEntry& entry : entries) {
        const QList<qsizetype> named = byName.value(entry.name);
        auto at = [&named](int occurrence) {
            return occurrence >= 0 && occurrence < named.size() ? named[occurrence] : -1;
        };
        qsizetype index = at(entry.occurrence);
        // A record an earlier entry took: the next of the name, as a name
        // given twice on its own means the first two of that name.
        for (int next = entry.occurrence + 1; index >= 0 && indexes.contains(index); ++next)
            index = at(next);
        indexes.append(index);
    }
    return indexes;
}

namespace {

ExtensionRule placed(const QString& ext, QString AppState::*folder, int askRank = 0) {
    return {ext, folder, false, false, askRank};
}
ExtensionRule package(const QString& ext, QString AppState::*folder) {
    return {ext, folder, false, true, 0};
}
ExtensionRule help(const QString& ext) {
    return {ext, &AppState::HelpDir, true, false, 0};
}

} // namespace

const QList<ExtensionRule>& extensionTable() {
    static const QList<ExtensionRule> table = {
        package(u".ukx"_s, &AppState::AnimationsDir),
        package(u".ut2"_s, &AppState::MapsDir),
        placed(u".ogg"_s, &AppState::MusicDir),
        package(u".uax"_s, &AppState::SoundsDir),
        package(u".usx"_s, &AppState::StaticMeshesDir),
        package(u".utx"_s, &AppState::TexturesDir),
        placed(u".ka"_s, &AppState::KarmaDataDir),
        package(u".u"_s, &AppState::SystemDir),
        placed(u".ucl"_s, &AppState::SystemDir, 3),
        placed(u".upl"_s, &AppState::SystemDir, 4),
        placed(u".ini"_s, &AppState::SystemDir, 2),
        placed(u".int"_s, &AppState::SystemDir, 1),
        help(u".jpg"_s),
        help(u".gif"_s),
        help(u".bmp"_s),
        help(u".hlp"_s),
        help(u".txt"_s),
        help(u".doc"_s),
        help(u".rtf"_s),
        help(u".htm"_s),
        help(u".html"_s),
    };
    return table;
}

const ExtensionRule* extensionRule(const QString& ext) {
    static const QHash<QString, const ExtensionRule*> byExtension = [] {
        QHash<QString, const ExtensionRule*> map;
        for (const ExtensionRule& rule : extensionTable())
            map.insert(rule.ext, &rule);
        return map;
    }();
    return byExtension.value(ext.toLower(), nullptr);
}

bool isPackageFile(const QString& fileName) {
    const ExtensionRule* rule = extensionRule(extensionOf(fileName));
    return rule && rule->package;
}

bool isRefusedInstaller(const QString& ext) {
    return ext == u".ut2mod"_s || ext == u".ut4mod"_s || ext == u".exe"_s;
}

QString extensionOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

bool hasExtension(const QString& name, const QString& ext) {
    return extensionOf(name).compare(ext, Qt::CaseInsensitive) == 0;
}

std::optional<QString> gameFolderForFile(const AppState& state, const QString& fileName) {
    return gameFolderForExtension(state, extensionOf(fileName));
}

std::optional<QString> gameFolderForExtension(const AppState& state, const QString& ext) {
    const ExtensionRule* rule = extensionRule(ext);
    if (!rule)
        return std::nullopt;
    return state.*(rule->folder);
}

QString placedFileName(const QString& entry) {
    // Most entries are a bare name, which is placed as it is: no need to
    // take it apart (the users of every file are counted by these).
    const bool drive =
        entry.size() >= 2 && entry[1] == u':' && entry[0].isLetter() && entry[0].unicode() < 0x80;
    if (!drive && !entry.contains(u'/') && !entry.contains(u'\\'))
        return entry == u"."_s || entry == u".."_s ? QString() : entry;
    // The name extraction writes: folders, drive letters, "." and ".."
    // go as they do there ("C:x.utx" is placed as "x.utx").
    const QStringList parts = archives::safeEntryParts(entry);
    return parts.isEmpty() || entry.endsWith(u'/') || entry.endsWith(u'\\') ? QString()
                                                                            : parts.last();
}

bool isNumberedPicture(const QString& name) {
    const QString ext = extensionOf(name).toLower();
    return ext == u".jpg"_s || ext == u".gif"_s || ext == u".bmp"_s;
}

bool isRenamedReadme(const QString& name) {
    const QString ext = extensionOf(name).toLower();
    const bool text = ext == u".txt"_s || ext == u".doc"_s || ext == u".rtf"_s ||
                      ext == u".htm"_s || ext == u".html"_s;
    return text && name.toLower() == u"readme"_s + ext;
}

bool isMergedInt(const QString& name) {
    if (!hasExtension(name, u".int"_s))
        return false;
    const QString lower = name.toLower();
    return lower.contains(u"xplayers"_s) || lower.contains(u"xweapons"_s) ||
           lower.contains(u"xmaps"_s);
}

} // namespace core::catalogue

// The verbs of the Maps, Mutators and Skins pages: the lists, File info,
// and the commands of the buttons and right-click menus.
#include "cli/command_line.h"
#include "cli/content_names.h"
#include "cli/run_control.h"
#include "cli/session.h"
#include "core/content_lists.h"
#include "core/file_info.h"
#include "core/list_search.h"
#include "install/install.h"
#include "install/maintenance.h"
#include "install/uninstall.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace cli {

using catalogue::ContentKind;
using catalogue::ListEntry;
using catalogue::ListSide;

namespace {

QStringList namesGiven(const Invocation& call) {
    if (call.args.isEmpty())
        throw usage(call.verb->name + u" needs at least one NAME."_s);
    return call.args;
}

/// The entries the verb's NAMEs stand for in the lists `side`, by page in
/// page order, with the data folder open for writing: where every verb
/// that changes list entries starts.
QList<std::pair<ContentKind, QList<ListEntry>>>
entriesToChange(Session& session, const Invocation& call, ListSide side) {
    const QStringList names = namesGiven(call);
    const QList<ContentKind> kinds = kindsToSearch(call);
    session.openForWriting();
    const QList<NamedEntry> named = resolveNames(session.state(), names, kinds, {side});
    QList<std::pair<ContentKind, QList<ListEntry>>> out;
    for (const ContentKind kind : catalogue::AllKinds) {
        QList<ListEntry> entries = entriesOfKind(named, kind);
        if (!entries.isEmpty())
            out.append({kind, std::move(entries)});
    }
    return out;
}

void printJson(const QJsonValue& value) {
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    printOut(QString::fromUtf8(doc.toJson(QJsonDocument::Indented)).trimmed());
}

QJsonArray filesOf(const TContentRecord& r) {
    return QJsonArray::fromStringList(r.Files.mid(0, qBound(0, r.FileCount, int(r.Files.size()))));
}

/// The two lists of a page as the page shows them once loaded.
struct PageLists {
    QStringList notInstalled;
    QStringList installed;
};

/// The map filter's mask for a --filter value, as the Maps page offers it.
QString filterMask(const Session& session, const QString& wanted) {
    const QStringList parts = session.mapFilter().split(u'|');
    QStringList masks;
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        if (parts[i].compare(wanted, Qt::CaseInsensitive) == 0)
            return parts[i];
        masks.append(parts[i]);
    }
    throw usage(u"--filter takes one of "_s + masks.join(u", "_s) + u", not \""_s + wanted +
                u"\"."_s);
}

/// "--filter applies to maps only.", naming the kinds whose page has a filter.
QString filterKindsText() {
    QStringList words;
    for (const ContentKind kind : catalogue::AllKinds) {
        if (catalogue::describe(kind).filtered)
            words.append(catalogue::describe(kind).many.toString());
    }
    return u"--filter applies to "_s + words.join(u" and "_s) + u" only."_s;
}

PageLists pageLists(Session& session, const Invocation& call, ContentKind kind,
                    const QList<TContentRecord>& records) {
    const AppState& s = session.state();
    const bool filtered = catalogue::describe(kind).filtered;
    if (call.isSet(u"filter"_s) && !filtered)
        throw usage(filterKindsText());
    const QString mask =
        call.isSet(u"filter"_s) ? filterMask(session, call.value(u"filter"_s)) : u"All"_s;
    // A data folder no program has opened yet records nothing.
    if (!QFileInfo::exists(catalogue::recordFile(s, kind)))
        return {};
    const KindLists loaded = LoadKindLists(s, kind, mask);
    if (!loaded.error.isEmpty())
        throw Exit{DataUnreadable, terminalText(loaded.error)};
    if (call.isSet(u"by-date"_s)) {
        const DateLists dated =
            kindListsByDate(kind, {loaded.notInstalled, loaded.installed}, records);
        return {dated.notInstalled, dated.installed};
    }
    return {loaded.notInstalled, loaded.installed};
}

} // namespace

int runList(Session& session, const Invocation& call) {
    if (call.args.size() != 1)
        throw usage(u"list takes one of maps, mutators or skins."_s);
    const std::optional<ContentKind> kind = kindNamed(call.args.first());
    if (!kind)
        throw usage(u"list takes maps, mutators or skins, not \""_s + call.args.first() + u"\"."_s);
    if (call.isSet(u"installed"_s) && call.isSet(u"available"_s))
        throw usage(u"--installed and --available exclude each other."_s);
    session.openForReading();
    session.requireSoundRecords();
    const QList<TContentRecord> records = recordsOf(session.state(), *kind);
    PageLists lists = pageLists(session, call, *kind, records);
    if (call.isSet(u"match"_s)) {
        const QString text = call.value(u"match"_s);
        if (text.isEmpty())
            throw usage(u"--match needs a TEXT."_s);
        lists = {list_search::matching(lists.notInstalled, text),
                 list_search::matching(lists.installed, text)};
    }

    QList<std::pair<ListSide, const QStringList*>> shown;
    if (!call.isSet(u"installed"_s))
        shown.append({ListSide::NotInstalled, &lists.notInstalled});
    if (!call.isSet(u"available"_s))
        shown.append({ListSide::Installed, &lists.installed});
    if (!call.isSet(u"json"_s)) {
        for (const auto& [side, names] : shown) {
            for (const QString& name : *names)
                printOut(name);
        }
        return Done;
    }
    QJsonArray array;
    for (const auto& [side, names] : shown) {
        QList<int> rows(names->size());
        std::iota(rows.begin(), rows.end(), 0);
        for (const ListEntry& entry : catalogue::entriesAt(*names, rows)) {
            const qsizetype index = catalogue::findRecord(records, *kind, side, entry);
            if (index < 0)
                continue;
            const TContentRecord& r = records[index];
            array.append(QJsonObject{{u"name"_s, entry.name},
                                     {u"archive"_s, r.ArchiveName},
                                     {u"folder"_s, r.ArchiveDir},
                                     {u"installed"_s, side == ListSide::Installed},
                                     {u"added"_s, r.AddedDate},
                                     {u"installDate"_s, r.InstallDate},
                                     {u"files"_s, filesOf(r)}});
        }
    }
    printJson(array);
    return Done;
}

int runInfo(Session& session, const Invocation& call) {
    if (call.args.size() != 1)
        throw usage(u"info takes one NAME."_s);
    const QList<ContentKind> kinds = kindsToSearch(call);
    session.openForReading();
    session.requireSoundRecords();
    const NamedEntry named = resolveNames(session.state(), call.args, kinds,
                                          {ListSide::NotInstalled, ListSide::Installed})
                                 .first();
    const file_info::FileInfo info =
        file_info::MapInfo(session.state(), named.kind, named.side, named.entry);
    if (call.isSet(u"json"_s)) {
        QJsonArray rows;
        for (const file_info::HeaderRow& row : info.rows) {
            if (row.label.isEmpty())
                continue;
            QString label = row.label.simplified();
            if (label.endsWith(u':'))
                label = label.chopped(1).trimmed();
            rows.append(QJsonObject{{u"label"_s, label}, {u"value"_s, row.value}});
        }
        printJson(QJsonObject{{u"name"_s, named.entry.name},
                              {u"kind"_s, kindWord(named.kind)},
                              {u"installed"_s, named.side == ListSide::Installed},
                              {u"rows"_s, rows},
                              {u"files"_s, QJsonArray::fromStringList(info.files)}});
        return Done;
    }
    for (const file_info::HeaderRow& row : info.rows) {
        if (!row.label.isEmpty())
            printOut(row.label.simplified() + u'\t' + row.value);
    }
    printOut(u"Files:"_s);
    for (const QString& file : info.files)
        printOut(u'\t' + file);
    return Done;
}

int runInstall(Session& session, const Invocation& call) {
    int code = Done;
    for (const auto& [kind, entries] : entriesToChange(session, call, ListSide::NotInstalled)) {
        const install::InstallResult result =
            install::InstallArchives(session.ctx(), kind, entries, false);
        if (result.ran)
            install::FinishInstall(session.ctx(), kind, result);
        session.printStatus();
        if (!result.ok || !result.FailedArchives.isEmpty() || !result.nothingPlaced.isEmpty())
            code = NotAllDone;
    }
    return code;
}

int runUninstall(Session& session, const Invocation& call) {
    int code = Done;
    for (const auto& [kind, entries] : entriesToChange(session, call, ListSide::Installed)) {
        const install::UninstallResult result =
            install::UninstallArchives(session.ctx(), kind, entries, false);
        if (result.ran) {
            session.ctx().status.setStatus(result.status);
            install::FinishUninstall(session.ctx(), result);
        }
        session.printStatus();
        if (!result.skipped.isEmpty() || !result.undeletable.isEmpty())
            code = NotAllDone;
    }
    return code;
}

int runMarkInstalled(Session& session, const Invocation& call) {
    int code = Done;
    for (const auto& [kind, entries] : entriesToChange(session, call, ListSide::NotInstalled)) {
        if (install::MarkAsInstalled(session.ctx(), kind, entries)) {
            session.say(u"Marked as installed: "_s + catalogue::namesOf(entries).join(u", "_s));
        } else {
            session.printStatus();
            code = NotAllDone;
        }
    }
    return code;
}

int runDelete(Session& session, const Invocation& call) {
    int code = Done;
    for (const auto& [kind, entries] : entriesToChange(session, call, ListSide::NotInstalled)) {
        const QStringList failed =
            install::DeleteArchives(session.ctx(), session.scan(), kind, entries);
        for (const ListEntry& entry : entries) {
            if (!failed.contains(entry.name))
                session.say(u"Moved to the trash: "_s + entry.name);
        }
        for (const QString& name : failed)
            printErr(u"Could not move to the trash: "_s + name);
        if (!failed.isEmpty())
            code = NotAllDone;
    }
    return code;
}

int runCreateZip(Session& session, const Invocation& call) {
    const QStringList names = namesGiven(call);
    if (!call.isSet(u"to"_s) || call.value(u"to"_s).isEmpty())
        throw usage(u"create-zip needs --to DIR, the folder the zips go to."_s);
    const QString folder = absolutePath(call.value(u"to"_s));
    makeOutputFolder(folder, u"to"_s);
    const QList<ContentKind> kinds = kindsToSearch(call);
    session.openForWriting();
    const QList<NamedEntry> named =
        resolveNames(session.state(), names, kinds, {ListSide::Installed});
    int code = Done;
    for (const NamedEntry& n : named) {
        if (!install::CreateZip(session.ctx(), n.kind, n.entry, folder))
            code = NotAllDone;
        session.printStatus();
    }
    return code;
}

} // namespace cli

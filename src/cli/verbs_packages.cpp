// What content needs and whose files it shares: deps and conflicts.
#include "cache/missing_packages.h"
#include "cli/command_line.h"
#include "cli/content_names.h"
#include "cli/session.h"
#include "core/file_conflicts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

void printJson(const QJsonDocument& doc) {
    printOut(QString::fromUtf8(doc.toJson(QJsonDocument::Indented)).trimmed());
}

} // namespace

int runDeps(Session& session, const Invocation& call) {
    if (call.args.size() != 1)
        throw usage(u"deps takes one NAME."_s);
    const QList<catalogue::ContentKind> kinds = kindsToSearch(call);
    session.openForReading();
    const NamedEntry named =
        resolveNames(session.state(), call.args, kinds,
                     {catalogue::ListSide::NotInstalled, catalogue::ListSide::Installed})
            .first();
    const QList<TContentRecord> records = recordsOf(session.state(), named.kind);
    const qsizetype index = catalogue::findRecord(records, named.kind, named.side, named.entry);
    if (index < 0)
        throw Exit{NotAllDone, u"No record of \""_s + named.entry.name + u"\" was found."_s};
    if (session.state().GameDir.isEmpty())
        throw Exit{NotAllDone, u"No game folder is set: set one with config game-dir DIR."_s};
    cache::ImportsCache imports;
    const cache::ContentNeeds needs = cache::NeedsOf(session.ctx(), records[index], imports);
    if (call.isSet(u"json"_s)) {
        printJson(QJsonDocument(
            QJsonObject{{u"name"_s, named.entry.name},
                        {u"kind"_s, kindWord(named.kind)},
                        {u"installed"_s, named.side == catalogue::ListSide::Installed},
                        {u"needs"_s, QJsonArray::fromStringList(needs.missing)},
                        {u"unreadable"_s, QJsonArray::fromStringList(needs.unreadable)}}));
    } else {
        for (const QString& file : needs.missing)
            printOut(u"needs\t"_s + file);
        for (const QString& file : needs.unreadable)
            printOut(u"unreadable\t"_s + file);
        printOut(cache::needsLine(needs));
    }
    return needs.missing.isEmpty() && needs.unreadable.isEmpty() ? Done : NotAllDone;
}

int runConflicts(Session& session, const Invocation& call) {
    if (!call.args.isEmpty())
        throw usage(u"conflicts takes no NAME."_s);
    session.openForReading();
    const AppState& s = session.state();
    const QList<file_conflicts::SharedFile> conflicts =
        file_conflicts::Conflicts(file_conflicts::SharedFilesOnDisk(s));
    if (call.isSet(u"json"_s)) {
        QJsonArray array;
        for (const file_conflicts::SharedFile& file : conflicts)
            array.append(QJsonObject{{u"file"_s, file.fileName},
                                     {u"listedBy"_s, QJsonArray::fromStringList(file.users)},
                                     {u"gameHadIt"_s, file.gameHadIt}});
        printJson(QJsonDocument(array));
        return Done;
    }
    for (const file_conflicts::SharedFile& file : conflicts)
        printOut(file.fileName + u'\t' + file.users.join(u", "_s) +
                 (file.gameHadIt ? u"\tthe game had it before"_s : QString()));
    printOut(QString::number(conflicts.size()) +
             u" file(s) listed by more than one installed archive"_s);
    return Done;
}

} // namespace cli

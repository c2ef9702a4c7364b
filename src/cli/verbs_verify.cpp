#include "cache/missing_packages.h"
#include "cli/content_names.h"
#include "cli/session.h"
#include "install/verify.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace cli {

namespace {

/// An entry as the command line names it: NAME, or NAME#2 for the second
/// of equal names in one list.
QString entryName(const catalogue::ListEntry& entry) {
    return entry.occurrence > 0 ? entry.name + u'#' + QString::number(entry.occurrence + 1)
                                : entry.name;
}

/// One tab-separated line per finding, a word first saying which list it
/// belongs to, so that a script can pick the lines it wants.
void printReport(const install::VerifyReport& report, const QList<cache::InstalledNeeds>& needs) {
    for (const install::MissingFiles& m : report.missing)
        printOut(u"missing\t"_s + kindWord(m.page) + u'\t' + entryName(m.entry) + u'\t' +
                 m.missing.join(u", "_s) + (m.canReinstall() ? QString() : u"\t(archive gone)"_s));
    for (const install::CountDrift& c : report.counts)
        printOut(u"count\t"_s + c.fileName + u"\tcount "_s + QString::number(c.count) +
                 u"\tusers "_s + QString::number(c.users) + u'\t' +
                 install::problemText(c.problem) + u"\trepair to "_s + QString::number(c.repaired));
    for (const install::Adoptable& a : report.adoptable)
        printOut(u"adopt\t"_s + kindWord(a.page) + u'\t' + entryName(a.entry) + u'\t' +
                 a.files.join(u", "_s));
    for (const cache::InstalledNeeds& n : needs)
        printOut(u"needs\t"_s + kindWord(n.page) + u'\t' + entryName(n.entry) + u'\t' +
                 cache::needsLine(n.needs));
    for (const install::StrayOriginal& o : report.originals)
        printOut(u"original\t"_s + o.gamePath + u"\tkept as "_s + o.kept + u'\t' +
                 QString::number(o.size) + u" bytes"_s);
    printOut(install::summaryText(report).trimmed());
}

QJsonObject reportJson(const install::VerifyReport& report,
                       const QList<cache::InstalledNeeds>& needs) {
    QJsonArray needsJson;
    for (const cache::InstalledNeeds& n : needs)
        needsJson.append(
            QJsonObject{{u"name"_s, entryName(n.entry)},
                        {u"kind"_s, kindWord(n.page)},
                        {u"archive"_s, n.archiveName},
                        {u"needs"_s, QJsonArray::fromStringList(n.needs.missing)},
                        {u"unreadable"_s, QJsonArray::fromStringList(n.needs.unreadable)}});
    QJsonArray missing;
    for (const install::MissingFiles& m : report.missing)
        missing.append(QJsonObject{{u"name"_s, entryName(m.entry)},
                                   {u"kind"_s, kindWord(m.page)},
                                   {u"archive"_s, m.archiveName},
                                   {u"canReinstall"_s, m.canReinstall()},
                                   {u"missing"_s, QJsonArray::fromStringList(m.missing)}});
    QJsonArray counts;
    for (const install::CountDrift& c : report.counts)
        counts.append(QJsonObject{{u"file"_s, c.fileName},
                                  {u"count"_s, c.count},
                                  {u"users"_s, c.users},
                                  {u"problem"_s, install::problemText(c.problem)},
                                  {u"repaired"_s, c.repaired}});
    QJsonArray adoptable;
    for (const install::Adoptable& a : report.adoptable)
        adoptable.append(QJsonObject{{u"name"_s, entryName(a.entry)},
                                     {u"kind"_s, kindWord(a.page)},
                                     {u"archive"_s, a.archiveName},
                                     {u"files"_s, QJsonArray::fromStringList(a.files)}});
    QJsonArray originals;
    for (const install::StrayOriginal& o : report.originals)
        originals.append(
            QJsonObject{{u"file"_s, o.gamePath}, {u"kept"_s, o.kept}, {u"size"_s, double(o.size)}});
    return QJsonObject{{u"agrees"_s, report.agrees()},
                       {u"needs"_s, needsJson},
                       {u"originals"_s, originals},
                       {u"installedRecords"_s, report.installedRecords},
                       {u"filesLooked"_s, report.filesLooked},
                       {u"missing"_s, missing},
                       {u"counts"_s, counts},
                       {u"adoptable"_s, adoptable}};
}

/// Each name that chooses nothing among the findings is said; the others
/// still go. Returns whether every name chose something.
template <typename Finding>
bool sayUnchosen(const QStringList& names, const QString& list,
                 QList<Finding> (*chooser)(const install::VerifyReport&, const QStringList&),
                 const install::VerifyReport& report) {
    bool all = true;
    for (const QString& name : names) {
        if (chooser(report, {name}).isEmpty()) {
            printErr(u"\""_s + name + u"\" is not among "_s + list + u'.');
            all = false;
        }
    }
    return all;
}

/// The one action of the call ("" for none), checked against its names.
QString chosenAction(const Invocation& call) {
    const QStringList actions = {u"repair-counts"_s, u"adopt"_s, u"reinstall"_s,
                                 u"mark-not-installed"_s, u"put-back-originals"_s};
    QStringList chosen;
    for (const QString& action : actions) {
        if (call.isSet(action))
            chosen.append(action);
    }
    if (chosen.size() > 1)
        throw usage(u"--repair-counts, --adopt, --reinstall, --mark-not-installed and "
                    u"--put-back-originals exclude each other."_s);
    const QString action = chosen.value(0);
    const bool originals = action == u"put-back-originals"_s;
    const bool takesNames = !action.isEmpty() && action != u"repair-counts"_s && !originals;
    if (takesNames && call.args.isEmpty())
        throw usage(u"verify --"_s + action + u" needs at least one NAME."_s);
    if (!takesNames && !originals && !call.args.isEmpty())
        throw usage(u"verify takes a NAME only with --adopt, --reinstall or "
                    u"--mark-not-installed."_s);
    return action;
}

/// --adopt, --reinstall or --mark-not-installed on the named entries.
int actOnNamed(Session& session, const QString& action, const QStringList& names) {
    int code = Done;
    CommandContext& ctx = session.ctx();
    const install::VerifyReport before = install::VerifyInstallation(ctx);
    if (action == u"adopt"_s) {
        if (!sayUnchosen(names, u"the content found installed by hand"_s, &install::adoptableNamed,
                         before))
            code = NotAllDone;
        const QList<install::Adoptable> found = install::adoptableNamed(before, names);
        if (!found.isEmpty() && !install::AdoptContent(ctx, found))
            code = NotAllDone;
        return code;
    }
    if (!sayUnchosen(names, u"the installed content with files missing"_s, &install::missingNamed,
                     before))
        code = NotAllDone;
    const QList<install::MissingFiles> found = install::missingNamed(before, names);
    if (found.isEmpty())
        return code;
    if (action == u"reinstall"_s) {
        for (const install::ReinstallRun& run : install::ReinstallArchives(ctx, found)) {
            install::FinishInstall(ctx, run.page, run.result);
            session.printStatus();
            if (!run.result.ok || !run.result.FailedArchives.isEmpty() ||
                !run.result.nothingPlaced.isEmpty())
                code = NotAllDone;
        }
        return code;
    }
    const int changed = install::MarkNotInstalled(ctx, found);
    session.say(u"Marked "_s + QString::number(changed) + u" archive(s) as not installed."_s);
    return code;
}

/// Runs the chosen action, if any; NotAllDone when a part of it failed.
int runAction(Session& session, const QString& action, const QStringList& names) {
    if (action.isEmpty()) {
        session.openForReading();
        session.requireSoundRecords();
        return Done;
    }
    session.openForWriting();
    if (action == u"repair-counts"_s) {
        const int changed = install::RepairCounts(session.ctx());
        session.say(u"Counts repaired: "_s + QString::number(changed));
        return Done;
    }
    if (action == u"put-back-originals"_s) {
        const int back = install::PutBackOriginals(session.ctx(), names);
        session.say(u"The game's own files put back: "_s + QString::number(back));
        return back < names.size() ? NotAllDone : Done;
    }
    return actOnNamed(session, action, names);
}

} // namespace

int runVerify(Session& session, const Invocation& call) {
    int code = runAction(session, chosenAction(call), call.args);

    // What the folders and records say now.
    const install::VerifyReport report = install::VerifyInstallation(session.ctx());
    // Installed content that imports packages the game lacks; told, not
    // counted as a disagreement of the records.
    cache::ImportsCache imports;
    const QList<cache::InstalledNeeds> needs =
        cache::InstalledWithMissingImports(session.ctx(), imports);
    if (call.isSet(u"json"_s)) {
        const QJsonDocument doc(reportJson(report, needs));
        printOut(QString::fromUtf8(doc.toJson(QJsonDocument::Indented)).trimmed());
    } else {
        printReport(report, needs);
    }
    if (!report.agrees())
        code = NotAllDone;
    return code;
}

} // namespace cli
